// The message texts on their own: how numbers are written and read back.
#include "data_messages.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using data_messages::numberMessage;
using data_messages::readDecimal;

std::string text(const data_messages::Message& m) {
    return std::string(m.text, size_t(m.byteCount) - 1);
}

std::string printed(char letter, double value) {
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%c%f", letter, value);
    return buffer;
}

TEST(DataMessages, NumbersAreWrittenInFixedPointWithSixDecimals) {
    EXPECT_EQ(text(numberMessage('v', 10.0f * double(0.1f))), "v1.000000");
    EXPECT_EQ(text(numberMessage('v', 5.0f * double(0.1f))), "v0.500000");
    EXPECT_EQ(text(numberMessage('d', 0.25f * 10.0)), "d2.500000");
    EXPECT_EQ(text(numberMessage('d', -0.0000004)), "d-0.000000");
    EXPECT_EQ(numberMessage('v', 1.0).byteCount, 10);  // the NUL counts
    EXPECT_EQ(data_messages::letterMessage('O').byteCount, 2);
    EXPECT_STREQ(data_messages::letterMessage('s').text, "s");
}

TEST(DataMessages, TheLongestFloatIsWrittenInFull) {
    for (double value : {double(-FLT_MAX) * 10.0, double(FLT_MAX) * double(0.1f), -DBL_MAX}) {
        auto m = numberMessage('d', value);
        EXPECT_EQ(text(m), printed('d', value));
        EXPECT_EQ(m.text[m.byteCount - 1], '\0');
    }
    EXPECT_EQ(numberMessage('d', double(-FLT_MAX) * 10.0).byteCount, 50);
}

struct ReadCase {
    const char* text;
    float expected;
};

TEST(DataMessages, NumbersAreReadUpToTheFirstOtherCharacter) {
    const ReadCase cases[] = {
        {"1.000000", 1.0f},    {"-0.25", -0.25f}, {"  +2.5", 2.5f},   {"\t-3", -3.0f},
        {".5", 0.5f},          {"5.", 5.0f},      {"1e3", 1000.0f},   {"1.5E-1x", 0.15f},
        {"2e", 2.0f},          {"2e+", 2.0f},     {"7 8", 7.0f},      {"", 0.0f},
        {"-", 0.0f},           {".", 0.0f},       {"abc", 0.0f},      {"inf", 0.0f},
        {"nan", 0.0f},         {"-nan", 0.0f},    {"0x10", 0.0f},     {"1e400", INFINITY},
        {"-1e400", -INFINITY}, {"1e-400", 0.0f},  {"1e39", INFINITY}, {"0.1", 0.1f},
    };
    for (const auto& c : cases) {
        float read = readDecimal(c.text, std::string(c.text).size() + 1);
        if (std::isinf(c.expected))
            EXPECT_EQ(read, c.expected) << c.text;
        else
            EXPECT_FLOAT_EQ(read, c.expected) << c.text;
    }
    EXPECT_FALSE(std::signbit(readDecimal("-", 2)));  // no digits give +0.0
}

// Exact-size heap copies, so a read past the given bytes is caught by the sanitizer.
TEST(DataMessages, ReadingNeverPassesTheByteCount) {
    std::vector<char> unterminated{'v', '0', '.', '5', '9', '9'};
    EXPECT_EQ(data_messages::numberAfterLetter(unterminated.data(), 4), 0.5f);
    EXPECT_EQ(data_messages::numberAfterLetter(unterminated.data(), 2), 0.0f);
    EXPECT_EQ(data_messages::numberAfterLetter(unterminated.data(), 6), 0.599f);
    EXPECT_EQ(data_messages::numberAfterLetter(unterminated.data(), 1), 0.0f);
    EXPECT_EQ(data_messages::numberAfterLetter(unterminated.data(), 0), 0.0f);
    EXPECT_EQ(data_messages::numberAfterLetter(unterminated.data(), -5), 0.0f);
    EXPECT_EQ(data_messages::numberAfterLetter(nullptr, 10), 0.0f);
    EXPECT_EQ(data_messages::letterOf(unterminated.data(), 0), '\0');
    EXPECT_EQ(data_messages::letterOf(nullptr, 3), '\0');

    std::vector<char> early{'v', '1', '\0', '9', '9'};  // the NUL ends the text within the count
    EXPECT_EQ(data_messages::numberAfterLetter(early.data(), 5), 1.0f);
}

TEST(DataMessages, VeryLongNumbersAreReadWhole) {
    std::string blanks = "v" + std::string(5000, ' ') + "0.75";
    std::vector<char> padded(blanks.begin(), blanks.end());
    EXPECT_EQ(data_messages::numberAfterLetter(padded.data(), int32_t(padded.size())), 0.75f);

    std::string zeros = "v" + std::string(5000, '0') + "12.5" + std::string(3000, '0');
    std::vector<char> long_(zeros.begin(), zeros.end());
    EXPECT_EQ(data_messages::numberAfterLetter(long_.data(), int32_t(long_.size())), 12.5f);

    std::string digits = "v" + std::string(400, '9');
    std::vector<char> huge(digits.begin(), digits.end());
    EXPECT_EQ(data_messages::numberAfterLetter(huge.data(), int32_t(huge.size())), INFINITY);

    std::string tiny = "v0." + std::string(400, '0') + "1e99999999999999999999";
    EXPECT_EQ(readDecimal(tiny.c_str() + 1, tiny.size()), INFINITY);
}

TEST(DataMessages, WrittenNumbersReadBackAsTheSameFloat) {
    for (float value : {0.0f, 1.0f, -0.25f, 3.5f, 1234.5f, FLT_MAX, -FLT_MAX}) {
        auto m = numberMessage('v', value);
        EXPECT_EQ(data_messages::numberAfterLetter(m.text, m.byteCount), value) << text(m);
    }
}

}  // namespace
