// The host actions of a storm. Each keeps to what the host may do: events, process
// calls, data and panel opcodes only while the instance is open, process counts
// within the announced block size and the buffers, values that fit the pin's member.
#include <algorithm>
#include <climits>
#include <cmath>

#include "host/storm_actions.h"

namespace modhost {

namespace {

int32_t clockWord(int64_t clock) {
    return int32_t(uint32_t(uint64_t(clock)));
}

}  // namespace

void Storm::processBlock() {
    if (!instance_->isOpen()) return;
    int32_t limit = std::min(announcedBlock_, bufferLength());
    int32_t frames = 0;
    // A whole block now and then, whatever its size; most blocks are cut short.
    if (limit > 0)
        frames = choices_.below(limit > kLongestStretch ? 64 : 3) == 0
                     ? limit
                     : 1 + int32_t(choices_.below(uint32_t(std::min(limit, kLongestStretch))));
    note("process block", instance_->blockStart(), frames);
    instance_->processBlock(frames);
    // The block has moved on; what was processed is still in the buffers.
    checkOutputs(0, frames);
}

void Storm::processStretch() {
    if (!instance_->isOpen()) return;
    int32_t limit = std::min(announcedBlock_, bufferLength());
    if (limit <= 0) return;
    auto count = 1 + int32_t(choices_.below(uint32_t(std::min(limit, kLongestStretch))));
    auto offset = int32_t(choices_.below(uint32_t(limit - count + 1)));
    note("process stretch", offset, count);
    instance_->callProcess(offset, count);
    checkOutputs(offset, count);
}

void Storm::changeNumber() {
    const PinInfo* pin = somePin([](const PinInfo& p) {
        return p.plugIndex >= 0 && p.direction != PinDirection::Out && p.kind != PinKind::Text &&
               p.kind != PinKind::Midi;
    });
    if (pin == nullptr) return;
    double value = 0.0;
    if (pin->kind == PinKind::Float || pin->kind == PinKind::Audio)
        value = number();
    else if (pin->kind == PinKind::Bool)
        value = double(choices_.below(3));
    else
        value = double(wholeNumber(*pin));
    note("set number", pin->plugIndex,
         int64_t(std::isfinite(value) ? std::clamp(value, -1e18, 1e18) : 0));
    taintUnless(ordinaryInput(value));
    instance_->setValue(pin->plugIndex, value, when());
}

void Storm::changeAudio() {
    const PinInfo* pin = somePin([](const PinInfo& p) {
        return p.plugIndex >= 0 && p.direction != PinDirection::Out && p.kind == PinKind::Audio;
    });
    if (pin == nullptr) return;
    float* samples = instance_->buffer(pin->plugIndex);
    if (samples == nullptr) return;
    note("fill audio", pin->plugIndex, 0);
    int32_t length = bufferLength();
    float level = sample();
    taintUnless(ordinaryInput(level));
    if (choices_.below(2) == 0) {
        std::fill(samples, samples + length, level);
    } else {
        // A sine at the chosen level, the input changing at every sample; values near
        // its zero crossings are rounded to 0 so that an ordinary level stays ordinary.
        double step = 0.01 * double(1 + choices_.below(64));
        int32_t varying = std::min(length, 2 * kLongestStretch);
        std::fill(samples + varying, samples + length, 0.0f);
        for (int32_t i = 0; i < varying; ++i) {
            double value = std::sin(double(i) * step) * level;
            samples[i] = ordinaryInput(value) || !ordinaryInput(level) ? float(value) : 0.0f;
        }
    }
    constexpr PinStatus kStatuses[] = {PinStatus::Streaming, PinStatus::OneOff, PinStatus::Static};
    instance_->queueStatus(pin->plugIndex, kStatuses[choices_.below(3)], when());
}

void Storm::changeText() {
    const PinInfo* pin = somePin([](const PinInfo& p) {
        return p.plugIndex >= 0 && p.direction != PinDirection::Out && p.kind == PinKind::Text;
    });
    if (pin == nullptr) return;
    note("set text", pin->plugIndex, 0);
    instance_->setText(pin->plugIndex, text(), when());
}

void Storm::changeStatus() {
    constexpr int32_t kStatuses[] = {0, 1, 2, 2, 3, -1, 100, INT32_MIN};
    int32_t plug = anyPlug();
    int32_t status = kStatuses[choices_.below(8)];
    note("status change", plug, status);
    instance_->queueStatus(plug, PinStatus(status), when());
}

void Storm::sendMidi() {
    int32_t message = 0;
    if (choices_.below(4) == 0) {
        message = int32_t(choices_.word());
    } else {
        int status = choices_.below(4) == 0
                         ? int(0x80 + choices_.below(0x80))
                         : int(0x80 + 0x10 * choices_.below(7) + choices_.below(16));
        int data1 = int(choices_.below(3) == 0 ? choices_.below(256) : choices_.below(128));
        int data2 = int(choices_.below(3) == 0 ? choices_.below(256) : choices_.below(128));
        message = packMidi(status, data1, data2);
    }
    note("MIDI", message, 0);
    instance_->queueMidi(message, when(), choices_.below(2) == 0 ? 0 : int32_t(choices_.word()));
}

void Storm::sendRawEvent() {
    if (!instance_->isOpen()) return;
    constexpr int32_t kTypes[] = {0, 0, 2, 21, 1, 3, 99, -1};
    ModuleEvent event{};
    event.time = clockWord(instance_->blockStart());
    event.type = EventType(kTypes[choices_.below(8)]);
    event.value = choices_.below(2) == 0 ? int32_t(choices_.below(4)) : int32_t(choices_.word());
    event.value2 = int32_t(choices_.word());
    // A deferred call names an entry of the module's own; the host has none to give.
    if (event.type == EventType::DeferredCall)
        event.extra = 0;
    else if (event.type == EventType::PinStatusChange)
        event.extra = anyPlug();
    else
        event.extra = intptr_t(int32_t(choices_.word()));
    note("raw event", int32_t(event.type), event.extra);
    ModuleRecord* record = instance_->record();
    record->event(record->object, &event);
}

void Storm::writePin() {
    if (!instance_->isOpen()) return;
    const PinInfo* pin = somePin([](const PinInfo& p) { return p.kind != PinKind::Midi; });
    int32_t listing = pin ? pin->listingIndex : -1;
    if (pin == nullptr || choices_.below(8) == 0) listing = choices_.below(2) == 0 ? -1 : 100000;
    PinValue value;
    if (pin && pin->kind == PinKind::Text)
        value.text = text();
    else if (pin && pin->kind == PinKind::Float)
        value.number = number();
    else if (pin)
        value.number = wholeNumber(*pin);
    note("write pin", listing, 0);
    taintUnless(ordinaryInput(value.number));
    instance_->setPin(listing, value, when());
}

void Storm::dispatchOpcode() {
    switch (choices_.below(5)) {
        case 0: {
            constexpr int32_t kUnknown[] = {4,  5,  7,   9,  10,        11,
                                            14, 99, 255, -1, INT32_MIN, INT32_MAX};
            int32_t opcode = choices_.below(2) == 0 ? pick(choices_, kUnknown)
                                                    : 14 + int32_t(choices_.below(500));
            note("opcode", opcode, 0);
            void* ptr = choices_.below(2) == 0 ? nullptr : scratch_.data();
            std::fill(scratch_.begin(), scratch_.end(), 0);
            checkResult("an unknown opcode",
                        instance_->record()->dispatcher(instance_->record(), opcode,
                                                        int32_t(choices_.word()),
                                                        int32_t(choices_.word()), ptr, 1.0f),
                        0);
            return;
        }
        case 1: return askPinProperties();
        case 2: {
            if (!instance_->isOpen()) return;
            auto index = int32_t(choices_.word());
            note("Opcode8", index, 0);
            checkResult("Opcode8", instance_->dispatch(DispatchOp::Opcode8, index), 0);
            return;
        }
        default: return queryRoutine();
    }
}

void Storm::askPinProperties() {
    const auto listed = int32_t(std::count_if(instance_->pins().begin(), instance_->pins().end(),
                                              [](const PinInfo& p) { return !p.repeated; }));
    int32_t index = choices_.below(4) == 0 ? int32_t(choices_.word())
                                           : int32_t(choices_.below(uint32_t(listed + 2)));
    note("GetPinProperties", index, 0);
    if (choices_.below(8) == 0) {
        checkResult("GetPinProperties with no record",
                    instance_->dispatch(DispatchOp::GetPinProperties, index), 0);
        return;
    }
    PinProperties p{};
    intptr_t answered = instance_->dispatch(DispatchOp::GetPinProperties, index, 0, &p);
    bool known = index >= 0 && index < listed;
    checkResult("GetPinProperties", answered, known ? 1 : 0);
    if (!known || failed()) return;
    const PinInfo& pin = instance_->pins()[size_t(index)];
    if (p.name == nullptr || pin.name != p.name || pin.kind != p.kind ||
        pin.direction != p.direction || pin.flags != p.flags || pin.variable != p.variable)
        fail("pin " + std::to_string(index) + " is no longer described as it was listed");
}

void Storm::queryRoutine() {
    note("QueryProcessRoutine", 0, 0);
    intptr_t answer = instance_->dispatch(DispatchOp::QueryProcessRoutine);
    if (interfaceVersion_ == int32_t(InterfaceRevision::Rev2120)) {
        checkResult("QueryProcessRoutine", answer, 0);
        return;
    }
    const auto* query = reinterpret_cast<const RoutineQuery*>(answer);
    if (query == nullptr || query->routine == nullptr)
        fail("QueryProcessRoutine gave no routine");
    else if (query->routine->entry != instance_->record()->process)
        fail("QueryProcessRoutine gave a routine other than the process entry");
}

void Storm::sendData() {
    if (!instance_->isOpen()) return;
    static const char* const kMessages[] = {"O", "s", "v1.5", "d-3", "v0",  "d10",
                                            "v", "d", "x",    "",    "v-0", "d0.25"};
    static const char* const kOdd[] = {"vnan", "v1e40", "dinf", "d-1e39"};
    std::string message;
    switch (choices_.below(6)) {
        case 0: message = text(); break;
        case 1:
            message = pick(choices_, kOdd);
            taintUnless(false);
            break;
        default: message = pick(choices_, kMessages); break;
    }
    note("ReceiveData", int64_t(message.size()) + 1, 0);
    checkResult("ReceiveData",
                instance_->dispatch(DispatchOp::ReceiveData, int32_t(message.size() + 1),
                                    int32_t(choices_.below(3)), message.data()),
                0);
}

void Storm::changeRate() {
    constexpr float kRates[] = {44100.0f, 48000.0f, 96000.0f, 192000.0f, 8000.0f, 1.0f};
    constexpr float kOdd[] = {0.0f, -1.0f, NAN, INFINITY, 1e9f, 0.5f};
    float rate = odd() ? pick(choices_, kOdd) : pick(choices_, kRates);
    note("SetSampleRate", int64_t(std::isfinite(rate) ? rate : -2), 0);
    taintUnless(std::isfinite(rate) && rate >= 1.0f && rate <= 1e6f);
    instance_->setSampleRate(rate);
}

void Storm::changeBlockSize() {
    constexpr int32_t kSizes[] = {1, 2, 3, 7, 16, 64, 100, 1024, 4096};
    constexpr int32_t kOdd[] = {0, -1, INT32_MIN, 65536};
    // Huge blocks cost their buffers' worth of memory each time, so they come up least.
    constexpr int32_t kHuge[] = {1 << 20, (1 << 20) + 1, INT32_MAX};
    int32_t size = choices_.below(32) == 0 ? pick(choices_, kHuge)
                   : odd()                 ? pick(choices_, kOdd)
                                           : pick(choices_, kSizes);
    note("SetBlockSize", size, 0);
    announcedBlock_ = size;
    instance_->setBlockSize(size);
}

void Storm::changeTime() {
    constexpr double kTempos[] = {120.0, 60.0, 90.5, 1.0, 300.0};
    constexpr double kOddTempos[] = {0.0, -120.0, 1e6, NAN, INFINITY};
    constexpr double kPositions[] = {0.0, 1.5, -4.0, 3.999, 1000.25};
    constexpr double kOddPositions[] = {1e12, -1e12, NAN};
    TimeInfo& time = instance_->timeInfo();
    time.tempo = odd() ? pick(choices_, kOddTempos) : pick(choices_, kTempos);
    time.ppqPosition = odd() ? pick(choices_, kOddPositions) : pick(choices_, kPositions);
    time.flags = choices_.below(4) == 0 ? int32_t(choices_.word())
                                        : (choices_.below(2) == 0 ? kTransportRunning : 0);
    instance_->setTimeInfoAvailable(choices_.below(4) != 0);
    note("time info", int64_t(std::isfinite(time.tempo) ? time.tempo : -2), time.flags);
    taintUnless(time.tempo >= 1.0 && time.tempo <= 1000.0 && std::isfinite(time.ppqPosition) &&
                std::fabs(time.ppqPosition) < 1e9);
}

void Storm::panelOpcode() {
    PanelHalf* panel = instance_->panel();
    if (!instance_->isOpen() || panel == nullptr) return;
    constexpr int32_t kOpcodes[] = {2, 3, 4, 5, 6, 7, 7, 7, 8, 9, 10, 11, 11, 12, 12, 13, -1, 99};
    int32_t opcode = pick(choices_, kOpcodes);
    const auto pins = int32_t(instance_->pins().size());
    int32_t index = choices_.below(6) == 0 ? int32_t(choices_.word())
                                           : int32_t(choices_.below(uint32_t(pins + 1)));
    note("panel opcode", opcode, index);
    if (opcode == int32_t(PanelOp::ReceiveData)) {
        std::string message = choices_.below(2) == 0 ? text() : std::string("v2.5");
        panel->deliverData(reinterpret_cast<const uint8_t*>(message.c_str()),
                           int32_t(message.size() + 1));
        return;
    }
    std::fill(scratch_.begin(), scratch_.end(), 0);
    void* ptr = choices_.below(2) == 0 ? nullptr : scratch_.data();
    intptr_t result = panel->dispatch(PanelOp(opcode), index, int32_t(choices_.word()), ptr,
                                      float(choices_.below(3)));
    if (opcode == int32_t(PanelOp::Opcode10) && (result == 0 || result == 1)) return;
    checkResult("a panel opcode", result, 0);
}

void Storm::openOrClose() {
    if (!instance_->isOpen()) {
        note("open", 0, 0);
        instance_->open();
        announcedBlock_ = instance_->blockSize();
    } else if (choices_.below(3) == 0) {
        note("close", 0, 0);
        instance_->close();
    } else {
        makeInstance();
    }
}

}  // namespace modhost
