// A MidiPort that records what the remapper sends and lets tests set the clock.
#pragma once

#include <cstdint>
#include <ostream>
#include <vector>

#include "midi_remapper.h"

namespace midi_bender {

struct Sent {
    uint32_t time;
    int32_t word;
    bool operator==(const Sent&) const = default;
};

inline void PrintTo(const Sent& s, std::ostream* os) {
    *os << "{t=" << s.time << " 0x" << std::hex << s.word << std::dec << "}";
}

inline int32_t word(int status, int data1, int data2) {
    return status | (data1 << 8) | (data2 << 16);
}

inline int32_t cc(int channel, int controller, int value) {
    return word(0xB0 | channel, controller, value);
}

class FakePort : public MidiPort {
public:
    uint32_t sampleClock() override {
        ++clockReads;
        return clock;
    }
    void send(uint32_t time, int32_t word) override { sent.push_back({time, word}); }

    std::vector<int32_t> words() const {
        std::vector<int32_t> out;
        for (const auto& s : sent) out.push_back(s.word);
        return out;
    }

    uint32_t clock = 0;
    int clockReads = 0;
    std::vector<Sent> sent;
};

// The remapper with its port and rules given as texts, slot by slot.
struct Remapper {
    explicit Remapper(std::vector<const char*> rules = {}, int32_t slots = 10) {
        if (rules.empty() && slots == 10) return;  // no rule array at all
        remapper.rules().rebuild(slots);
        for (size_t i = 0; i < rules.size(); ++i) remapper.rules().parseRule(rules[i], int32_t(i));
    }
    // Delivers a word at the current clock, as the host does.
    void receive(int32_t w) { remapper.receive(w, port.clock); }

    FakePort port;
    MidiRemapper remapper{port};
};

}  // namespace midi_bender
