// midi_bender loaded into the reference host and driven through its pins,
// MIDI events and rule files.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "host/commands.h"
#include "plugin_fixture.h"
#include "temp_folder.h"

namespace plugin_test {
namespace {

using midi_bender::TempFolder;
using modhost::Instance;
using modhost::InstanceOptions;
using Words = std::vector<int32_t>;

constexpr int32_t kMidiOut = 1, kRuleSource = 2, kFile = 3, kFirstRule = 4;
constexpr const char* kHelpExample = "1,PitchB,*,*,65,127,N,*,Ctrl,5,5,0,127";

int32_t word(int status, int data1, int data2) {
    return status | (data1 << 8) | (data2 << 16);
}

class Bender {
public:
    explicit Bender(const std::string& fileBase = ".", bool initialStatus = true)
        : m(load("midi_bender"),
            InstanceOptions{
                .blockSize = 64, .fileBase = fileBase, .initialStatus = initialStatus}) {
        m.open();
        m.processBlock();
    }

    // Pin changes, each delivered in a block of its own.
    void rule(int number, const std::string& text) {
        m.setText(kFirstRule + number - 1, text);
        m.processBlock();
    }
    void source(int value) {
        m.setValue(kRuleSource, value);
        m.processBlock();
    }
    void file(const std::string& name) {
        m.setText(kFile, name);
        m.processBlock();
    }

    // The words that leave for the given ones, each delivered in a block of its own.
    Words through(const Words& in) {
        size_t before = m.sentMidi().size();
        for (int32_t w : in) {
            m.queueMidi(w);
            m.processBlock();
        }
        Words out;
        for (size_t i = before; i < m.sentMidi().size(); ++i) {
            EXPECT_EQ(m.sentMidi()[i].plug, kMidiOut);
            out.push_back(m.sentMidi()[i].message);
        }
        return out;
    }

