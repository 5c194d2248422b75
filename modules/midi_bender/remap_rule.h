// One rewriting rule of the remapper, as parsed from one line of rule text,
// and the status codes that name message kinds inside the remapper.
#pragma once

#include <cstdint>

namespace midi_bender {

// The kind of every message inside the remapper and of every status field of
// a rule. The channel-voice codes are the MIDI status byte with channel 0.
enum StatusCode : int32_t {
    Discard = 0,  // as output: drop the message; as input: matches nothing
    NoteOff = 0x80,
    NoteOn = 0x90,
    KeyAft = 0xA0,
    Ctrl = 0xB0,
    ProgChg = 0xC0,
    ChanAft = 0xD0,
    PitchB = 0xE0,
    Nrpn = 300,
    NrpnIncrement = 301,
    NrpnDecrement = 302,
    Rpn = 303,
    RpnIncrement = 304,
    RpnDecrement = 305,
};

// "*" in any numeric or status field: any value on the input side, the
// message's own value on the output side. No channel, data byte or status
// code equals it.
inline constexpr int32_t Wildcard = 129;

// RPN and NRPN messages with their increment and decrement forms: data 1 is
// the 14-bit parameter number and data 2 the 14-bit value (or step).
constexpr bool isParameterKind(int32_t kind) {
    return kind >= Nrpn && kind <= RpnDecrement;
}

// One rule slot; every field 0 is the empty rule, which matches nothing.
struct RemapRule {
    int32_t channelIn;
    int32_t statusIn;
    int32_t data1MinIn;
    int32_t data1MaxIn;
    int32_t data2MinIn;
    int32_t data2MaxIn;
    char passFlag;  // 'Y', 'N' or 0 (passes like 'Y')
    int32_t channelOut;
    int32_t statusOut;
    int32_t data1MinOut;
    int32_t data1MaxOut;
    int32_t data2MinOut;
    int32_t data2MaxOut;
    char swap1;  // '<': data 1 out from data 2 in; '>': data 2 out from data 1 in; or 0
    char swap2;
};

}  // namespace midi_bender
