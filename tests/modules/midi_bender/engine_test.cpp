// Matching, rewriting, scaling and the sequence writer, through a fake port.
#include <gtest/gtest.h>

#include "fake_port.h"
#include "rule_parser.h"

namespace midi_bender {
namespace {

using Words = std::vector<int32_t>;

constexpr const char* kPitchToPortamento = "1,PitchB,*,*,65,127,N,*,Ctrl,5,5,0,127";

RemapRule rule(const char* text) {
    RemapRule r;
    EXPECT_TRUE(parseRuleText(text, r)) << text;
    return r;
}

struct EngineFixture {
    explicit EngineFixture(std::vector<const char*> texts) {
        rules.rebuild(int32_t(std::max<size_t>(texts.size(), 1)));
        for (size_t i = 0; i < texts.size(); ++i) rules.parseRule(texts[i], int32_t(i));
    }
    void apply(RemapMessage m) { engine.applyRules(m, false); }

    RuleTable rules;
    FakePort port;
    RuleEngine engine{rules, port};
};

TEST(RuleEngine, HelpExampleScalesPitchBendIntoControllerFive) {
    struct Case {
        int data2;
        Words out;
    } cases[] = {
        {127, {cc(0, 5, 127)}},    {65, {cc(0, 5, 0)}},
        {96, {cc(0, 5, 64)}},  // trunc(31 / 62 * 127 + 0.5)
        {64, {word(0xE0, 0, 64)}}, {0, {word(0xE0, 0, 0)}},
    };
    for (const auto& c : cases) {
        EngineFixture f({kPitchToPortamento});
        f.apply({PitchB, 0, 0, c.data2, 0});
        EXPECT_EQ(f.port.words(), c.out) << "data 2 = " << c.data2;
    }
    EngineFixture other({kPitchToPortamento});
    other.apply({PitchB, 1, 0, 100, 0});  // channel 2 is not matched
    EXPECT_EQ(other.port.words(), Words{word(0xE1, 0, 100)});
}

TEST(RuleEngine, PassFlagSlotOrderAndDiscard) {
    struct Case {
        const char* name;
        std::vector<const char*> rules;
        Words out;
    } cases[] = {
        {"Y sends the rewrite, then the message",
         {"1,PitchB,*,*,65,127,Y,*,Ctrl,5,5,0,127"},
         {cc(0, 5, 127), word(0xE0, 0, 127)}},
        {"Y then N: two rewrites in slot order, not the message",
         {"1,PitchB,*,*,*,*,Y,*,Ctrl,1,1,*,*", "*,PitchB,*,*,*,*,N,3,Ctrl,2,2,*,*"},
         {cc(0, 1, 127), cc(2, 2, 127)}},
        {"no flag passes like Y",
         {"1,PitchB,*,*,*,*,x,*,Ctrl,1,1,*,*"},
         {cc(0, 1, 127), word(0xE0, 0, 127)}},
        {"Discard before a Y rule sends nothing",
         {"*,PitchB,*,*,*,*,Y,*,Discard,*,*,*,*", "1,PitchB,*,*,*,*,Y,*,Ctrl,1,1,*,*"},
         {}},
        {"Discard after a Y rule keeps the rewrite only",
         {"1,PitchB,*,*,*,*,Y,*,Ctrl,1,1,*,*", "*,PitchB,*,*,*,*,Y,*,Discard,*,*,*,*"},
         {cc(0, 1, 127)}},
        {"later rules see the incoming message, not the rewrite",
         {"1,PitchB,*,*,*,*,Y,*,NoteOn,60,60,*,*", "1,NoteOn,*,*,*,*,Y,*,Ctrl,9,9,*,*"},
         {word(0x90, 60, 127), word(0xE0, 0, 127)}},
        {"an empty slot between rules is inert",
         {"1,PitchB,*,*,*,*,Y,*,Ctrl,1,1,*,*", "", "1,PitchB,*,*,*,*,N,*,Ctrl,3,3,*,*"},
         {cc(0, 1, 127), cc(0, 3, 127)}},
        {"status in * matches nothing", {"*,*,*,*,*,*,N,*,Ctrl,1,1,*,*"}, {word(0xE0, 0, 127)}},
        {"bounds are inclusive", {"1,PitchB,0,0,127,127,N,*,Ctrl,1,1,*,*"}, {cc(0, 1, 127)}},
    };
    for (const auto& c : cases) {
        EngineFixture f(c.rules);
        f.apply({PitchB, 0, 0, 127, 0});
        EXPECT_EQ(f.port.words(), c.out) << c.name;
    }
}

TEST(RuleEngine, SlotsAboveTheHighestParsedOneAreNotExamined) {
    RuleTable rules;
    rules.rebuild(3);
    rules.parseRule("1,PitchB,*,*,*,*,N,*,Ctrl,1,1,*,*", 2);
    rules.parseRule("junk", 2);  // empties slot 2; highestSlot stays 2
    EXPECT_EQ(rules.slotsInUse(), 3);
    FakePort port;
    RuleEngine engine(rules, port);
    engine.applyRules({PitchB, 0, 0, 1, 0}, false);
    EXPECT_EQ(port.words(), Words{word(0xE0, 0, 1)});
}

TEST(RuleEngine, NoMessageOfKindZeroIsTakenByAnEmptySlotOrADiscardInput) {
    EngineFixture f({"", "1,Discard,*,*,*,*,N,*,Ctrl,1,1,*,*"});
    f.apply({0, 0, 0, 0, 0});
    EXPECT_EQ(f.port.words(), Words{0});
}

TEST(RuleEngine, ScaleValue) {
    struct Case {
        int32_t v, lo, hi, outLo, outHi, expected;
    } cases[] = {
        {5, Wildcard, Wildcard, 10, 20, 10},         // two "*" count as equal bounds
        {90, Wildcard, Wildcard, Wildcard, 20, 90},  // "*" on either output end keeps v
        {90, 0, 127, 10, Wildcard, 90},
        {3, 0, 127, 7, 7, 7},
        {0, 0, 127, 127, 0, 127},
        {1, 0, 127, 127, 0, 127},  // 127 + trunc(-1 + 0.5)
        {127, 0, 127, 127, 0, 1},  // 127 + trunc(-127 + 0.5): toward zero
        {64, 0, 127, 0, 127, 64},
        {64, Wildcard, 127, 0, 16383, 8256},
        {8192, 0, 16383, 0, 127, 64},
        {16383, Wildcard, Wildcard, 0, 127, 0},
        {16383, 0, Wildcard, 0, 127, 16383},  // an open bound reads 127: out of range
        {200, 100, 100, 3, 9, 3},
        {50, 127, Wildcard, 3, 9, 3},  // 127..127 after the open bound: a single point
        {50, Wildcard, 0, 3, 9, 3},
        {INT32_MAX, INT32_MIN, INT32_MAX, INT32_MIN, INT32_MAX, INT32_MAX},
        {5, 0, 10, INT32_MIN, INT32_MAX, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(scaleValue(c.v, c.lo, c.hi, c.outLo, c.outHi), c.expected)
            << c.v << " in " << c.lo << ".." << c.hi << " to " << c.outLo << ".." << c.outHi;
}

TEST(RuleEngine, SwapMarkersChooseTheSourceOfEachOutputByte) {
    RemapMessage note{NoteOn, 0, 10, 100, 0};
    RemapMessage plain = rewriteMessage(note, rule("1,NoteOn,*,*,*,*,N,*,*,*,*,*,*"));
    EXPECT_EQ(plain.data1, 10);
    EXPECT_EQ(plain.data2, 100);
    RemapMessage both = rewriteMessage(note, rule("1,NoteOn,*,*,*,*,N,*,*,*,*,*,*,<,>"));
    EXPECT_EQ(both.data1, 100);
    EXPECT_EQ(both.data2, 10);
    RemapMessage toData1 = rewriteMessage(note, rule("1,NoteOn,*,*,0,127,N,*,*,0,63,*,*,<"));
    EXPECT_EQ(toData1.data1, 50);  // data 2 in with the data 2 input range
    EXPECT_EQ(toData1.data2, 100);
    RemapMessage toData2 = rewriteMessage(note, rule("1,NoteOn,0,20,*,*,N,*,*,*,*,0,40,>"));
    EXPECT_EQ(toData2.data1, 10);
    EXPECT_EQ(toData2.data2, 20);
    RemapMessage moved = rewriteMessage(note, rule("*,NoteOn,*,*,*,*,N,16,KeyAft,*,*,*,*"));
    EXPECT_EQ(moved.kind, KeyAft);
    EXPECT_EQ(moved.channel, 15);
}

TEST(RuleEngine, TimesAreRaisedToTheSampleClockButNeverLowered) {
    EngineFixture f({"1,NoteOn,*,*,*,*,Y,*,NoteOff,*,*,*,*"});
    f.port.clock = 1000;
    f.apply({NoteOn, 0, 60, 1, 400});
    f.apply({NoteOn, 0, 60, 2, 1500});
    EXPECT_EQ(f.port.sent, (std::vector<Sent>{{1000, word(0x80, 60, 1)},
                                              {1000, word(0x90, 60, 1)},
                                              {1500, word(0x80, 60, 2)},
                                              {1500, word(0x90, 60, 2)}}));
}

TEST(RuleEngine, MessagesArePackedByPlainAddition) {
    EXPECT_EQ(packMessage({ProgChg, 3, 5, 7, 0}), 0x0705C3);  // data 2 stays in byte 3
    EXPECT_EQ(packMessage({ChanAft, 0, 64, 0, 0}), 0x40D0);
    EXPECT_EQ(packMessage({Ctrl, 0, 300, 0, 0}), 0xB0 + 300 * 256);  // carries, no masking
    EXPECT_EQ(packMessage({Ctrl, 16, 0, 0, 0}), 0xC0);
    EXPECT_EQ(packMessage({Ctrl, 0, 0, 40000, 0}), int32_t(0xB0 + 40000u * 65536u));
}

TEST(ParameterSequenceWriter, NrpnBecomesControllersOnlyWhereTheyChange) {
    EngineFixture f({});
    f.apply({Nrpn, 0, 1025, 300, 0});
    EXPECT_EQ(f.port.words(), (Words{cc(0, 99, 8), cc(0, 98, 1), cc(0, 6, 2), cc(0, 38, 44)}));
    f.port.sent.clear();
    f.apply({Nrpn, 0, 1025, 300, 0});
    EXPECT_TRUE(f.port.sent.empty());
    f.apply({Nrpn, 0, 1025, 301, 0});
    EXPECT_EQ(f.port.words(), Words{cc(0, 38, 45)});
    f.port.sent.clear();
    f.apply({Nrpn, 1, 1025, 301, 0});  // another channel differs in every cache
    EXPECT_EQ(f.port.words(), (Words{cc(1, 99, 8), cc(1, 98, 1), cc(1, 6, 2), cc(1, 38, 45)}));
}

TEST(ParameterSequenceWriter, StepsAreNeverCachedAndTheSelectPairIs) {
    EngineFixture f({});
    f.apply({RpnIncrement, 2, 0, 1, 0});
    f.apply({RpnIncrement, 2, 0, 1, 0});
    f.apply({RpnDecrement, 2, 0, 3, 0});
    f.apply({NrpnDecrement, 2, 130, 4, 0});
    EXPECT_EQ(f.port.words(), (Words{cc(2, 101, 0), cc(2, 100, 0), cc(2, 96, 1), cc(2, 96, 1),
                                     cc(2, 97, 3), cc(2, 99, 1), cc(2, 98, 2), cc(2, 97, 4)}));
    f.engine.writer().clearAllCaches();
    f.port.sent.clear();
    f.apply({Rpn, 2, 0, 0, 0});
    EXPECT_EQ(f.port.words(), (Words{cc(2, 101, 0), cc(2, 100, 0), cc(2, 6, 0), cc(2, 38, 0)}));
}

TEST(ParameterSequenceWriter, GeneratedControllersMeetControllerRulesButNoParameterRules) {
    EngineFixture f({"*,Ctrl,6,6,*,*,N,*,Ctrl,7,7,*,*", "*,Ctrl,*,*,*,*,N,*,RPN,5,5,*,*"});
    f.port.clock = 70;
    f.apply({Rpn, 0, 0, 256, 50});
    // 101 and 100 would meet the RPN rule if they came from outside; 6 becomes 7.
    EXPECT_EQ(
        f.port.sent,
        (std::vector<Sent>{
            {70, cc(0, 101, 0)}, {70, cc(0, 100, 0)}, {70, cc(0, 7, 2)}, {70, cc(0, 38, 0)}}));
}

TEST(ParameterSequenceWriter, ParameterRulesScaleFourteenBitValues) {
    EngineFixture f(
        {"1,NRPN,1025,1025,0,16383,N,*,Ctrl,7,7,0,127", "1,RPN,*,*,*,*,N,*,NRPN,*,*,*,*"});
    f.apply({Nrpn, 0, 1025, 16383, 0});
    f.apply({NrpnIncrement, 0, 1025, 1, 0});  // increments meet NRPN rules too
    f.apply({Rpn, 0, 3, 5, 0});
    f.apply({RpnIncrement, 0, 3, 1, 0});  // RPN steps meet no rule
    EXPECT_EQ(f.port.words(),
              (Words{cc(0, 7, 127), cc(0, 7, 0), cc(0, 99, 0), cc(0, 98, 3), cc(0, 6, 0),
                     cc(0, 38, 5), cc(0, 101, 0), cc(0, 100, 3), cc(0, 96, 1)}));
}

}  // namespace
}  // namespace midi_bender
