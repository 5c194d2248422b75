#include "host/validate_drive.h"

#include <cmath>
#include <cstdlib>

#include "host/allocation_watch.h"

namespace modhost::validate {

Exercise::Exercise(const std::vector<PinInfo>& pins) {
    for (const auto& pin : pins) {
        if (pin.plugIndex < 0 || pin.direction == PinDirection::Out || pin.kind == PinKind::Midi)
            continue;
        inputs_.push_back({pin.plugIndex, pin.kind == PinKind::Text || pin.kind == PinKind::Enum,
                           "the status change of pin \"" + pin.name + "\""});
        if (pin.kind == PinKind::Audio) audioInputs_.push_back(pin.plugIndex);
    }
}

void Exercise::round(RawModule& object, int number, bool realTimeOnly) {
    constexpr PinStatus kStatuses[] = {PinStatus::Streaming, PinStatus::OneOff, PinStatus::Static};
    const float level = 0.1f * float(number % 5) - 0.2f;
    for (int32_t plug : audioInputs_)
        for (int32_t i = 0; i < kBlockSize; ++i)
            host.buffers[size_t(plug)][size_t(i)] = level * std::sin(0.1f * float(i + number));
    host.clock = host.blockStart;
    for (const auto& input : inputs_) {
        if (input.reconfigures && realTimeOnly) continue;
        allocation_watch::during(input.label.c_str());
        deliver(object, EventType::PinStatusChange, input.plug, int32_t(kStatuses[number % 3]));
    }
    allocation_watch::during("the process routine");
    process(object, kBlockSize / 4);
    host.clock = host.blockStart + kBlockSize / 4;
    object.record()->process(object.record()->object, kBlockSize / 4, kBlockSize - kBlockSize / 4);
    allocation_watch::during("a Midi event");
    const int channel = number % 16;
    for (int32_t message :
         {packMidi(0x90 | channel, 60 + number, 100), packMidi(0xB0 | channel, 7, 90),
          packMidi(0xE0 | channel, 0, 70), packMidi(0x80 | channel, 60 + number, 0)})
        deliver(object, EventType::Midi, 0, message);
    allocation_watch::during("a queued event the module asked for");
    deliverQueued(object);
    allocation_watch::during(nullptr);
    host.blockStart += kBlockSize;
    host.clock = host.blockStart;
}

void exercise(RawModule& object, const std::vector<PinInfo>& pins, int rounds) {
    Exercise plan(pins);
    for (int round = 0; round < rounds; ++round) plan.round(object, round, false);
}

void setEveryInput(Instance& m, double volts) {
    for (const auto& pin : m.pins()) {
        if (pin.plugIndex < 0 || pin.direction == PinDirection::Out) continue;
        switch (pin.kind) {
            case PinKind::Audio: {
                float* samples = m.buffer(pin.plugIndex);
                for (int32_t i = 0; samples && i < m.blockSize(); ++i)
                    samples[i] = float(volts * 0.1 * std::sin(0.05 * i));
                m.queueStatus(pin.plugIndex, PinStatus::Streaming);
                break;
            }
            case PinKind::Float: m.setValue(pin.plugIndex, volts); break;
            case PinKind::Int: m.setValue(pin.plugIndex, std::round(volts)); break;
            case PinKind::Bool: m.setValue(pin.plugIndex, volts > 0.0 ? 1.0 : 0.0); break;
            case PinKind::Enum: {
                std::vector<EnumItem> items = parseEnumItems(pin.kindExtra.value_or(""));
                if (items.empty()) break;
                size_t chosen = size_t(std::abs(int(volts))) % items.size();
                m.setValue(pin.plugIndex, items[chosen].value);
                break;
            }
            default: break;
        }
    }
}

}  // namespace modhost::validate