    Instance m;
};

const Words kPitchBends{word(0xE0, 0, 127), word(0xE0, 0, 96), word(0xE0, 0, 64)};
const Words kPortamento{word(0xB0, 5, 127), word(0xB0, 5, 64), word(0xE0, 0, 64)};

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::stringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    if (!text.empty() && text.back() == '\n') lines.push_back("");
    return lines;
}

TEST(MidiBender, DescribesItself) {
    auto library = load("midi_bender");
    ModuleDescriptor d;
    std::memset(&d, 0x5A, sizeof d);
    ASSERT_EQ(library->getModuleProperties()(0, &d), 1);
    EXPECT_STREQ(d.name, "QV_MIDIBender");
    EXPECT_STREQ(d.id, "QV_MIDIBender 1.2+");
    EXPECT_EQ(d.interfaceVersion, 2230);
    EXPECT_EQ(d.flags, 0x5A5A5A5A);
    EXPECT_EQ(d.flags2, 0x5A5A5A5A);
    const std::vector<std::string> kAbout{
        "QV_MIDIBender v1.2",
        "QV Modules, 2026",
        "",
        "Summary:",
        "\tChanges MIDI messages on the fly. Any Note Off, Note On, Polyphonic",
        "\tKey Pressure, Control Change, Program Change, Channel Aftertouch or",
        "\tPitch Bend message, or RPN or NRPN message sequence, can be changed",
        "\tto any other, making substitutions as "
        "specified in a set of rules.",
        "",
        "Full documentation: www.qv-modules.example/midibender",
        "",
        "Quick Notes:",
        "",
        "Rules can be entered using the 10 pins, or in a text file. Rules in a text file should",
        "be entered 1 per line.",
        "",
        "Basic Rule Format - 13 comma-separated values:",
        "",
        "<Channel In>,<Status In>,<Data1 Min In>,<Data1 Max In>,<Data2 Min In>,<Data2 Max In>,",
        "<Pass Message On Flag>,",
        "<Channel Out>,<Status Out>,<Data1 Min Out>,<Data1 Max Out>,<Data2 Min Out>,<Data2 Max "
        "Out>",
        "",
        "Example: 1,PitchB,*,*,65,127,N,*,Ctrl,5,5,0,127",
        "",
        "This would change positive Pitch Bend messages on Channel 1 into CC05 (Portamento Time) "
        "messages.",
        "",
        "Channels range from 1 - 16.",
        "The following status abbreviations are used: (they are NOT case-sensitive)",
        "\tNoteOff\t\tNote Off",
        "\tNoteOn\t\tNote On",
        "\tKeyAft\t\tPolyphonic Key Pressure",
        "\tCtrl\t\tControl Change",
        "\tProgChg\t\tProgram Change",
        "\tChanAft\t\tChannel Aftertouch",
        "\tPitchB\t\tPitch Bend",
        "\tRPN\t\tRegistered Parameter Number*",
        "\tNRPN\t\tNon-Registered Parameter Number*",
        "",
        "\t(*Rules that use these codes automatically recognize and/or generate the proper",
        "\t  sequences of CC messages, with MSBs and LSBs combined/separated as needed)",
        "",
        "Data fields range from 0 - 127, except in RPN/NRPNs, where they range from 0 - 16383.",
        "Use a 0 in the data2 field for ProgChg and ChanAft messages, which don't use the field.",
        "A * in an \"In\" field will match anything; use a * in an \"Out\" field to indicate no "
        "change.",
        "",
    };
    EXPECT_EQ(linesOf(d.about), kAbout);
    EXPECT_EQ(std::string(d.about).find('\r'), std::string::npos);

    ModuleDescriptor other;
    std::memset(&other, 0x5A, sizeof other);
    EXPECT_EQ(library->getModuleProperties()(1, &other), 0);
    EXPECT_EQ(other.interfaceVersion, 2230);
    EXPECT_EQ(other.flags, 0x5A5A5A5A);

    auto make = library->makeModule();
    EXPECT_EQ(make(0, 2, nullptr, nullptr), nullptr);
    EXPECT_EQ(make(1, 1, nullptr, nullptr), nullptr);
}

TEST(MidiBender, ListsItsFourteenPins) {
    Instance m(load("midi_bender"));
    ASSERT_EQ(m.pins().size(), 14u);
    struct Expected {
        const char* name;
        PinDirection direction;
        PinKind kind;
        std::optional<std::string> defaultValue, kindExtra;
        int32_t flags;
    };
    std::vector<Expected> expected{
        {"MIDI In", PinDirection::In, PinKind::Midi, std::nullopt, std::nullopt, 0},
        {"MIDI Out", PinDirection::Out, PinKind::Midi, std::nullopt, std::nullopt, 0},
        {"Rule Source", PinDirection::In, PinKind::Enum, "0", "Text Entry,File", 0},
        {"File", PinDirection::In, PinKind::Text, "rulefile.txt", "txt", 0x10},
    };
    for (int i = 1; i <= 10; ++i)
        expected.push_back({nullptr, PinDirection::In, PinKind::Text, "", std::nullopt, 0});
    for (size_t i = 0; i < expected.size(); ++i) {
        const auto& pin = m.pins()[i];
        std::string name = expected[i].name ? expected[i].name : "Rule " + std::to_string(i - 3);
        EXPECT_EQ(pin.name, name);
        EXPECT_EQ(pin.plugIndex, int32_t(i));
        EXPECT_EQ(pin.direction, expected[i].direction) << name;
        EXPECT_EQ(pin.kind, expected[i].kind) << name;
        EXPECT_EQ(pin.defaultValue, expected[i].defaultValue) << name;
        EXPECT_EQ(pin.kindExtra, expected[i].kindExtra) << name;
        EXPECT_EQ(pin.flags, expected[i].flags) << name;
        EXPECT_EQ(pin.variable == nullptr, i < 2) << name;
    }
}

TEST(MidiBender, OpensIdleAndSleepsAfterEveryChange) {
    Instance m(load("midi_bender"), InstanceOptions{.blockSize = 64, .initialStatus = false});
    ProcessEntry initial = m.record()->process;
    m.open();
    ASSERT_GE(m.traffic().size(), 2u);
    EXPECT_EQ(m.traffic()[0].opcode, int32_t(HostOp::GetPinCount));
    EXPECT_EQ(m.traffic().back().opcode, int32_t(HostOp::ProcessRoutineChanged));
    EXPECT_NE(m.record()->process, initial);
    m.processBlock();
    EXPECT_TRUE(m.asleep());
    EXPECT_EQ(m.traffic().back().opcode, int32_t(HostOp::RequestSleep));

    m.clearTraffic();
    m.setText(kFile, "x.txt");
    m.processBlock();
    std::vector<int32_t> opcodes;
    for (const auto& call : m.traffic()) opcodes.push_back(call.opcode);
    EXPECT_EQ(opcodes,
              (std::vector<int32_t>{int32_t(HostOp::GetFilePath), int32_t(HostOp::RequestSleep)}));
    EXPECT_EQ(m.traffic()[0].index, kFile);
    EXPECT_EQ(m.traffic()[0].value, 300);
    EXPECT_TRUE(m.asleep());
}

TEST(MidiBender, EverythingPassesUnchangedUntilARuleSourceIsReported) {
    Bender b(".", false);
    b.rule(3, kHelpExample);  // no table yet: ignored
    EXPECT_EQ(b.through(kPitchBends), kPitchBends);
    b.source(0);  // the table is built from the pins as they are now
    EXPECT_EQ(b.through(kPitchBends), kPortamento);
}

TEST(MidiBender, TextEntryRulesFromThePins) {
    Bender b;
    b.rule(3, kHelpExample);
    EXPECT_EQ(b.through(kPitchBends), kPortamento);
    b.rule(1, "1,NoteOn,*,*,*,*,N,2,NoteOn,*,*,*,*");
    EXPECT_EQ(b.through({word(0x90, 60, 1)}), Words{word(0x91, 60, 1)});
    b.rule(3, "1,PitchB,*,*,65,127,N,*,Ctrl,5,5,0");  // no longer parses: slot 3 empties
    EXPECT_EQ(b.through(kPitchBends), kPitchBends);
    EXPECT_EQ(b.through({word(0x90, 60, 1)}), Words{word(0x91, 60, 1)});
}

TEST(MidiBender, MessagesLeaveAtTheSampleTheyArrive) {
    Bender b;
    b.rule(10, "*,NoteOn,*,*,*,*,Y,*,NoteOff,*,*,0,0");
    int64_t start = b.m.blockStart();
    b.m.queueMidi(word(0x90, 60, 100), start + 17);
    b.m.queueMidi(0xF8, start + 40);
    b.m.processBlock();
    const auto& sent = b.m.sentMidi();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0].time, start + 17);
    EXPECT_EQ(sent[0].message, word(0x80, 60, 0));
    EXPECT_EQ(sent[1].time, start + 17);
    EXPECT_EQ(sent[2].time, start + 40);
    EXPECT_EQ(sent[2].message, 0xF8);
}

