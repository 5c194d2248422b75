// The MIDI-to-keyboard module, loaded and driven through the reference host.
#include <gtest/gtest.h>

#include <cstring>

#include "plugin_fixture.h"

namespace plugin_test {
namespace {

using modhost::Instance;
using modhost::InstanceOptions;

constexpr int32_t kOctave = 0, kMidiOut = 2, kFirstKey = 3, kKeys = 12;
constexpr int32_t kE = 4;  // key index of E within the octave

struct MidiToKeys {
    Instance m;

    explicit MidiToKeys(int16_t octave = 60)
        : m(load("midi_to_keys"), InstanceOptions{.blockSize = 32}) {
        m.open();
        m.setValue(kOctave, octave);
        m.processBlock();
    }
    // Delivers one message in the middle of the next block.
    void receive(int32_t message) {
        m.queueMidi(message, m.blockStart() + 5);
        m.processBlock();
    }
    float key(int32_t k) { return m.buffer(kFirstKey + k)[31]; }
    std::vector<float> keys() {
        std::vector<float> out;
        for (int32_t k = 0; k < kKeys; ++k) out.push_back(key(k));
        return out;
    }
    std::vector<int32_t> passedOn() const {
        std::vector<int32_t> out;
        for (const auto& sent : m.sentMidi()) {
            EXPECT_EQ(sent.plug, kMidiOut);
            out.push_back(sent.message);
        }
        return out;
    }
};

std::vector<float> only(int32_t k, float value = 1.0f) {
    std::vector<float> keys(kKeys, 0.0f);
    keys[size_t(k)] = value;
    return keys;
}
const std::vector<float> kNone(kKeys, 0.0f);

int count(const Instance& m, HostOp opcode) {
    return int(std::count_if(m.traffic().begin(), m.traffic().end(),
                             [&](const auto& c) { return c.opcode == int32_t(opcode); }));
}

TEST(MidiToKeys, DescribesItselfAsRevision2120AndListsItsPins) {
    auto library = load("midi_to_keys");
    ModuleDescriptor d;
    std::memset(&d, 0x5A, sizeof d);
    ASSERT_EQ(library->getModuleProperties()(0, &d), 1);
    EXPECT_STREQ(d.name, "OXB MIDI to KBD");
    EXPECT_STREQ(d.id, "OXB MIDI to KBD");
    EXPECT_EQ(d.interfaceVersion, 2120);
    std::string about = d.about;
    EXPECT_EQ(about.substr(0, about.find('\n')), "OXB MIDI to KBD v1.3");
    std::string tail =
        "\n\nConverts MIDI note data to 10v Note On/Note Off\nfor animating custom keyboard "
        "graphics\nRange:- 10 Octave\n\n";
    ASSERT_GT(about.size(), tail.size());
    EXPECT_EQ(about.substr(about.size() - tail.size()), tail);
    EXPECT_EQ(std::count(about.begin(), about.end(), '\n'), 9);

    Instance m(library);
    ASSERT_EQ(m.pins().size(), 15u);
    EXPECT_EQ(m.pins()[0].name, "Octave");
    EXPECT_EQ(m.pins()[0].kind, PinKind::Enum);
    EXPECT_EQ(m.pins()[0].defaultValue, "3");
    EXPECT_EQ(m.pins()[0].kindExtra, "0=0,1=12,2=24,3=36,4=48,5=60,6=72,7=84,8=96,9=108");
    EXPECT_EQ(m.pins()[1].name, "MIDI In");
    EXPECT_EQ(m.pins()[1].direction, PinDirection::In);
    EXPECT_EQ(m.pins()[1].kind, PinKind::Midi);
    EXPECT_EQ(m.pins()[2].name, "MIDI Out");
    EXPECT_EQ(m.pins()[2].direction, PinDirection::Out);
    EXPECT_EQ(m.pins()[2].kind, PinKind::Midi);
    const char* names[] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    for (int32_t k = 0; k < kKeys; ++k) {
        const auto& pin = m.pins()[size_t(kFirstKey + k)];
        EXPECT_EQ(pin.name, names[k]);
        EXPECT_EQ(pin.direction, PinDirection::Out);
        EXPECT_EQ(pin.kind, PinKind::Audio);
        EXPECT_EQ(pin.defaultValue, "0");
    }
    for (const auto& pin : m.pins()) EXPECT_EQ(pin.flags, 0) << pin.name;
    EXPECT_EQ(m.dispatch(DispatchOp::QueryProcessRoutine), 0);
}

TEST(MidiToKeys, OpenBuildsPlugsSelectsTheKeyRoutineAndFillsTheScratchBuffer) {
    Instance m(load("midi_to_keys"), InstanceOptions{.initialStatus = false});
    m.open();
    std::vector<int32_t> opcodes;
    for (const auto& call : m.traffic()) opcodes.push_back(call.opcode);
    EXPECT_EQ(opcodes, (std::vector<int32_t>{int32_t(HostOp::GetPinCount),
                                             int32_t(HostOp::ProcessRoutineChanged),
                                             int32_t(HostOp::FillScratchBuffer)}));
    EXPECT_NE(m.traffic().back().ptr, 0);
}

TEST(MidiToKeys, NotesOfTheOctaveHoldTheirKeysOnAnyChannel) {
    for (int channel : {0, 9, 15}) {
        MidiToKeys k(60);
        k.receive(packMidi(0x90 | channel, 64, 90));
        EXPECT_EQ(k.keys(), only(kE)) << channel;
        EXPECT_EQ(k.m.buffer(kFirstKey + kE)[5], 1.0f);  // from the event's sample on
        k.receive(packMidi(0x90 | channel, 64, 0));
        EXPECT_EQ(k.keys(), kNone);
        k.receive(packMidi(0x90 | channel, 71, 1));
        k.receive(packMidi(0x90 | channel, 60, 127));
        std::vector<float> both = only(11);
        both[0] = 1.0f;
        EXPECT_EQ(k.keys(), both);
        k.receive(packMidi(0x80 | channel, 71, 64));
        EXPECT_EQ(k.keys(), only(0)) << channel;
    }
}

TEST(MidiToKeys, EveryKeyEventReportsAllTwelveKeysAndPassesTheMessageOn) {
    MidiToKeys k(60);
    k.m.clearTraffic();
    int64_t at = k.m.blockStart() + 5;
    k.receive(packMidi(0x93, 76, 100));  // the next octave: no key changes
    EXPECT_EQ(k.keys(), kNone);
    std::vector<int32_t> reported;
    for (const auto& call : k.m.traffic()) {
        if (call.opcode != int32_t(HostOp::SetPinStatus)) continue;
        reported.push_back(call.index);
        EXPECT_EQ(call.value, int32_t(PinStatus::OneOff));
        EXPECT_EQ(call.ptr, at);
    }
    EXPECT_EQ(reported, (std::vector<int32_t>{3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}));
    EXPECT_EQ(k.passedOn(), std::vector<int32_t>{packMidi(0x93, 76, 100)});
    EXPECT_EQ(k.m.sentMidi()[0].time, at);
}

TEST(MidiToKeys, AllNotesOffClearsTheKeysAndOtherControllersChangeNone) {
    MidiToKeys k(0);
    for (int note = 0; note < 12; ++note) k.receive(packMidi(0x90, note, 1));
    EXPECT_EQ(k.keys(), std::vector<float>(kKeys, 1.0f));
    k.receive(packMidi(0xB0, 64, 127));
    EXPECT_EQ(k.keys(), std::vector<float>(kKeys, 1.0f));
    k.receive(packMidi(0xB5, 123, 0));
    EXPECT_EQ(k.keys(), kNone);
    EXPECT_EQ(k.passedOn().back(), packMidi(0xB5, 123, 0));
}

int64_t callsUntilSleep(MidiToKeys& k) {
    int64_t calls = k.m.processCalls();
    for (int i = 0; i < 20 && !k.m.asleep(); ++i) k.m.processBlock();
    return k.m.processCalls() - calls;
}

// A key event keeps the outputs written for ten process calls, the rest of
// the event's own block being the first.
TEST(MidiToKeys, KeyEventsRunTheOutputsForTenCallsThenTheModuleSleeps) {
    MidiToKeys k;
    EXPECT_TRUE(k.m.asleep());
    k.receive(packMidi(0x90, 64, 1));
    EXPECT_EQ(callsUntilSleep(k), 9);
    k.receive(packMidi(0xB0, 64, 0));
    EXPECT_EQ(callsUntilSleep(k), 9);
    k.receive(packMidi(0xE0, 0, 64));  // passed on, but no new run of calls
    EXPECT_EQ(callsUntilSleep(k), 0);
    EXPECT_TRUE(k.m.asleep());
}

TEST(MidiToKeys, OtherMessagesPassOnAsTheirThreeBytesAndTouchNoKey) {
    MidiToKeys k;
    k.receive(packMidi(0x90, 64, 1));
    callsUntilSleep(k);
    k.m.clearTraffic();
    const int32_t other[] = {packMidi(0xA0, 64, 3), packMidi(0xC2, 5, 0), packMidi(0xD1, 77, 0),
                             packMidi(0xE0, 0, 64), int32_t(0x7F4020E5),  int32_t(0x01003C40)};
    for (int32_t message : other) k.receive(message);
    std::vector<int32_t> expected;
    for (int32_t message : other) expected.push_back(message & 0xFFFFFF);
    auto sent = k.passedOn();
    EXPECT_EQ(std::vector<int32_t>(sent.begin() + 1, sent.end()), expected);
    EXPECT_EQ(count(k.m, HostOp::SetPinStatus), 0);
    EXPECT_EQ(k.keys(), only(kE));
}

TEST(MidiToKeys, SystemMessagesPassWholeAndTouchNothingElse) {
    MidiToKeys k;
    k.m.clearTraffic();
    const int32_t system[] = {0xF8, 0xFA, int32_t(0xAB003CF2), 0xFF};
    for (int32_t message : system) k.receive(message);
    EXPECT_EQ(k.passedOn(), std::vector<int32_t>(std::begin(system), std::end(system)));
    EXPECT_EQ(count(k.m, HostOp::SetPinStatus), 0);
    EXPECT_EQ(k.keys(), kNone);
    EXPECT_TRUE(k.m.asleep());
}

TEST(MidiToKeys, ChangingTheOctaveKeepsHeldKeys) {
    MidiToKeys k(60);
    k.receive(packMidi(0x90, 64, 90));
    k.m.setValue(kOctave, 72);
    k.receive(packMidi(0x90, 72, 90));
    std::vector<float> both = only(kE);
    both[0] = 1.0f;
    EXPECT_EQ(k.keys(), both);
    k.receive(packMidi(0x80, 64, 0));  // note 64 is not in the new octave
    EXPECT_EQ(k.keys(), both);
    k.receive(packMidi(0x80, 76, 0));  // E of the new octave
    EXPECT_EQ(k.keys(), only(0));
}

// The octave value is used as the note number of C whatever it is; keys
// whose note lies outside the MIDI range simply never change.
TEST(MidiToKeys, OutOfRangeOctavesUseTheKeysTheyReach) {
    struct OctaveCase {
        int16_t octave;
        int note;
        int key;  // -1: no key
    } cases[] = {{-5, 0, 5},    {-5, 6, 11},      {-12, 0, -1},    {120, 127, 7}, {120, 119, -1},
                 {250, 255, 5}, {32767, 127, -1}, {-32768, 0, -1}, {3, 14, 11}};
    for (const auto& c : cases) {
        MidiToKeys k(c.octave);
        k.receive(packMidi(0x90, c.note, 100));
        EXPECT_EQ(k.keys(), c.key < 0 ? kNone : only(c.key)) << c.octave << " " << c.note;
        EXPECT_EQ(k.passedOn().size(), 1u);
    }
}

TEST(MidiToKeys, HostDefaultOctaveIsTheItemLabelledThree) {
    Instance m(load("midi_to_keys"), InstanceOptions{.blockSize = 16});
    m.open();
    m.queueMidi(packMidi(0x90, 36, 100));
    m.processBlock();
    EXPECT_EQ(m.buffer(kFirstKey)[15], 1.0f);
}

}  // namespace
}  // namespace plugin_test
