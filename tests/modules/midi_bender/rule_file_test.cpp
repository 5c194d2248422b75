// Rule files into rule tables: line ends, skipped and empty lines, bad and
// huge files, files that cannot be read.
#include "rule_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <string>

#include "temp_folder.h"

namespace midi_bender {
namespace {

constexpr const char* kRuleA = "1,NoteOn,*,*,*,*,N,*,NoteOff,*,*,*,127";
constexpr const char* kRuleB = "2,Ctrl,7,7,*,*,Y,*,Ctrl,8,8,0,127";

std::string lines(std::initializer_list<std::string> texts, const std::string& end) {
    std::string out;
    for (const auto& t : texts) out += t + end;
    return out;
}

// The table a file's bytes give, loaded from a copy with its spare byte.
RuleTable load(const std::string& bytes) {
    std::string data = bytes + '#';  // the spare byte; anything but a terminator
    RuleTable table;
    EXPECT_TRUE(loadRuleLines(data.data(), bytes.size(), table));
    return table;
}

bool isEmpty(const RemapRule& r) {
    return r.statusIn == 0 && r.statusOut == 0 && r.channelIn == 0 && r.data2MaxOut == 0;
}

TEST(RuleFile, LfAndCrLfFilesParseAlikeDownToTheLastCharacter) {
    for (const char* end : {"\r\n", "\n"}) {
        RuleTable table = load(lines({kRuleA, kRuleB, kRuleA}, end));
        ASSERT_EQ(table.slotCount(), 3) << "line end " << (end[0] == '\r' ? "CR LF" : "LF");
        EXPECT_EQ(table.highestSlot(), 2);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(table.slot(i).data2MaxOut, 127) << i;
        EXPECT_EQ(table.slot(1).data1MaxOut, 8);
    }
}

TEST(RuleFile, SlotsFollowTheUsedLines) {
    struct Case {
        const char* name;
        std::string bytes;
        int32_t slots;
        int32_t highest;
        std::vector<int> filled;
    } cases[] = {
        {"empty first line skipped, later empty line kept",
         std::string("\r\n") + lines({kRuleA, "", kRuleB}, "\r\n"),
         3,
         2,
         {0, 2}},
        {"LF empty first line skipped",
         std::string("\n") + lines({kRuleA, kRuleB}, "\n"),
         2,
         1,
         {0, 1}},
        {"a two-byte first line is skipped like an empty one",
         std::string("x\n") + lines({kRuleA}, "\n"),
         1,
         0,
         {0}},
        {"no final line feed", lines({kRuleA}, "\n") + kRuleB, 2, 1, {0, 1}},
        {"final line ending in CR only", lines({kRuleA}, "\n") + kRuleB + "\r", 2, 1, {0, 1}},
        {"a single byte after the last line feed is ignored",
         lines({kRuleA}, "\n") + "7",
         1,
         0,
         {0}},
        {"two bytes after it make a line", lines({kRuleA}, "\n") + "77", 2, 0, {0}},
        {"a line holding a NUL byte leaves an empty slot",
         lines({kRuleA, std::string(kRuleB) + '\0' + "0", kRuleA}, "\n"),
         3,
         2,
         {0, 2}},
        {"a line longer than 127 characters leaves an empty slot",
         lines({kRuleA, std::string(kRuleB) + std::string(120, ' ')}, "\r\n"),
         2,
         0,
         {0}},
        {"a 127-character line with CR LF is whole",
         lines({kRuleA, std::string(kRuleB) + std::string(127 - 33, ' ')}, "\r\n"),
         2,
         1,
         {0, 1}},
        {"empty file", "", 0, 0, {}},
        {"one byte", "\n", 0, 0, {}},
        {"two bytes", "ab", 0, 0, {}},
        {"only line feeds: the second ends within two bytes too", "\n\n\n\n", 1, 0, {}},
    };
    for (const auto& c : cases) {
        RuleTable table = load(c.bytes);
        ASSERT_TRUE(table.hasArray()) << c.name;
        EXPECT_EQ(table.slotCount(), c.slots) << c.name;
        EXPECT_EQ(table.highestSlot(), c.highest) << c.name;
        for (int32_t i = 0; i < table.slotCount(); ++i) {
            bool filled = std::find(c.filled.begin(), c.filled.end(), i) != c.filled.end();
            EXPECT_EQ(!isEmpty(table.slot(i)), filled) << c.name << ": slot " << i;
        }
    }
}

TEST(RuleFile, GarbageGivesOneSlotPerUsedLineAndReadsNothingPastTheData) {
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        std::string bytes(random() % 600, '\0');
        for (char& b : bytes) b = char(random() % 4 == 0 ? '\n' : random() % 256);
        int32_t expected = 0;
        size_t at = 0;
        while (bytes.size() - at >= 2) {
            size_t feed = bytes.find('\n', at);
            size_t end = feed == std::string::npos ? bytes.size() : feed + 1;
            if (end > 2) ++expected;
            at = end;
        }
        // Exactly the bytes and the spare one, so a sanitizer sees any overread.
        auto data = std::make_unique<char[]>(bytes.size() + 1);
        std::memcpy(data.get(), bytes.data(), bytes.size());
        RuleTable table;
        ASSERT_TRUE(loadRuleLines(data.get(), bytes.size(), table));
        EXPECT_EQ(table.slotCount(), expected) << "round " << round;
    }
}

TEST(RuleFile, HugeFilesKeepABoundedNumberOfRules) {
    TempFolder folder;
    std::string rule = std::string(kRuleA) + "\r\n";
    std::string many;
    many.reserve(rule.size() * (kMaxFileRules + 10));
    for (int i = 0; i < kMaxFileRules + 10; ++i) many += rule;
    RuleTable table;
    ASSERT_TRUE(readRuleFile(folder.write("many.txt", many).c_str(), table));
    EXPECT_EQ(table.slotCount(), kMaxFileRules);
    EXPECT_EQ(table.highestSlot(), kMaxFileRules - 1);

    std::string feeds(30 << 20, '\n');  // 30 MB of empty lines
    ASSERT_TRUE(readRuleFile(folder.write("feeds.txt", feeds).c_str(), table));
    EXPECT_EQ(table.slotCount(), kMaxFileRules);
    EXPECT_EQ(table.highestSlot(), 0);
    EXPECT_EQ(table.slotsInUse(), 1);

    std::string oneLine(20 << 20, 'x');
    ASSERT_TRUE(readRuleFile(folder.write("one.txt", oneLine).c_str(), table));
    EXPECT_EQ(table.slotCount(), 1);
    EXPECT_TRUE(isEmpty(table.slot(0)));
}

TEST(RuleFile, WhatCannotBeReadLeavesTheTableAsItWas) {
    TempFolder folder;
    RuleTable table;
    ASSERT_TRUE(
        readRuleFile(folder.write("rules.txt", lines({kRuleA, kRuleB}, "\n")).c_str(), table));
    ASSERT_EQ(table.slotCount(), 2);
    std::string missing = (folder.path() / "missing.txt").string();
    std::string directory = folder.path().string();
    for (const char* path :
         {missing.c_str(), directory.c_str(), "", static_cast<const char*>(nullptr)}) {
        EXPECT_FALSE(readRuleFile(path, table)) << (path ? path : "null");
        EXPECT_EQ(table.slotCount(), 2);
        EXPECT_EQ(table.highestSlot(), 1);
    }
    ASSERT_TRUE(readRuleFile(folder.write("empty.txt", "").c_str(), table));
    EXPECT_TRUE(table.hasArray());
    EXPECT_EQ(table.slotCount(), 0);
    EXPECT_EQ(table.slotsInUse(), 0);
}

}  // namespace
}  // namespace midi_bender