TEST(MidiBender, ParameterSequencesLeaveWhenCompleteAtTheClockOfTheirLastByte) {
    Bender b;
    int64_t start = b.m.blockStart();
    const int32_t in[] = {word(0xB0, 101, 0), word(0xB0, 100, 0), word(0xB0, 6, 2),
                          word(0xB0, 38, 0)};
    for (int i = 0; i < 4; ++i) b.m.queueMidi(in[i], start + 5 + 10 * i);
    b.m.processBlock();
    ASSERT_EQ(b.m.sentMidi().size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(b.m.sentMidi()[i].message, in[i]);
        EXPECT_EQ(b.m.sentMidi()[i].time, start + 35);
    }
    // Each further Data Entry byte of the selected parameter leaves at once.
    b.rule(1, "1,RPN,0,0,0,16383,N,*,Ctrl,7,7,0,127");
    EXPECT_EQ(b.through({word(0xB0, 6, 127), word(0xB0, 38, 127)}),
              (Words{word(0xB0, 7, 126), word(0xB0, 7, 127)}));
}

TEST(MidiBender, SystemMessagesPassUnchangedInEveryMode) {
    TempFolder folder;
    folder.write("rules.txt", "*,NoteOn,*,*,*,*,N,*,Discard,*,*,*,*\n");
    const Words system{0xF8, 0xFA, int32_t(0x7F0102F0), 0xFF};
    Bender none(folder.path().string(), false);
    EXPECT_EQ(none.through(system), system);
    Bender b(folder.path().string());
    b.rule(1, "*,*,*,*,*,*,N,*,Discard,*,*,*,*");
    EXPECT_EQ(b.through(system), system);
    b.file("rules.txt");
    b.source(1);
    EXPECT_EQ(b.through({word(0x90, 1, 1)}), Words{});
    EXPECT_EQ(b.through(system), system);
}

