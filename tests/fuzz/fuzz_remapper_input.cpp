// The remapper's input stage, assembler and engine: a rule table built from
// the input, then a stream of MIDI words (well-formed messages on changing
// channels, parameter controller sequences and arbitrary 32-bit words) at
// times before, at and after the sample clock.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <vector>

#include "fuzz_check.h"
#include "midi_remapper.h"

namespace {

using namespace midi_bender;

bool isSystem(int32_t word) {
    return (word & 0xF0) == 0xF0;
}

class CheckingPort final : public MidiPort {
public:
    uint32_t sampleClock() override { return clock; }
    // System words leave as they came, with their own time; nothing else
    // leaves earlier than the sample clock at which it is sent.
    void send(uint32_t time, int32_t word) override {
        bool passedThrough = isSystem(received) && word == received && time == receivedAt;
        FUZZ_CHECK(passedThrough || time >= clock);
        ++sent;
    }

    uint32_t clock = 0;
    int32_t received = 0;
    uint32_t receivedAt = 0;
    size_t sent = 0;
};

const char* const kStatusTokens[] = {"NoteOff", "NoteOn", "KeyAft", "Ctrl",    "ProgChg", "ChanAft",
                                     "PitchB",  "RPN",    "NRPN",   "Discard", "*"};
const char* const kMarkers[] = {"<", ">", "x", ""};

// A value field: mostly small numbers and "*", sometimes anything.
std::string valueToken(FuzzedDataProvider& in) {
    switch (in.ConsumeIntegralInRange(0, 3)) {
        case 0: return "*";
        case 1: return std::to_string(in.ConsumeIntegralInRange(0, 17));
        case 2: return std::to_string(in.ConsumeIntegralInRange(0, 16383));
        default: return std::to_string(in.ConsumeIntegral<int32_t>());
    }
}

std::string ruleText(FuzzedDataProvider& in) {
    if (in.ConsumeBool()) return in.ConsumeRandomLengthString(160);
    std::string text;
    for (int field = 0; field < 13; ++field) {
        if (field == 1 || field == 8)
            text += in.PickValueInArray(kStatusTokens);
        else if (field == 6)
            text += in.ConsumeBool() ? "N" : "Y";
        else
            text += valueToken(in);
        text += ',';
    }
    text += in.PickValueInArray(kMarkers);
    text += ',';
    text += in.PickValueInArray(kMarkers);
    return text;
}

const int32_t kParameterControllers[] = {99, 98, 101, 100, 6, 38, 96, 97};

int32_t midiWord(FuzzedDataProvider& in) {
    int32_t channel = in.ConsumeIntegralInRange(0, 15);
    switch (in.ConsumeIntegralInRange(0, 3)) {
        case 0: return in.ConsumeIntegral<int32_t>();
        case 1: {  // a controller of a parameter sequence
            int32_t controller = in.PickValueInArray(kParameterControllers);
            return 0xB0 | channel | controller << 8 | in.ConsumeIntegralInRange(0, 127) << 16;
        }
        case 2: return in.ConsumeIntegralInRange(0xF0, 0xFF);
        default: {
            int32_t status = in.ConsumeIntegralInRange(8, 14) << 4;
            return status | channel | in.ConsumeIntegralInRange(0, 127) << 8 |
                   in.ConsumeIntegralInRange(0, 127) << 16;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    CheckingPort port;
    MidiRemapper remapper(port);
    int32_t slots = in.ConsumeIntegralInRange(0, 12);
    if (slots > 0) {
        FUZZ_CHECK(remapper.rules().rebuild(slots));
        for (int32_t i = 0; i < slots; ++i) {
            std::string text = ruleText(in);
            remapper.rules().parseRule(text.c_str(), in.ConsumeIntegralInRange(-1, slots));
        }
        FUZZ_CHECK(remapper.rules().slotsInUse() <= slots);
    }

    while (in.remaining_bytes() > 0) {
        port.clock += in.ConsumeIntegral<uint8_t>();
        if (in.ConsumeBool()) port.clock += in.ConsumeIntegral<uint32_t>();
        // The host hands words over at the clock; the input stage may see
        // them late or early when the clock wraps.
        uint32_t time = port.clock;
        if (in.ConsumeIntegralInRange(0, 3) == 0) time = in.ConsumeIntegral<uint32_t>();
        size_t before = port.sent;
        port.received = midiWord(in);
        port.receivedAt = time;
        remapper.receive(port.received, time);
        int32_t pending = remapper.assembler().pendingCount();
        FUZZ_CHECK(pending >= 0 && pending <= ParameterAssembler::kPendingCapacity);
        // A word releases at most the held controllers and one assembled
        // message; each leaves once per slot it passes, and a parameter
        // message as up to four controllers that pass the slots again.
        size_t passes = size_t(slots + 1);
        size_t bound = size_t(ParameterAssembler::kPendingCapacity + 2) * passes * 4 * passes;
        FUZZ_CHECK(port.sent - before <= bound);
    }
    return 0;
}
