#include "host/instance.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>

#include "host/closest_name.h"

namespace modhost {

namespace {

// Buffers never exceed this many samples, whatever block size is set.
constexpr int32_t kMaxBufferSamples = 1 << 20;

// A whole-number member takes the value clamped to what it can hold (NaN as 0),
// so no setting can make the host's conversion undefined.
template <class Whole>
Whole clampedWhole(double value) {
    if (std::isnan(value)) return 0;
    constexpr double lowest = double(std::numeric_limits<Whole>::min());
    constexpr double highest = double(std::numeric_limits<Whole>::max());
    return Whole(std::clamp(value, lowest, highest));
}
// Deliveries per block beyond which remaining events wait for the next block,
// so a module that keeps queueing events at the current sample cannot hang us.
constexpr int32_t kMaxDeliveriesPerBlock = 1 << 16;
constexpr size_t kMaxPendingEvents = 1 << 16;
constexpr int32_t kMaxDataBytes = 1 << 20;

int32_t bufferSamples(int32_t blockSize) {
    return std::clamp(blockSize, 1, kMaxBufferSamples);
}

int32_t clockWord(int64_t clock) {
    return int32_t(uint32_t(uint64_t(clock)));
}

PinValue defaultOf(const PinInfo& pin) {
    PinValue value;
    if (!pin.defaultValue) return value;
    value.text = *pin.defaultValue;
    value.number = std::strtod(value.text.c_str(), nullptr);
    if (pin.kind == PinKind::Enum)
        for (const auto& item : parseEnumItems(pin.kindExtra.value_or("")))
            if (item.label == value.text) value.number = item.value;
    return value;
}

// The panel pin "<x> - In" that carries a processing output "<x> - Out".
int32_t partnerOf(const PinInfo& out, const std::vector<PinInfo>& pins) {
    constexpr std::string_view kOut = " - Out";
    if (out.direction != PinDirection::Out || !out.name.ends_with(kOut)) return -1;
    std::string in = out.name.substr(0, out.name.size() - kOut.size()) + " - In";
    for (const auto& pin : pins)
        if (pin.name == in && hasFlag(pin.flags, PinFlag::PanelSide)) return pin.listingIndex;
    return -1;
}

}  // namespace

// An event waiting for its sample; a status change may carry a value that is
// written into the pin's member just before the event is delivered.
struct Instance::PendingEvent {
    int64_t time = 0;
    uint64_t sequence = 0;
    ModuleEvent event{};
    bool writesValue = false;
    double number = 0.0;
    std::string text;
    bool rewritesStoredValue = false;  // write the host's stored value first
    bool carriesData = false;          // a data message for ReceiveData
    std::vector<uint8_t> data;
};

struct Instance::PlugState {
    const PinInfo* pin = nullptr;
    std::vector<float> buffer;
    float* source = nullptr;  // another instance's output this input reads
    std::string text;
    bool connected = false;
    StatusReport output;
};

Instance::Instance(std::shared_ptr<const PluginLibrary> library, InstanceOptions options)
    : library_(std::move(library)),
      options_(std::move(options)),
      info_(library_->describe()),
      sampleRate_(options_.sampleRate),
      blockSize_(std::min(options_.blockSize, kMaxBufferSamples)) {
    record_ = static_cast<ModuleRecord*>(library_->makeModule()(0, 1, &hostCallback, this));
    if (record_ == nullptr)
        throw HostError(library_->path() + ": makeModule(0, 1) made no processing object");
    routine_ = record_->process;
    try {
        pins_ = listPins(record_->dispatcher, record_, info_.interfaceVersion,
                         options_.autoDuplicateRepeats);
    } catch (const HostError& e) {
        close();
        throw HostError(library_->path() + ": " + e.what());
    }
    plugCount_ = countPlugs(pins_);
    plugs_.resize(size_t(plugCount_));
    for (const auto& pin : pins_) {
        if (pin.plugIndex < 0) continue;
        plugs_[size_t(pin.plugIndex)] = std::make_unique<PlugState>();
        plugs_[size_t(pin.plugIndex)]->pin = &pin;
    }
    for (const auto& pin : pins_) {
        values_.push_back(defaultOf(pin));
        partner_.push_back(partnerOf(pin, pins_));
    }
    pending_.reserve(256);
    timeInfo_.tempo = 120.0;
    attachBuffers();
    if (options_.createPanel) panel_ = std::make_unique<PanelHalf>(*this);
}

Instance::~Instance() {
    close();
}

intptr_t Instance::dispatch(DispatchOp opcode, int32_t index, int32_t value, void* ptr, float opt) {
    if (record_ == nullptr) return 0;
    return record_->dispatcher(record_, int32_t(opcode), index, value, ptr, opt);
}

void Instance::open() {
    if (record_ == nullptr || open_) return;
    dispatch(DispatchOp::SetSampleRate, 0, 0, nullptr, sampleRate_);
    dispatch(DispatchOp::SetBlockSize, 0, blockSize_);
    if (options_.initialStatus) writeDefaults();
    dispatch(DispatchOp::Open);
    open_ = true;
    if (panel()) panel_->open(options_.keepPanelValues);
    if (!options_.initialStatus) return;
    // Each input's first status comes with its stored value written again, so
    // a module that works on its member in place never sees a value twice.
    for (const auto& plug : plugs_) {
        const PinInfo& pin = *plug->pin;
        if (pin.direction == PinDirection::Out || pin.kind == PinKind::Midi) continue;
        PendingEvent event = statusChange(pin.plugIndex, PinStatus::Static, blockStart_);
        event.rewritesStoredValue = pin.kind != PinKind::Audio;
        queue(std::move(event));
    }
}

void Instance::close() {
    if (panel_) panel_->close();
    if (record_ == nullptr) return;
    dispatch(DispatchOp::Close);
    record_ = nullptr;
    open_ = false;
    routine_ = nullptr;
}

void Instance::setSampleRate(float rate) {
    sampleRate_ = rate;
    dispatch(DispatchOp::SetSampleRate, 0, 0, nullptr, rate);
}

void Instance::setBlockSize(int32_t size) {
    blockSize_ = std::min(size, kMaxBufferSamples);
    attachBuffers();
    dispatch(DispatchOp::SetBlockSize, 0, size);
}

void Instance::attachBuffers() {
    for (auto& plug : plugs_) {
        if (plug->pin->kind != PinKind::Audio) continue;
        plug->buffer.assign(size_t(bufferSamples(blockSize_)), 0.0f);
        if (plug->pin->variable)
            *static_cast<float**>(plug->pin->variable) =
                plug->source ? plug->source : plug->buffer.data();
    }
}

void Instance::writeDefaults() {
    for (auto& plug : plugs_) {
        const PinInfo& pin = *plug->pin;
        if (pin.direction == PinDirection::Out || !pin.defaultValue) continue;
        PendingEvent value;
        value.writesValue = true;
        value.number = values_[size_t(pin.listingIndex)].number;
        value.text = values_[size_t(pin.listingIndex)].text;
        writeMember(pin.plugIndex, value);
    }
}

const PinInfo& Instance::pin(std::string_view name) const {
    const PinInfo* closest = nullptr;
    size_t best = SIZE_MAX;
    for (const auto& pin : pins_) {
        if (pin.name == name) return pin;
        size_t distance = editDistance(pin.name, name);
        if (distance < best) best = distance, closest = &pin;
    }
    std::string message = library_->deliverable() + " has no pin \"" + std::string(name) + "\"";
    if (closest) message += "; did you mean \"" + closest->name + "\"?";
    throw HostError(message);
}

int32_t Instance::plug(std::string_view name) const {
    const PinInfo& found = pin(name);
    if (found.plugIndex < 0)
        throw HostError(library_->deliverable() + ": pin \"" + found.name +
                        "\" belongs to the panel half");
    return found.plugIndex;
}

Instance::PlugState* Instance::state(int32_t plug) {
    if (plug < 0 || plug >= plugCount_) return nullptr;
    return plugs_[size_t(plug)].get();
}

const Instance::PlugState* Instance::state(int32_t plug) const {
    if (plug < 0 || plug >= plugCount_) return nullptr;
    return plugs_[size_t(plug)].get();
}

Instance::PendingEvent Instance::statusChange(int32_t plug, PinStatus status, int64_t time) const {
    PendingEvent event;
    event.time = nextSample(time);
    event.event = ModuleEvent{
        clockWord(event.time), EventType::PinStatusChange, int32_t(status), 0, plug, nullptr};
    return event;
}

void Instance::setValue(int32_t plug, double value, int64_t time) {
    PendingEvent event = statusChange(plug, PinStatus::OneOff, time);
    event.writesValue = true;
    event.number = value;
    queue(std::move(event));
}

void Instance::setText(int32_t plug, const std::string& text, int64_t time) {
    PendingEvent event = statusChange(plug, PinStatus::OneOff, time);
    event.writesValue = true;
    event.text = text;
    queue(std::move(event));
}

void Instance::setConnected(int32_t plug, bool connected) {
    if (auto* s = state(plug)) s->connected = connected;
}

void Instance::queueStatus(int32_t plug, PinStatus status, int64_t time) {
    queue(statusChange(plug, status, time));
}

void Instance::queueMidi(int32_t message, int64_t time, int32_t value2) {
    PendingEvent event;
    event.time = nextSample(time);
    event.event = ModuleEvent{clockWord(event.time), EventType::Midi, message, value2, 0, nullptr};
    queue(std::move(event));
}

float* Instance::buffer(int32_t plug) {
    auto* s = state(plug);
    if (s == nullptr || s->buffer.empty()) return nullptr;
    return s->source ? s->source : s->buffer.data();
}

void Instance::fillBuffer(int32_t plug, float sample) {
    auto* s = state(plug);
    if (s && !s->source) std::fill(s->buffer.begin(), s->buffer.end(), sample);
}

void Instance::readFrom(int32_t plug, float* samples) {
    auto* s = state(plug);
    if (s == nullptr || s->pin->kind != PinKind::Audio) return;
    s->source = samples;
    if (s->pin->variable) *static_cast<float**>(s->pin->variable) = buffer(plug);
}

int64_t Instance::clockFromWord(int32_t word) const {
    // Clock words wrap; a word is taken as the clock nearest to now.
    return clock_ + int32_t(uint32_t(word) - uint32_t(clockWord(clock_)));
}

double Instance::value(int32_t plug) const {
    const auto* s = state(plug);
    if (!s || !s->pin->variable) return 0.0;
    const void* member = s->pin->variable;
    switch (s->pin->kind) {
        case PinKind::Enum: return *static_cast<const int16_t*>(member);
        case PinKind::Bool: return *static_cast<const uint8_t*>(member);
        case PinKind::Float: return *static_cast<const float*>(member);
        case PinKind::Int: return *static_cast<const int32_t*>(member);
        default: return 0.0;
    }
}

std::string Instance::text(int32_t plug) const {
    const auto* s = state(plug);
    if (!s || !s->pin->variable || s->pin->kind != PinKind::Text) return {};
    const char* t = *static_cast<const char* const*>(s->pin->variable);
    return t ? t : "";
}

const StatusReport& Instance::outputStatus(int32_t plug) const {
    static const StatusReport none;
    const auto* s = state(plug);
    return s ? s->output : none;
}

void Instance::writeMember(int32_t plug, const PendingEvent& event) {
    auto* s = state(plug);
    if (!s || !s->pin->variable) return;
    void* member = s->pin->variable;
    if (s->pin->kind != PinKind::Audio)
        values_[size_t(s->pin->listingIndex)] = PinValue{event.number, event.text};
    switch (s->pin->kind) {
        case PinKind::Enum:
            *static_cast<int16_t*>(member) = clampedWhole<int16_t>(event.number);
            break;
        case PinKind::Bool: *static_cast<uint8_t*>(member) = event.number != 0.0; break;
        case PinKind::Float: *static_cast<float*>(member) = float(event.number); break;
        case PinKind::Int:
            *static_cast<int32_t*>(member) = clampedWhole<int32_t>(event.number);
            break;
        case PinKind::Text:
            s->text = event.text;
            *static_cast<const char**>(member) = s->text.c_str();
            break;
        case PinKind::Audio:  // an unconnected audio input holds its default volts
            fillBuffer(plug, float(event.number * 0.1));
            break;
        default: break;
    }
}

void Instance::queue(PendingEvent event) {
    if (pending_.size() >= kMaxPendingEvents) return;
    event.sequence = eventSequence_++;
    auto later = std::upper_bound(pending_.begin(), pending_.end(), event.time,
                                  [](int64_t t, const PendingEvent& e) { return t < e.time; });
    pending_.insert(later, std::move(event));
}

void Instance::deliver(PendingEvent& event) {
    if (event.carriesData) {
        asleep_ = false;
        dispatch(DispatchOp::ReceiveData, int32_t(event.data.size()), 0, event.data.data());
        return;
    }
    if (event.rewritesStoredValue) {
        const PinValue& stored =
            values_[size_t(state(int32_t(event.event.extra))->pin->listingIndex)];
        event.number = stored.number;
        event.text = stored.text;
        event.writesValue = true;
    }
    if (event.writesValue && event.event.type == EventType::PinStatusChange)
        writeMember(int32_t(event.event.extra), event);
    asleep_ = false;
    if (record_ && record_->event) record_->event(record_->object, &event.event);
}

void Instance::runStretch(int32_t offset, int32_t count) {
    if (count <= 0 || record_ == nullptr || routine_ == nullptr) return;
    if (asleep_) {
        ++skippedCalls_;
        return;
    }
    clock_ = blockStart_ + offset;
    ++processCalls_;
    routine_(record_->object, offset, count);
}

void Instance::callProcess(int32_t offset, int32_t count) {
    if (record_ == nullptr || routine_ == nullptr) return;
    clock_ = blockStart_ + offset;
    ++processCalls_;
    routine_(record_->object, offset, count);
    clock_ = blockStart_;
}

void Instance::processBlock(int32_t frames) {
    if (frames < 0 || frames > bufferSamples(blockSize_)) frames = bufferSamples(blockSize_);
    int32_t position = 0;
    int32_t deliveries = 0;
    while (true) {
        int64_t now = blockStart_ + position;
        while (!pending_.empty() && pending_.front().time <= now &&
               deliveries < kMaxDeliveriesPerBlock) {
            PendingEvent event = std::move(pending_.front());
            pending_.erase(pending_.begin());
            // An event that was due before this block is delivered now, and says so.
            if (event.time < now) event.event.time = clockWord(now);
            clock_ = now;
            deliver(event);
            ++deliveries;
        }
        int32_t next = frames;
        if (!pending_.empty() && deliveries < kMaxDeliveriesPerBlock)
            next =
                int32_t(std::clamp<int64_t>(pending_.front().time - blockStart_, position, frames));
        runStretch(position, next - position);
        position = next;
        if (position >= frames) break;
    }
    blockStart_ += frames;
    clock_ = blockStart_;
    if ((timeInfo_.flags & kTransportRunning) != 0 && sampleRate_ > 0.0f)
        timeInfo_.ppqPosition += frames * timeInfo_.tempo / 60.0 / sampleRate_;
}

intptr_t Instance::hostCallback(void* record, int32_t opcode, int32_t index, int32_t value,
                                void* ptr, float opt) noexcept {
    if (record == nullptr) return 0;
    auto* self = static_cast<Instance*>(static_cast<ModuleRecord*>(record)->hostPtr);
    if (self == nullptr) return 0;
    if (self->options_.recordTraffic)
        self->traffic_.push_back(
            HostCall{opcode, index, value, reinterpret_cast<intptr_t>(ptr), opt});
    return self->answer(HostOp(opcode), index, value, ptr);
}

intptr_t Instance::answer(HostOp opcode, int32_t index, int32_t value, void* ptr) {
    switch (opcode) {
        case HostOp::SetPinStatus:
            if (auto* s = state(index)) {
                int32_t time = int32_t(reinterpret_cast<intptr_t>(ptr));
                s->output = StatusReport{PinStatus(value), time, true};
                publish(index);
                if (statusListener_) statusListener_(index, PinStatus(value), clockFromWord(time));
            }
            return 0;
        case HostOp::IsPinConnected: {
            auto* s = state(index);
            return s && s->connected ? 1 : 0;
        }
        case HostOp::GetSampleClock: return clockWord(clock_);
        case HostOp::SendMidi: {
            int32_t time = int32_t(reinterpret_cast<intptr_t>(ptr));
            if (options_.recordSent) sentMidi_.push_back(MidiMessage{time, index, value});
            if (midiListener_) midiListener_(index, value, clockFromWord(time));
            return 0;
        }
        case HostOp::GetPinBuffer: return reinterpret_cast<intptr_t>(buffer(index));
        case HostOp::GetBlockStartClock: return clockWord(blockStart_);
        case HostOp::GetTimeInfo:
            return timeInfoAvailable_ ? reinterpret_cast<intptr_t>(&timeInfo_) : 0;
        case HostOp::RequestSleep: asleep_ = true; return 0;
        case HostOp::FillScratchBuffer: return 0;
        case HostOp::GetPinCount: return plugCount_;
        case HostOp::GetFilePath: return filePath(index, value, static_cast<char*>(ptr));
        case HostOp::SendData:
            if (ptr != nullptr && index > 0 && index <= kMaxDataBytes) {
                auto* bytes = static_cast<const uint8_t*>(ptr);
                if (options_.recordSent) sentData_.emplace_back(bytes, bytes + index);
                if (panel()) panel_->deliverData(bytes, index);
            }
            return 0;
        case HostOp::QueueEvent:
            if (ptr != nullptr) {
                PendingEvent event;
                event.event = *static_cast<const ModuleEvent*>(ptr);
                event.event.link = nullptr;
                event.time = clockFromWord(event.event.time);
                queue(std::move(event));
            }
            return 0;
        case HostOp::ProcessRoutineChanged:
            if (record_) routine_ = record_->process;
            return 0;
    }
    return 0;
}

intptr_t Instance::filePath(int32_t plug, int32_t size, char* out) const {
    const auto* s = state(plug);
    if (out == nullptr || size <= 0) return 0;
    out[0] = '\0';
    if (!s || s->pin->kind != PinKind::Text) return 0;
    std::filesystem::path name = text(plug);
    if (name.empty()) return 0;
    std::string path = name.is_absolute()
                           ? name.string()
                           : (std::filesystem::path(options_.fileBase) / name).string();
    if (path.size() + 1 > size_t(size)) return 0;
    std::memcpy(out, path.c_str(), path.size() + 1);
    return 1;
}

}  // namespace modhost

