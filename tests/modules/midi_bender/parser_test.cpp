// Rule texts into rule slots, and the slot table's bookkeeping.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "rule_parser.h"
#include "rule_table.h"

namespace midi_bender {
namespace {

constexpr const char* kHelpExample = "1,PitchB,*,*,65,127,N,*,Ctrl,5,5,0,127";

RemapRule parsed(const char* text) {
    RemapRule rule;
    EXPECT_TRUE(parseRuleText(text, rule)) << text;
    return rule;
}

TEST(RuleParser, HelpExampleFillsEveryField) {
    RemapRule r = parsed(kHelpExample);
    EXPECT_EQ(r.channelIn, 0);
    EXPECT_EQ(r.statusIn, 0xE0);
    EXPECT_EQ(r.data1MinIn, Wildcard);
    EXPECT_EQ(r.data1MaxIn, Wildcard);
    EXPECT_EQ(r.data2MinIn, 65);
    EXPECT_EQ(r.data2MaxIn, 127);
    EXPECT_EQ(r.passFlag, 'N');
    EXPECT_EQ(r.channelOut, Wildcard);
    EXPECT_EQ(r.statusOut, 0xB0);
    EXPECT_EQ(r.data1MinOut, 5);
    EXPECT_EQ(r.data1MaxOut, 5);
    EXPECT_EQ(r.data2MinOut, 0);
    EXPECT_EQ(r.data2MaxOut, 127);
    EXPECT_EQ(r.swap1, 0);
    EXPECT_EQ(r.swap2, 0);
}

TEST(RuleParser, ProgramNumbersAreOneBasedOnlyBesideALiteralProgChg) {
    RemapRule r = parsed("1 ProgChg 1 10 0 0 n 2 ProgChg 11 20 0 0");
    EXPECT_EQ(r.data1MinIn, 0);
    EXPECT_EQ(r.data1MaxIn, 9);
    EXPECT_EQ(r.passFlag, 'N');
    EXPECT_EQ(r.channelOut, 1);
    EXPECT_EQ(r.data1MinOut, 10);
    EXPECT_EQ(r.data1MaxOut, 19);

    RemapRule mixed = parsed("1,ProgChg,*,5,0,0,Y,*,*,5,5,0,0");
    EXPECT_EQ(mixed.data1MinIn, Wildcard);  // "*" stays "*"
    EXPECT_EQ(mixed.data1MaxIn, 4);
    EXPECT_EQ(mixed.data1MinOut, 5);  // the output status is "*", not ProgChg
    RemapRule notProgram = parsed("1,Ctrl,5,5,0,0,Y,*,ProgChg,5,5,0,0");
    EXPECT_EQ(notProgram.data1MinIn, 5);
    EXPECT_EQ(notProgram.data1MinOut, 4);
}

TEST(RuleParser, EverySeparatorAndEveryRunOfThemSplitsOnce) {
    RemapRule r = parsed(" \t1,,,NoteOn;;:2:\t3 \r\n4\n5\r\rY  ,16,NoteOff,7,8,9,10\r\n");
    EXPECT_EQ(r.channelIn, 0);
    EXPECT_EQ(r.statusIn, 0x90);
    EXPECT_EQ(r.data1MinIn, 2);
    EXPECT_EQ(r.data1MaxIn, 3);
    EXPECT_EQ(r.data2MinIn, 4);
    EXPECT_EQ(r.data2MaxIn, 5);
    EXPECT_EQ(r.passFlag, 'Y');
    EXPECT_EQ(r.channelOut, 15);
    EXPECT_EQ(r.statusOut, 0x80);
    EXPECT_EQ(r.data1MinOut, 7);
    EXPECT_EQ(r.data2MaxOut, 10);
    // An empty field cannot be written: doubled commas shift nothing.
    RemapRule doubled = parsed("1,,,,PitchB,*,*,65,127,N,*,Ctrl,5,5,0,127");
    EXPECT_EQ(doubled.statusIn, 0xE0);
    EXPECT_EQ(doubled.data2MaxOut, 127);
}

TEST(RuleParser, StatusTokensInAnyLetterCase) {
    const std::pair<const char*, int32_t> kTokens[] = {
        {"noteoff", 0x80}, {"NOTEON", 0x90},  {"kEyAfT", 0xA0}, {"ctrl", 0xB0},
        {"PROGCHG", 0xC0}, {"chanaft", 0xD0}, {"Pitchb", 0xE0}, {"DISCARD", 0},
        {"rpn", 303},      {"nRpN", 300},     {"*", Wildcard},
    };
    for (auto [token, code] : kTokens) {
        int32_t found = -1;
        EXPECT_TRUE(lookupStatus(token, found)) << token;
        EXPECT_EQ(found, code) << token;
    }
    int32_t untouched = 7;
    for (const char* unknown : {"Foo", "Note", "NoteOnX", "**", "", "RPNs"}) {
        EXPECT_FALSE(lookupStatus(unknown, untouched)) << unknown;
        EXPECT_EQ(untouched, 7);
    }
}

TEST(RuleParser, NumberConversion) {
    const std::pair<const char*, int32_t> kNumbers[] = {
        {"*", Wildcard},
        {"**", 0},
        {"129", 129},
        {"0", 0},
        {"+5", 5},
        {"-5", -5},
        {"12abc", 12},
        {"abc", 0},
        {"--5", 0},
        {"+", 0},
        {"-", 0},
        {"007", 7},
        {"*5", 0},
        {"5*", 5},
        {"\v5", 0},
        {"2147483647", INT32_MAX},
        {"99999999999999999999", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"-99999999999999999999", INT32_MIN},
    };
    for (auto [token, value] : kNumbers) EXPECT_EQ(convertNumber(token), value) << token;
}

TEST(RuleParser, PassFlagYOrNInAnyCaseAndNoFlagOtherwise) {
    const std::pair<const char*, char> kFlags[] = {{"y", 'Y'}, {"Y", 'Y'}, {"n", 'N'}, {"N", 'N'},
                                                   {"yes", 0}, {"0", 0},   {"*", 0}};
    for (auto [token, flag] : kFlags) {
        std::string text = std::string("1,NoteOn,*,*,*,*,") + token + ",*,*,*,*,*,*";
        EXPECT_EQ(parsed(text.c_str()).passFlag, flag) << token;
    }
}

TEST(RuleParser, SwapMarkers) {
    struct Case {
        const char* tail;
        char swap1, swap2;
    } cases[] = {
        {"", 0, 0},         {",<", '<', 0},     {",>", '>', 0},
        {",<,>", '<', '>'}, {",>,<", '>', '<'}, {",<,x", '<', 0},
        {",x,<", 0, 0},     {",<<", 0, 0},      {",<,>,junk", '<', '>'},
        {",>,>", '>', '>'},
    };
    for (const auto& c : cases) {
        std::string text = std::string(kHelpExample) + c.tail;
        RemapRule r = parsed(text.c_str());
        EXPECT_EQ(r.swap1, c.swap1) << text;
        EXPECT_EQ(r.swap2, c.swap2) << text;
    }
}

TEST(RuleParser, FailuresLeaveTheRuleEmpty) {
    std::string tooLong = std::string(kHelpExample) + std::string(200, ' ');
    const char* kBad[] = {
        "",
        "1,PitchB,*,*,65,127,N,*,Ctrl,5,5,0",  // twelve values
        "1,Foo,*,*,65,127,N,*,Ctrl,5,5,0,127",
        "1,PitchB,*,*,65,127,N,*,Bar,5,5,0,127",
        ",,,;;;   ",
        tooLong.c_str(),
    };
    for (const char* text : kBad) {
        RemapRule r;
        std::memset(&r, 0x55, sizeof r);
        EXPECT_FALSE(parseRuleText(text, r)) << text;
        EXPECT_EQ(r.statusIn, 0);
        EXPECT_EQ(r.data2MaxOut, 0);
        EXPECT_EQ(r.passFlag, 0);
        EXPECT_EQ(r.swap2, 0);
    }
    RemapRule r;
    EXPECT_FALSE(parseRuleText(nullptr, r));
}

// A cut text could read as another valid rule, so an over-long one is refused whole.
TEST(RuleParser, TextsOfMoreThan127CharactersAreRejectedNotCut) {
    std::string exact = kHelpExample;
    exact += std::string(kMaxRuleTextLength - exact.size(), ' ');
    ASSERT_EQ(exact.size(), 127u);
    RemapRule r;
    EXPECT_TRUE(parseRuleText(exact.c_str(), r));

    // Cut to 127 characters this would read as a rule with data 2 out up to 12.
    std::string longer = "1,PitchB,*,*,65,127,N,*,Ctrl,5,5,0,12" + std::string(90, ' ') + "7";
    ASSERT_EQ(longer.size(), 128u);
    EXPECT_FALSE(parseRuleText(longer.c_str(), r));
    EXPECT_EQ(r.statusIn, 0);
}

TEST(RuleTable, HighestSlotRisesOnlyWithParsedRules) {
    RuleTable table;
    EXPECT_FALSE(table.hasArray());
    EXPECT_EQ(table.slotsInUse(), 0);
    table.parseRule(kHelpExample, 0);  // no array yet: nothing happens
    ASSERT_TRUE(table.rebuild(10));
    EXPECT_EQ(table.slotsInUse(), 1);

    table.parseRule(kHelpExample, 2);
    EXPECT_EQ(table.highestSlot(), 2);
    table.parseRule(kHelpExample, 1);
    EXPECT_EQ(table.highestSlot(), 2);
    table.parseRule("1,PitchB,*,*,65,127,N,*,Ctrl,5,5,0", 5);
    EXPECT_EQ(table.highestSlot(), 2);
    table.parseRule("junk", 2);
    EXPECT_EQ(table.slot(2).statusIn, 0);
    EXPECT_EQ(table.slot(1).statusIn, 0xE0);
    EXPECT_EQ(table.highestSlot(), 2);
    EXPECT_EQ(table.slotsInUse(), 3);

    table.parseRule(kHelpExample, 10);
    table.parseRule(kHelpExample, -1);
    EXPECT_EQ(table.highestSlot(), 2);

    ASSERT_TRUE(table.rebuild(0));
    EXPECT_TRUE(table.hasArray());
    EXPECT_EQ(table.highestSlot(), 0);
    EXPECT_EQ(table.slotsInUse(), 0);
}

}  // namespace
}  // namespace midi_bender