TEST(MidiBender, FileRulesWithEitherLineEnd) {
    TempFolder folder;
    const std::string kRules[] = {"1,NoteOn,*,*,*,*,N,*,NoteOn,*,*,127,127",
                                  "1,NoteOff,*,*,*,*,N,*,NoteOff,*,*,127,127",
                                  "1,KeyAft,*,*,*,*,N,*,KeyAft,*,*,127,127"};
    for (const char* end : {"\n", "\r\n"}) {
        std::string name = end[0] == '\r' ? "crlf.txt" : "lf.txt";
        folder.write(name, kRules[0] + end + kRules[1] + end + kRules[2] + end);
        Bender b(folder.path().string());
        b.file(name);
        b.source(1);
        EXPECT_EQ(b.through({word(0x90, 1, 5), word(0x80, 1, 5), word(0xA0, 1, 5)}),
                  (Words{word(0x90, 1, 127), word(0x80, 1, 127), word(0xA0, 1, 127)}))
            << name;
    }
}

TEST(MidiBender, TheFileIsLoadedWhicheverOfSourceAndNameArrivesFirst) {
    TempFolder folder;
    folder.write("rulefile.txt", "1,NoteOn,*,*,*,*,N,*,NoteOn,*,*,1,1\n");
    folder.write("other.txt", "1,NoteOn,*,*,*,*,N,*,NoteOn,*,*,2,2\n");
    Bender late(folder.path().string(), false);
    late.source(1);  // no path yet: nothing to load, no rule table
    EXPECT_EQ(late.through({word(0x90, 1, 9)}), Words{word(0x90, 1, 9)});
    late.file("other.txt");
    EXPECT_EQ(late.through({word(0x90, 1, 9)}), Words{word(0x90, 1, 2)});

    Bender byDefault(folder.path().string());  // "File" holds its default name
    byDefault.source(1);
    EXPECT_EQ(byDefault.through({word(0x90, 1, 9)}), Words{word(0x90, 1, 1)});
}

TEST(MidiBender, RulePinsAreIgnoredInFileModeAndTheFileOutsideIt) {
    TempFolder folder;
    folder.write("a.txt", "\r\n1,NoteOn,*,*,*,*,N,*,NoteOn,*,*,1,1\r\n");
    folder.write("b.txt", "1,NoteOn,*,*,*,*,N,*,NoteOn,*,*,2,2\r\n");
    Bender b(folder.path().string());
    b.file("a.txt");  // Text Entry: the path is taken, the file not read
    EXPECT_EQ(b.through({word(0x90, 1, 9)}), Words{word(0x90, 1, 9)});
    b.source(1);
    EXPECT_EQ(b.through({word(0x90, 1, 9)}), Words{word(0x90, 1, 1)});
    b.rule(1, "1,NoteOn,*,*,*,*,N,*,NoteOn,*,*,3,3");
    EXPECT_EQ(b.through({word(0x90, 1, 9)}), Words{word(0x90, 1, 1)});
    b.file((folder.path() / "b.txt").string());  // an absolute name, reloaded at once
    EXPECT_EQ(b.through({word(0x90, 1, 9)}), Words{word(0x90, 1, 2)});
    b.source(0);  // back to the pins, which kept their texts
    EXPECT_EQ(b.through({word(0x90, 1, 9)}), Words{word(0x90, 1, 3)});
}

