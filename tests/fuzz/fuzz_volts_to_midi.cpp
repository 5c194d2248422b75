// The voltage-to-MIDI assembler from arbitrary readings (NaN, infinities,
// denormals, huge and negative values): first straight on the assembler,
// then through the plug-in in both trigger modes. Whatever the readings, a
// message sent is one legal MIDI message: a status byte with its top bit
// and data bytes without it.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>
#include <memory>

#include "fuzz_check.h"
#include "host/instance.h"
#include "message_assembler.h"

namespace {

using namespace volts_to_midi;

constexpr int32_t kTriggerSource = 0, kSamplingRate = 1, kTrigger = 2, kFirstVoltage = 3,
                  kVoltageCount = 5, kMidiOut = 8;

const float kSpecial[] = {
    __builtin_nanf(""), __builtin_inff(), -__builtin_inff(), 1e-45f, -1e-40f, 3.4e38f,
    -3.4e38f,           2.147483e8f,      -2.147484e8f,      0.0f,   -0.0f,   0.1f};

float reading(FuzzedDataProvider& in) {
    switch (in.ConsumeIntegralInRange(0, 2)) {
        case 0: return in.PickValueInArray(kSpecial);
        case 1: return float(in.ConsumeIntegralInRange(-300, 300)) / 10.0f;  // whole volts
        default: {
            uint32_t bits = in.ConsumeIntegral<uint32_t>();
            float value;
            std::memcpy(&value, &bits, sizeof value);
            return value;
        }
    }
}

void checkMessage(int32_t message) {
    if (message == 0) return;
    uint32_t word = uint32_t(message);
    FUZZ_CHECK((word & 0x80u) != 0);
    FUZZ_CHECK(isLegalStatus(int32_t(word & 0xF0u) < 0xF0 ? int32_t(word & 0xF0u)
                                                          : int32_t(word & 0xFFu)));
    FUZZ_CHECK((word & 0x8000u) == 0 && (word & 0x800000u) == 0 && (word >> 24) == 0);
}

void assembleDirectly(FuzzedDataProvider& in) {
    MessageAssembler assembler;
    int rounds = in.ConsumeIntegralInRange(0, 32);
    for (int i = 0; i < rounds; ++i) {
        Readings r{reading(in), reading(in), reading(in), reading(in), reading(in)};
        int32_t message = assembler.assemble(r);
        checkMessage(message);
        FUZZ_CHECK(message == 0 || message == assembler.lastSent());
    }
}

void driveModule(FuzzedDataProvider& in) {
    static auto library = std::make_shared<modhost::PluginLibrary>("volts_to_midi");
    modhost::Instance module(library, modhost::InstanceOptions{
                                          .sampleRate = in.PickValueInArray({44100.0f, 8.0f, 1.0f}),
                                          .blockSize = in.PickValueInArray({64, 1, 7}),
                                          .recordTraffic = false,
                                          .recordSent = false,
                                      });
    module.setMidiListener([](int32_t plug, int32_t message, int64_t) {
        FUZZ_CHECK(plug == kMidiOut);
        checkMessage(message);
    });
    module.open();
    module.setValue(kTriggerSource, in.ConsumeBool() ? 1 : 2);
    while (in.remaining_bytes() > 0) {
        switch (in.ConsumeIntegralInRange(0, 5)) {
            case 0: module.setValue(kTriggerSource, in.ConsumeIntegralInRange(0, 3)); break;
            case 1: module.setValue(kSamplingRate, reading(in) * 1000.0f); break;
            case 2: module.setValue(kTrigger, in.ConsumeBool() ? 1 : 0); break;
            case 3: {
                int32_t plug = kFirstVoltage + in.ConsumeIntegralInRange(0, kVoltageCount - 1);
                module.fillBuffer(plug, reading(in));
                module.queueStatus(plug,
                                   in.ConsumeBool() ? PinStatus::Streaming : PinStatus::OneOff);
                break;
            }
            default: module.processBlock(); break;
        }
    }
    module.processBlock();
    module.close();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    assembleDirectly(in);
    driveModule(in);
    return 0;
}
