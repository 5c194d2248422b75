// The input stage and the RPN/NRPN assembler: what is held, what leaves,
// and with which time stamp.
#include <gtest/gtest.h>

#include <random>

#include "fake_port.h"

namespace midi_bender {
namespace {

using Words = std::vector<int32_t>;
using Stamped = std::vector<Sent>;

// Each message arrives ten samples after the one before it, at the clock.
struct Stream : Remapper {
    using Remapper::Remapper;
    void play(const Words& words) {
        for (int32_t w : words) {
            port.clock += 10;
            receive(w);
        }
    }
};

TEST(ParameterAssembler, RpnDataEntryLeavesWhenTheSecondByteArrives) {
    Stream s;
    s.play({cc(0, 101, 0), cc(0, 100, 0), cc(0, 6, 2)});
    EXPECT_TRUE(s.port.sent.empty());
    s.play({cc(0, 38, 0)});
    EXPECT_EQ(
        s.port.sent,
        (Stamped{{40, cc(0, 101, 0)}, {40, cc(0, 100, 0)}, {40, cc(0, 6, 2)}, {40, cc(0, 38, 0)}}));
    s.port.sent.clear();
    s.play({cc(0, 6, 3)});  // the same parameter: sent at once, only what changed
    EXPECT_EQ(s.port.sent, (Stamped{{50, cc(0, 6, 3)}}));
    s.port.sent.clear();
    s.play({cc(0, 38, 9)});
    EXPECT_EQ(s.port.sent, (Stamped{{60, cc(0, 38, 9)}}));
}

TEST(ParameterAssembler, WhatLeavesForEachSequence) {
    struct Case {
        const char* name;
        Words in;
        Words out;
    } cases[] = {
        {"LSB before MSB in both pairs",
         {cc(3, 98, 1), cc(3, 99, 8), cc(3, 38, 44), cc(3, 6, 2)},
         {cc(3, 99, 8), cc(3, 98, 1), cc(3, 6, 2), cc(3, 38, 44)}},
        {"increment after a complete select",
         {cc(0, 101, 0), cc(0, 100, 0), cc(0, 96, 1)},
         {cc(0, 101, 0), cc(0, 100, 0), cc(0, 96, 1)}},
        {"decrement of an NRPN",
         {cc(0, 99, 1), cc(0, 98, 2), cc(0, 97, 5)},
         {cc(0, 99, 1), cc(0, 98, 2), cc(0, 97, 5)}},
        {"a lone select is let go by the next message",
         {cc(0, 99, 1), word(0x90, 60, 100)},
         {cc(0, 99, 1), word(0x90, 60, 100)}},
        {"Data Entry without a select is an ordinary controller",
         {cc(0, 6, 5), cc(0, 38, 1), cc(0, 96, 1)},
         {cc(0, 6, 5), cc(0, 38, 1), cc(0, 96, 1)}},
        {"a held Data Entry MSB leaves with LSB 0 when something else arrives",
         {cc(0, 101, 0), cc(0, 100, 7), cc(0, 6, 2), word(0xC0, 4, 0)},
         {cc(0, 101, 0), cc(0, 100, 7), cc(0, 6, 2), cc(0, 38, 0), word(0xC0, 4, 0)}},
        {"a second MSB before any LSB sends the first one",
         {cc(0, 101, 0), cc(0, 100, 7), cc(0, 6, 2), cc(0, 6, 3), cc(0, 38, 1)},
         {cc(0, 101, 0), cc(0, 100, 7), cc(0, 6, 2), cc(0, 38, 0), cc(0, 6, 3), cc(0, 38, 1)}},
        {"switching family lets the other family's select go",
         {cc(0, 99, 1), cc(0, 101, 0), cc(0, 100, 0), cc(0, 6, 1), cc(0, 38, 0)},
         {cc(0, 99, 1), cc(0, 101, 0), cc(0, 100, 0), cc(0, 6, 1), cc(0, 38, 0)}},
        {"a repeated select byte lets the first go",
         {cc(0, 98, 1), cc(0, 98, 2), cc(0, 99, 0), cc(0, 6, 0), cc(0, 38, 9)},
         {cc(0, 98, 1), cc(0, 99, 0), cc(0, 98, 2), cc(0, 6, 0), cc(0, 38, 9)}},
        {"a select then Data Entry of the other byte only: no complete parameter",
         {cc(0, 101, 0), cc(0, 6, 1)},
         {cc(0, 101, 0), cc(0, 6, 1)}},
        {"other controllers pass straight when nothing is held",
         {cc(0, 7, 100), cc(0, 102, 1)},
         {cc(0, 7, 100), cc(0, 102, 1)}},
        {"re-selecting the same pair sends the value, not the select",
         {cc(0, 101, 0), cc(0, 100, 0), cc(0, 6, 1), cc(0, 38, 0), cc(0, 101, 0), cc(0, 100, 0),
          cc(0, 6, 2), cc(0, 38, 0)},
         {cc(0, 101, 0), cc(0, 100, 0), cc(0, 6, 1), cc(0, 38, 0), cc(0, 6, 2), cc(0, 38, 0)}},
    };
    for (const auto& c : cases) {
        Stream s;
        s.play(c.in);
        EXPECT_EQ(s.port.words(), c.out) << c.name;
    }
}

TEST(ParameterAssembler, HeldControllersCarryTheClockAtWhichTheyAreLetGo) {
    Stream s;
    s.play({cc(0, 99, 1), cc(0, 98, 2)});
    s.port.clock = 500;
    s.remapper.receive(word(0x90, 60, 1), 480);
    EXPECT_EQ(s.port.sent,
              (Stamped{{500, cc(0, 99, 1)}, {500, cc(0, 98, 2)}, {500, word(0x90, 60, 1)}}));
}

TEST(ParameterAssembler, ASelectOnAnotherChannelEndsTheSequenceWithoutStartingOne) {
    Stream s;
    s.play({cc(0, 101, 0), cc(0, 100, 0), cc(1, 101, 0)});
    EXPECT_EQ(s.port.words(), (Words{cc(0, 101, 0), cc(0, 100, 0), cc(1, 101, 0)}));
    s.port.sent.clear();
    s.play({cc(1, 101, 0), cc(1, 100, 0), cc(1, 6, 1), cc(1, 38, 0)});
    EXPECT_EQ(s.port.words(), (Words{cc(1, 101, 0), cc(1, 100, 0), cc(1, 6, 1), cc(1, 38, 0)}));
}

TEST(ParameterAssembler, MessagesBetweenSequencesLeaveTheSelectedParameterAlone) {
    Stream s;
    s.play({cc(0, 101, 0), cc(0, 100, 2), cc(0, 6, 64), cc(0, 38, 0)});
    s.port.sent.clear();
    s.play({word(0xC0, 5, 0), word(0x90, 60, 1), cc(0, 6, 65)});
    EXPECT_EQ(s.port.words(), (Words{word(0xC0, 5, 0), word(0x90, 60, 1), cc(0, 6, 65)}));
}

TEST(ParameterAssembler, SystemMessagesPassWithTheirOwnTimeAndDoNotInterrupt) {
    Stream s;
    s.play({cc(0, 101, 0), cc(0, 100, 0), cc(0, 6, 2)});
    s.remapper.receive(0xF8, 7);
    s.remapper.receive(int32_t(0xFF0102F0), 8);  // unchanged, high bits included
    s.play({cc(0, 38, 0)});
    EXPECT_EQ(s.port.sent, (Stamped{{7, 0xF8},
                                    {8, int32_t(0xFF0102F0)},
                                    {40, cc(0, 101, 0)},
                                    {40, cc(0, 100, 0)},
                                    {40, cc(0, 6, 2)},
                                    {40, cc(0, 38, 0)}}));
}

TEST(ParameterAssembler, AssembledMessagesMeetTheRules) {
    Stream s({"1,RPN,0,0,0,16383,N,*,Ctrl,7,7,0,127", "1,NRPN,*,*,*,*,N,*,Discard,*,*,*,*",
              "*,Ctrl,99,99,*,*,N,*,Ctrl,20,20,*,*"});
    s.play({cc(0, 101, 0), cc(0, 100, 0), cc(0, 6, 127), cc(0, 38, 127)});
    s.play({cc(0, 99, 0), cc(0, 98, 1), cc(0, 6, 0), cc(0, 38, 0)});  // discarded as one
    s.play({cc(0, 99, 3), word(0x80, 1, 0)});  // let go: an ordinary controller 99
    EXPECT_EQ(s.port.words(), (Words{cc(0, 7, 127), cc(0, 20, 3), word(0x80, 1, 0)}));
}

// With nothing held, an interruption has nothing to let go: the parameter
// already sent is not sent a second time.
TEST(ParameterAssembler, AnInterruptionWithNothingHeldSendsNoRepeat) {
    Stream s({"1,RPN,0,0,*,*,N,*,NoteOn,60,60,*,*"});
    s.play({cc(0, 101, 0), cc(0, 100, 0), cc(0, 6, 0), cc(0, 38, 100)});
    s.play({cc(1, 6, 5)});
    EXPECT_EQ(s.port.words(), (Words{word(0x90, 60, 100), cc(1, 6, 5)}));
}

TEST(ParameterAssembler, LongRunsOfSelectsNeverOverflowTheHeldBuffer) {
    Stream s;
    Words selects;
    for (int i = 0; i < 6; ++i) selects.push_back(cc(0, i % 2 ? 98 : 99, i));
    s.play(selects);
    EXPECT_EQ(s.remapper.assembler().pendingCount(), 1);
    EXPECT_EQ(s.port.words(), (Words{cc(0, 99, 0), cc(0, 98, 1), cc(0, 99, 2), cc(0, 98, 3),
                                     cc(0, 99, 4)}));  // the sixth waits for what follows
    s.play({cc(0, 6, 1), cc(0, 38, 2)});
    Words expected{cc(0, 99, 0), cc(0, 98, 1), cc(0, 99, 2), cc(0, 98, 3), cc(0, 99, 4),
                   cc(0, 99, 4), cc(0, 98, 5), cc(0, 6, 1),  cc(0, 38, 2)};
    EXPECT_EQ(s.port.words(), expected);

    Stream full;  // five selects and a Data Entry byte
    full.play({cc(0, 99, 0), cc(0, 98, 1), cc(0, 99, 2), cc(0, 98, 3), cc(0, 99, 4), cc(0, 6, 1),
               word(0x90, 1, 1)});
    EXPECT_EQ(full.port.words(),
              (Words{cc(0, 99, 0), cc(0, 98, 1), cc(0, 99, 2), cc(0, 98, 3), cc(0, 99, 4),
                     cc(0, 99, 4), cc(0, 98, 3), cc(0, 6, 1), cc(0, 38, 0), word(0x90, 1, 1)}));
}

TEST(ParameterAssembler, ControllerStormsKeepTheHeldBufferBoundedAndEndCleanly) {
    std::mt19937 random(2026);
    const int kControllers[] = {6, 38, 96, 97, 98, 99, 100, 101, 7};
    Stream s({"*,Ctrl,*,*,*,*,Y,*,RPN,*,*,*,*", "*,RPN,*,*,*,*,Y,*,NRPN,*,*,*,*,<,>",
              "*,NRPN,*,*,*,*,Y,*,Ctrl,*,*,0,127"});
    for (int i = 0; i < 200000; ++i) {
        int32_t w;
        if (random() % 4 == 0)
            w = int32_t(random());  // anything at all, high bits included
        else
            w = cc(int(random() % 3), kControllers[random() % 9], int(random() % 128));
        s.play({w});
        ASSERT_LE(s.remapper.assembler().pendingCount(), ParameterAssembler::kPendingCapacity);
    }
    s.port.sent.clear();
    s.play({word(0x90, 1, 2)});  // lets go of whatever is held, then leaves itself
    ASSERT_FALSE(s.port.sent.empty());
    EXPECT_EQ(s.port.sent.back().word, word(0x90, 1, 2));
    for (const auto& sent : s.port.sent) EXPECT_EQ(sent.time, s.port.clock);
}

}  // namespace
}  // namespace midi_bender
