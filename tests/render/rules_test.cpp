// The rule tools: slot tables in words, warnings, exit codes, and a MIDI
// file remapped through the plug-in.
#include <gtest/gtest.h>

#include "host/midi_file.h"
#include "host/remap_run.h"
#include "host/rule_words.h"
#include "render_fixture.h"
#include "rule_parser.h"

namespace render_test {
namespace {

midi_bender::RemapRule parsed(const char* text) {
    midi_bender::RemapRule rule{};
    midi_bender::parseRuleText(text, rule);
    return rule;
}

TEST(RuleWords, SayWhatEachSlotDoes) {
    struct Case {
        const char* rule;
        const char* words;
    } cases[] = {
        {"1,PitchB,*,*,65,127,N,*,Ctrl,5,5,0,127",
         "channel 1 Pitch Bend, data 2 65..127 -> Control Change 5, value 0..127, stop"},
        {"* ProgChg 1 10 0 0 y 2 ProgChg 11 20 0 0",
         "any channel Program Change, program 1..10, data 2 0 -> channel 2 Program Change, program "
         "11..20, data 2 0, pass"},
        {"3,NoteOn,60,72,*,*,y,*,*,*,*,127,0,<,>",
         "channel 3 Note On, data 1 60..72 -> Note On, data 2 127..0, data 1 and data 2 exchanged, "
         "pass"},
        {"1,NRPN,130,130,*,*,N,*,NRPN,200,200,*,*", "channel 1 NRPN 130 -> NRPN 200, stop"},
        {"16,Ctrl,64,64,*,*,n,*,Discard,0,0,0,0", "channel 16 Control Change 64 -> discard"},
        {"1,Foo,*,*,*,*,N,*,Ctrl,5,5,0,127", "empty"},
    };
    for (const auto& c : cases) EXPECT_EQ(modhost::ruleWords(parsed(c.rule)), c.words) << c.rule;
}

TEST(RuleWords, WarnAboutRulesThatNeverMatch) {
    struct Case {
        const char* rule;
        const char* warning;
    } cases[] = {
        {"1,*,*,*,*,*,N,*,Ctrl,5,5,0,127", "status-in \"*\" never matches"},
        {"1,Ctrl,100,20,*,*,N,*,Ctrl,5,5,0,127",
         "the controller range 100..20 has its minimum above its maximum"},
        {"17,NoteOn,*,*,*,*,N,*,*,*,*,*,*", "channel-in 17 is outside 1..16"},
        {"0,NoteOn,*,*,*,*,N,*,*,*,*,*,*", "channel-in 0 is outside 1..16"},
        {"1,NoteOn,*,*,*,*,N,20,*,*,*,*,*", "channel-out 20 is outside 1..16"},
        {"1,NoteOn,*,*,*,*,x,*,*,*,*,*,*", "the pass flag (the 7th value) is neither y nor n"},
        {"1,Discard,*,*,*,*,N,*,*,*,*,*,*", "status-in Discard never matches"},
    };
    for (const auto& c : cases) {
        auto warnings = modhost::ruleWarnings(parsed(c.rule));
        ASSERT_EQ(warnings.size(), 1u) << c.rule;
        EXPECT_NE(warnings[0].find(c.warning), std::string::npos) << warnings[0];
    }
    EXPECT_TRUE(modhost::ruleWarnings(parsed("1,PitchB,*,*,65,127,N,*,Ctrl,5,5,0,127")).empty());
}

TEST(RulesCommand, ReadsAFileAsTheRemapperDoesAndFailsOnLinesThatDoNotParse) {
    std::string folder = freshFolder();
    // An empty first line is skipped, so the slots start with the second line.
    writeFile(folder + "/rules.txt",
              "\r\n1,PitchB,*,*,65,127,N,*,Ctrl,5,5,0,127\r\n1,Foo,1\r\n\r\n17,NoteOn,*,*,*,*,N,*,*"
              ",*,*,*,*\r\n");
    Outcome run = modhost("rules " + folder + "/rules.txt");
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(
        run.out,
        "slot 1: channel 1 Pitch Bend, data 2 65..127 -> Control Change 5, value 0..127, stop\n"
        "slot 2: empty\n"
        "  warning: slot 2 (line 3) is empty: this does not parse as a rule, so it never "
        "matches: \"1,Foo,1\"\n"
        "slot 3: empty\n"
        "slot 4: channel 17 Note On -> Note On, stop\n"
        "  warning: slot 4 (line 5): channel-in 17 is outside 1..16: the rule never matches\n"
        "4 slot(s): 1 that did not parse, 1 blank, 1 other warning(s)\n");

    Outcome good = modhost("rules --text '1,PitchB,*,*,65,127,N,*,Ctrl,5,5,0,127'");
    EXPECT_EQ(good.exitCode, 0);
    Outcome bad = modhost("rules --text '1,PitchB,*'");
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_EQ(modhost("rules " + folder + "/missing.txt").exitCode, 2);
}

TEST(Remap, RunsAMidiFileThroughTheRemapperPlugIn) {
    if (!modhost::midiFilesSupported()) GTEST_SKIP() << "built without libsmf";
    std::string folder = freshFolder();
    writeFile(folder + "/rules.txt",
              "1,PitchB,*,*,65,127,N,*,Ctrl,5,5,0,127\n2,NoteOn,*,*,*,*,N,3,*,*,*,*,*\n");
    modhost::writeMidiFile(folder + "/in.mid", 480, {{0, 500000}},
                           {{{0.5, 0x7F00E0}, {1.0, 0x403C91}, {1.5, 0x403C92}}});
    Outcome run = modhost("remap --trace --rules " + folder + "/rules.txt " + folder + "/in.mid " +
                          folder + "/out.mid");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(
        run.out.find("in     0.500000 s  E0 00 7F  Pitch Bend ch 1 value 8064\n"
                     "       rules matched: slot 1 (stop)\n"
                     "  out   0.500000 s  B0 05 7F  Control Change ch 1 controller 5 value 127\n"),
        std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("no rule matches: passed on unchanged"), std::string::npos);
    modhost::MidiFileContents out = modhost::readMidiFile(folder + "/out.mid");
    EXPECT_EQ(out.ppqn, 480);
    ASSERT_EQ(out.events.size(), 3u);
    EXPECT_EQ(out.events[0].message, 0x7F05B0);
    EXPECT_EQ(out.events[1].message, 0x403C92);  // channel 2 moved to channel 3
    EXPECT_EQ(out.events[2].message, 0x403C92);
    EXPECT_NEAR(out.events[1].seconds, 1.0, 1e-3);
}

}  // namespace
}  // namespace render_test
