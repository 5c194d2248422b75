#include "signal_driver.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "plugin_fixture.h"

namespace plugin_test {

using modhost::Instance;
using modhost::PinInfo;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

bool isInput(const PinInfo& pin) {
    return pin.direction != PinDirection::Out;
}

}  // namespace

SignalDriver::SignalDriver(const std::string& deliverable, int instances, uint32_t seed)
    : random_(seed) {
    const int32_t blockSize = int32_t(64 << between(0, 6));
    for (int i = 0; i < instances; ++i) {
        instances_.push_back(std::make_unique<Instance>(
            load(deliverable),
            modhost::InstanceOptions{
                .blockSize = blockSize, .recordTraffic = false, .recordSent = false}));
        instances_.back()->open();
    }
    changeAll();
}

void SignalDriver::changeAll() {
    const bool wasNaN = notANumber_;
    notANumber_ = false;
    for (const PinInfo& pin : instances_[0]->pins())
        if (isInput(pin) && !isFixed(pin)) change(pin);
    notANumber_ = wasNaN;
}

void SignalDriver::fixInput(const std::string& name, double value) {
    for (auto& m : instances_) m->setPin(name, value);
    fixed_.push_back(name);
}

bool SignalDriver::isFixed(const PinInfo& pin) const {
    return std::find(fixed_.begin(), fixed_.end(), pin.name) != fixed_.end();
}

void SignalDriver::fixNoise(const std::string& name) {
    const bool wasNaN = notANumber_;
    notANumber_ = false;
    changeAudio(instances_[0]->pin(name), true);
    notANumber_ = wasNaN;
    fixed_.push_back(name);
}

void SignalDriver::setAudio(const std::string& name, float sample) {
    for (auto& m : instances_) {
        const int32_t plug = m->plug(name);
        m->fillBuffer(plug, sample);
        m->queueStatus(plug, PinStatus::OneOff);
    }
}

int32_t SignalDriver::step(bool changeInputs) {
    for (const PinInfo& pin : instances_[0]->pins())
        if (changeInputs && isInput(pin) && !isFixed(pin) && chance(8)) change(pin);
    const int32_t frames = int32_t(between(1, instances_[0]->blockSize()));
    moveTime(frames);
    for (auto& m : instances_) m->processBlock(frames);
    lastFrames_ = frames;
    return frames;
}

void SignalDriver::change(const PinInfo& pin) {
    switch (pin.kind) {
        case PinKind::Audio: changeAudio(pin, chance(2)); break;
        case PinKind::Float: {
            const double v = volts();
            changeNumber(pin, notANumber_ ? kNaN : v, v);
            break;
        }
        case PinKind::Bool: changeNumber(pin, double(between(0, 1)), 0); break;
        case PinKind::Int: changeNumber(pin, double(between(-200, 200)), 0); break;
        case PinKind::Enum: changeNumber(pin, double(between(0, 3)), 0); break;
        default: break;  // texts and MIDI: not signals
    }
}

void SignalDriver::changeNumber(const PinInfo& pin, double value, double finite) {
    instances_[0]->setPin(pin.listingIndex, {value, {}});
    for (size_t i = 1; i < instances_.size(); ++i)
        instances_[i]->setPin(pin.listingIndex, {std::isnan(value) ? finite : value, {}});
}

// Constant or noise; during a NaN stretch the first instance's samples are
// NaN and the others' the finite ones.
void SignalDriver::changeAudio(const PinInfo& pin, bool streaming) {
    if (pin.plugIndex < 0) return;
    const float level = float(volts() * 0.1);
    uint32_t noise = uint32_t(random_());
    const int32_t size = instances_[0]->blockSize();
    for (size_t i = 0; i < instances_.size(); ++i) {
        float* samples = instances_[i]->buffer(pin.plugIndex);
        if (samples == nullptr) continue;
        uint32_t x = noise;
        for (int32_t s = 0; s < size; ++s) {
            x ^= x << 13, x ^= x >> 17, x ^= x << 5;
            samples[s] = streaming ? float(int32_t(x % 2401) - 1200) * 0.001f : level;
        }
        if (i == 0 && notANumber_)
            for (int32_t s = 0; s < size; s += 1 + int32_t(noise % 7)) samples[s] = NAN;
        instances_[i]->queueStatus(pin.plugIndex,
                                   streaming ? PinStatus::Streaming : PinStatus::OneOff);
    }
}

void SignalDriver::moveTime(int32_t frames) {
    if (chance(40)) tempo_ = double(between(30, 300));
    const bool running = !chance(200);
    for (size_t i = 0; i < instances_.size(); ++i) {
        TimeInfo& time = instances_[i]->timeInfo();
        const bool nan = i == 0 && notANumber_;
        time.tempo = nan ? kNaN : tempo_;
        time.ppqPosition = nan ? kNaN : position_;
        time.flags = running ? kTransportRunning : 0;
    }
    position_ += double(frames) * tempo_ / 60.0 / 44100.0;
}

bool SignalDriver::outputsFinite(size_t index, std::string& where) const {
    const Instance& m = *instances_[index];
    for (const PinInfo& pin : m.pins()) {
        if (pin.direction != PinDirection::Out || pin.plugIndex < 0) continue;
        if (pin.kind == PinKind::Audio) {
            const float* samples = const_cast<Instance&>(m).buffer(pin.plugIndex);
            for (int32_t s = 0; samples && s < lastFrames_; ++s)
                if (!std::isfinite(samples[s])) {
                    where = pin.name + " sample " + std::to_string(s);
                    return false;
                }
        } else if (pin.kind == PinKind::Float && !std::isfinite(m.value(pin.plugIndex))) {
            where = pin.name;
            return false;
        }
    }
    return true;
}

bool SignalDriver::outputsAlike(size_t other, std::string& where) {
    Instance& a = *instances_[0];
    Instance& b = *instances_[other];
    for (const PinInfo& pin : a.pins()) {
        if (pin.direction != PinDirection::Out || pin.plugIndex < 0) continue;
        if (pin.kind == PinKind::Audio) {
            const float* x = a.buffer(pin.plugIndex);
            const float* y = b.buffer(pin.plugIndex);
            if (x && y && std::memcmp(x, y, sizeof(float) * size_t(lastFrames_)) != 0) {
                where = pin.name;
                return false;
            }
        } else if (pin.kind != PinKind::Midi && a.value(pin.plugIndex) != b.value(pin.plugIndex)) {
            where = pin.name + " " + std::to_string(a.value(pin.plugIndex)) + " against " +
                    std::to_string(b.value(pin.plugIndex));
            return false;
        }
    }
    return true;
}

int SignalDriver::risingEdges(const std::string& name) {
    Instance& m = *instances_[0];
    const int32_t plug = m.plug(name);
    const float* samples = m.buffer(plug);
    int edges = 0;
    float& previous = previous_[plug];
    for (int32_t s = 0; s < lastFrames_; ++s) {
        if (samples[s] > 0.0f && previous <= 0.0f) ++edges;
        previous = samples[s];
    }
    return edges;
}

}  // namespace plugin_test