namespace modhost {

const PinInfo* Instance::pinAt(int32_t listingIndex) const {
    if (listingIndex < 0 || size_t(listingIndex) >= values_.size()) return nullptr;
    return &pins_[size_t(listingIndex)];
}

const PinValue& Instance::pinValue(int32_t listingIndex) const {
    static const PinValue none;
    return pinAt(listingIndex) ? values_[size_t(listingIndex)] : none;
}

// `value` is a copy on purpose: callers pass pin values of instances by
// reference, and the panel's answers to announce() may rewrite them.
// cppcheck-suppress passedByValue ; the same copy
// NOLINTNEXTLINE(performance-unnecessary-value-param)
void Instance::setPin(int32_t listingIndex, PinValue value, int64_t time) {
    const PinInfo* pin = pinAt(listingIndex);
    if (pin == nullptr) return;
    values_[size_t(listingIndex)] = value;
    int64_t at = nextSample(time);
    if (panel()) {
        // The panel's own writes in answer are stamped with the user's moment.
        int64_t now = clock_;
        clock_ = std::max(at, clock_);
        panel_->announce(listingIndex);
        clock_ = now;
    }
    carryToProcessing(*pin, value, at);
}

void Instance::setPin(std::string_view name, double number, int64_t time) {
    setPin(pin(name).listingIndex, PinValue{number, {}}, time);
}

void Instance::setPin(std::string_view name, const std::string& text, int64_t time) {
    setPin(pin(name).listingIndex, PinValue{0.0, text}, time);
}

void Instance::panelWrote(int32_t listingIndex, const PinValue& value) {
    const PinInfo* pin = pinAt(listingIndex);
    if (pin == nullptr || values_[size_t(listingIndex)] == value) return;
    values_[size_t(listingIndex)] = value;
    carryToProcessing(*pin, value, clock_);
    if (panelWriteListener_) panelWriteListener_(listingIndex, clock_);
    panel_->announce(listingIndex);
}

void Instance::carryToProcessing(const PinInfo& pin, const PinValue& value, int64_t time) {
    if (pin.plugIndex < 0 || pin.kind == PinKind::Audio || pin.kind == PinKind::Midi) return;
    if (pin.kind == PinKind::Text)
        setText(pin.plugIndex, value.text, time);
    else
        setValue(pin.plugIndex, value.number, time);
}

void Instance::restorePin(int32_t listingIndex, PinValue value) {
    if (pinAt(listingIndex)) values_[size_t(listingIndex)] = std::move(value);
}

void Instance::panelSentData(const uint8_t* bytes, int32_t count) {
    if (options_.recordSent) dataFromPanel_.emplace_back(bytes, bytes + count);
    PendingEvent event;
    event.time = clock_;
    event.carriesData = true;
    event.data.assign(bytes, bytes + count);
    queue(std::move(event));
}

void Instance::publish(int32_t plug) {
    const PinInfo& pin = *state(plug)->pin;
    if (pin.direction != PinDirection::Out || pin.kind == PinKind::Audio ||
        pin.kind == PinKind::Midi)
        return;
    PinValue published{value(plug), text(plug)};
    values_[size_t(pin.listingIndex)] = published;
    int32_t partner = partner_[size_t(pin.listingIndex)];
    if (partner < 0 || !panel()) return;
    values_[size_t(partner)] = published;
    panel_->announce(partner);
}

}  // namespace modhost