TEST(MidiBender, AFileThatCannotBeReadLeavesThePreviousRules) {
    TempFolder folder;
    folder.write("rules.txt", "1,NoteOn,*,*,*,*,N,*,NoteOn,*,*,1,1\n");
    Bender b(folder.path().string());
    b.rule(2, "1,NoteOn,*,*,*,*,N,*,NoteOn,*,*,3,3");
    b.file("missing.txt");
    b.source(1);  // the pins' rules stay in force
    EXPECT_EQ(b.through({word(0x90, 1, 9)}), Words{word(0x90, 1, 3)});
    b.file("rules.txt");
    EXPECT_EQ(b.through({word(0x90, 1, 9)}), Words{word(0x90, 1, 1)});
    b.file("");
    EXPECT_EQ(b.through({word(0x90, 1, 9)}), Words{word(0x90, 1, 1)});
    b.file(".");  // a folder
    EXPECT_EQ(b.through({word(0x90, 1, 9)}), Words{word(0x90, 1, 1)});
    folder.write("empty.txt", "");
    b.file("empty.txt");  // read, but no used line: no rule at all
    EXPECT_EQ(b.through({word(0x90, 1, 9)}), Words{word(0x90, 1, 9)});
}

TEST(MidiBender, SwitchingFromALongFileToTextEntryKeepsOnlyThePinRules) {
    TempFolder folder;
    std::string rules;
    for (int i = 0; i < 20; ++i)
        rules += "1,Ctrl," + std::to_string(i) + "," + std::to_string(i) +
                 ",*,*,N,*,Ctrl,100,100,*,*\r\n";
    folder.write("twenty.txt", rules);
    Bender b(folder.path().string());
    b.rule(1, "1,Ctrl,19,19,*,*,N,*,Ctrl,50,50,*,*");
    b.file("twenty.txt");
    b.source(1);
    EXPECT_EQ(b.through({word(0xB0, 0, 1), word(0xB0, 15, 1)}),
              (Words{word(0xB0, 100, 1), word(0xB0, 100, 1)}));
    b.source(0);
    EXPECT_EQ(b.through({word(0xB0, 0, 1), word(0xB0, 15, 1), word(0xB0, 19, 1)}),
              (Words{word(0xB0, 0, 1), word(0xB0, 15, 1), word(0xB0, 50, 1)}));
}

// A host that fills the whole path buffer: 299 bytes of a real path and no
// terminator after them.
struct FullBufferHost {
    static intptr_t callback(void* record, int32_t opcode, int32_t, int32_t value, void* ptr,
                             float) {
        auto* self = static_cast<FullBufferHost*>(static_cast<ModuleRecord*>(record)->hostPtr);
        switch (HostOp(opcode)) {
            case HostOp::GetPinCount: return 14;
            case HostOp::GetFilePath:
                std::memset(ptr, 'Z', size_t(value));
                std::memcpy(ptr, self->path.data(), self->path.size());
                return 1;
            case HostOp::SendMidi: self->sent.push_back(value); return 0;
            default: return 0;
        }
    }
    std::string path;
    Words sent;
};

TEST(MidiBender, TheHostsPathIsCutToTheBufferEvenWithoutATerminator) {
    TempFolder folder;
    std::string directory =
        (folder.path() / std::string(100, 'd') / std::string(100, 'e')).string();
    std::string name = std::string(299 - directory.size() - 1 - 4, 'r') + ".txt";
    FullBufferHost host;
    host.path = folder.write(std::string(100, 'd') + "/" + std::string(100, 'e') + "/" + name,
                             "1,NoteOn,*,*,*,*,N,*,NoteOn,*,*,1,1\n");
    ASSERT_EQ(host.path.size(), 299u);

    modhost::RawModule object(*load("midi_bender"), &FullBufferHost::callback, &host);
    object.dispatch(DispatchOp::Open);
    int16_t* ruleSource = nullptr;
    PinProperties pin{};
    object.dispatch(DispatchOp::GetPinProperties, kRuleSource, 0, &pin);
    ruleSource = static_cast<int16_t*>(pin.variable);
    *ruleSource = 1;
    ModuleRecord* record = object.record();
    for (int32_t plug : {kRuleSource, kFile}) {
        ModuleEvent change{0, EventType::PinStatusChange, 1, 0, plug, nullptr};
        record->event(record->object, &change);
    }
    ModuleEvent note{0, EventType::Midi, word(0x90, 1, 9), 0, 0, nullptr};
    record->event(record->object, &note);
    EXPECT_EQ(host.sent, Words{word(0x90, 1, 1)});
}

}  // namespace
}  // namespace plugin_test
