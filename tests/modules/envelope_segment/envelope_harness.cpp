#include "envelope_harness.h"

#include <algorithm>
#include <ostream>

#include "plugin_fixture.h"

namespace envelope_test {

void PrintTo(const Report& r, std::ostream* os) {
    *os << "{plug " << r.plug << ", status " << int32_t(r.status) << ", time " << r.time << "}";
}

std::shared_ptr<const modhost::PluginLibrary> library() {
    return plugin_test::load("envelope_segment");
}

float defaultInput(Pin pin) {
    return pin == ReleaseGate ? 0.1f : 0.0f;  // "1" volt
}

Envelope::Envelope(modhost::InstanceOptions options) : host_(library(), options) {
    for (Pin pin : {GateIn, StartLevel, EndLevel, Duration, ReleaseGate, Loop}) {
        const float value = defaultInput(pin);
        inputs_[pin].push_back(Piece{0, [value](int64_t) { return value; }});
    }
    for (Pin pin : {GateOut, LevelOut, EnvelopeOut}) outputs_[pin];
    host_.open();
}

void Envelope::drive(Pin pin, Signal signal, PinStatus status, int64_t time) {
    inputs_[pin].push_back(Piece{time, std::move(signal)});
    std::stable_sort(inputs_[pin].begin(), inputs_[pin].end(),
                     [](const Piece& a, const Piece& b) { return a.from < b.from; });
    host_.queueStatus(pin, status, time);
}

void Envelope::set(Pin pin, float value, int64_t time) {
    drive(
        pin, [value](int64_t) { return value; }, PinStatus::OneOff, time);
}

void Envelope::timed(float duration, int64_t time) {
    host_.setConnected(Duration, true);
    set(Duration, duration, time);
}

void Envelope::gatePulses(std::vector<int64_t> starts, int64_t width, PinStatus status) {
    auto high = [starts, width](int64_t t) {
        for (int64_t s : starts)
            if (t >= s && t < s + width) return 1.0f;
        return 0.0f;
    };
    if (status == PinStatus::Streaming) {
        drive(GateIn, high, status, 0);
        return;
    }
    // Constant between changes: one one-off report at every edge.
    inputs_[GateIn].push_back(Piece{0, high});
    for (int64_t s : starts) {
        host_.queueStatus(GateIn, status, s);
        host_.queueStatus(GateIn, status, s + width);
    }
}

float Envelope::input(Pin pin, int64_t clock) const {
    const auto& pieces = inputs_.at(pin);
    const Piece* current = &pieces.front();
    for (const auto& piece : pieces)
        if (piece.from <= clock) current = &piece;
    return current->signal(clock);
}

void Envelope::run(int64_t samples) {
    while (samples > 0) {
        // A block size below 1 still leaves the host buffers of one sample.
        const int64_t block = std::max<int64_t>(host_.blockSize(), 1);
        const auto frames = int32_t(std::min<int64_t>(samples, block));
        const int64_t start = now();
        for (auto& [pin, pieces] : inputs_) {
            float* buffer = host_.buffer(pin);
            for (int32_t k = 0; k < frames; ++k) buffer[k] = input(Pin(pin), start + k);
        }
        host_.processBlock(frames);
        for (auto& [pin, samplesOut] : outputs_) {
            const float* buffer = host_.buffer(pin);
            samplesOut.insert(samplesOut.end(), buffer, buffer + frames);
        }
        samples -= frames;
    }
}

float Envelope::out(Pin pin, int64_t clock) const {
    return outputs_.at(pin).at(size_t(clock));
}

const std::vector<float>& Envelope::trace(Pin pin) const {
    return outputs_.at(pin);
}

std::vector<int64_t> Envelope::finishes(int64_t from) const {
    std::vector<int64_t> at;
    const auto& gate = outputs_.at(GateOut);
    for (size_t t = size_t(from); t < gate.size(); ++t)
        if (gate[t] == 1.0f) at.push_back(int64_t(t));
    return at;
}

std::vector<Report> Envelope::reports() const {
    return reportsFrom(INT64_MIN);
}

std::vector<Report> Envelope::reportsFrom(int64_t clock) const {
    std::vector<Report> out;
    for (const auto& call : host_.traffic()) {
        if (call.opcode != int32_t(HostOp::SetPinStatus)) continue;
        Report r{call.index, PinStatus(call.value), int32_t(call.ptr)};
        if (r.time >= clock) out.push_back(r);
    }
    return out;
}

int Envelope::routineChanges() const {
    return int(std::count_if(host_.traffic().begin(), host_.traffic().end(), [](const auto& c) {
        return c.opcode == int32_t(HostOp::ProcessRoutineChanged);
    }));
}

int Envelope::sleepRequests() const {
    return int(std::count_if(host_.traffic().begin(), host_.traffic().end(), [](const auto& c) {
        return c.opcode == int32_t(HostOp::RequestSleep);
    }));
}

}  // namespace envelope_test
