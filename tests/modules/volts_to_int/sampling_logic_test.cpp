// Rounding, rates, window lengths and reductions on their own.
#include <gtest/gtest.h>

#include <cfenv>
#include <cfloat>
#include <cmath>
#include <cstring>

#include "rounding.h"
#include "sampling_window.h"

namespace {

using namespace sampling;

uint64_t bitsOf(double x) {
    uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return bits;
}

TEST(Rounding, OffsetsHaveTheirBitPatterns) {
    EXPECT_EQ(bitsOf(roundingOffset(0)), 0x3FDFFFFFA0000000ull);
    EXPECT_EQ(bitsOf(roundingOffset(1)), 0xBE78000000000000ull);
    EXPECT_EQ(bitsOf(roundingOffset(2)), 0xBFDFFFFFE0000000ull);
    for (int16_t unknown : {-1, 3, 255, INT16_MIN})
        EXPECT_EQ(roundingOffset(unknown), kTruncateOffset) << unknown;
}

struct RoundCase {
    int16_t mode;
    float scaled;
    int32_t expected;
};

TEST(Rounding, EachModeRoundsAsItsNameSays) {
    const RoundCase cases[] = {
        {0, 2.0f, 2},
        {0, 2.9999f, 2},
        {0, -0.5f, -1},
        {0, 2.5f, 2},
        {0, 0.99999994f, 1},  // within 9e-8 below the next integer
        {1, 2.5f, 3},
        {1, -2.5f, -2},
        {1, 2.4999f, 2},
        {1, 3.5f, 4},
        {2, 2.0f, 2},
        {2, 2.00001f, 3},
        {2, -2.7f, -2},
        {2, 2.5f, 3},
        {0, 0.0f, 0},
        {1, 0.0f, 0},
        {2, 0.0f, 0},
        {0, -2147483648.0f, INT32_MIN},
        {0, 2147483520.0f, 2147483520},  // the largest float below 2^31
    };
    for (const auto& c : cases)
        EXPECT_EQ(roundedResult(c.scaled, roundingOffset(c.mode)), c.expected)
            << "mode " << c.mode << ", " << c.scaled;
}

TEST(Rounding, ResultsOutsideInt32AndNonNumbersGiveTheLowestInt) {
    for (float scaled :
         {2147483648.0f, -2147483904.0f, FLT_MAX, -FLT_MAX, INFINITY, -INFINITY, NAN, -NAN})
        for (int16_t mode : {0, 1, 2})
            EXPECT_EQ(roundedResult(scaled, roundingOffset(mode)), INT32_MIN) << scaled;
}

TEST(Rounding, TiesGoToEvenWhateverTheRoundingDirection) {
    const double ties[] = {0.5, 1.5, 2.5, -0.5, -1.5, -2.5, 4503599627370495.5};
    const double even[] = {0.0, 2.0, 2.0, -0.0, -2.0, -2.0, 4503599627370496.0};
    for (int direction : {FE_TONEAREST, FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
        std::fesetround(direction);
        for (size_t i = 0; i < std::size(ties); ++i) EXPECT_EQ(roundHalfEven(ties[i]), even[i]);
        EXPECT_EQ(roundHalfEven(2.4999999999), 2.0);
        EXPECT_EQ(roundHalfEven(-2.5000000001), -3.0);
    }
    std::fesetround(FE_TONEAREST);
}

TEST(SamplingRate, IsClampedToItsRange) {
    const std::pair<float, float> cases[] = {
        {40.0f, 40.0f},      {0.0001f, 0.0001f}, {0.0f, 0.0001f},      {-5.0f, 0.0001f},
        {0.00009f, 0.0001f}, {NAN, 0.0001f},     {-INFINITY, 0.0001f}, {500.0f, 500.0f},
        {500.01f, 100.0f},   {600.0f, 100.0f},   {INFINITY, 100.0f},   {FLT_MAX, 100.0f},
    };
    for (auto [rate, accepted] : cases) EXPECT_EQ(acceptedSamplingRate(rate), accepted) << rate;
    EXPECT_EQ(bitsOf(double(acceptedSamplingRate(0.0f))), bitsOf(9.999999747378752e-05));
}

TEST(WindowLength, IsTheSampleRateOverTheSamplingRateTruncated) {
    EXPECT_EQ(windowLength(44100.0f, 40.0f), 1102);
    EXPECT_EQ(windowLength(44100.0f, acceptedSamplingRate(0.0f)), 441000011);
    EXPECT_EQ(windowLength(44100.0f, acceptedSamplingRate(600.0f)), 441);
    EXPECT_EQ(windowLength(44100.0f, 500.0f), 88);
    EXPECT_EQ(windowLength(48000.0f, 3.0f), 16000);
}

TEST(WindowLength, StaysBetweenOneSampleAndTwoToTheThirty) {
    EXPECT_EQ(windowLength(768000.0f, acceptedSamplingRate(0.0f)), 1 << 30);
    EXPECT_EQ(windowLength(214748.0f, 0.0001f), 1 << 30);
    EXPECT_EQ(windowLength(100.0f, 500.0f), 1);
    EXPECT_EQ(windowLength(0.0f, 40.0f), 1);
    EXPECT_EQ(windowLength(-44100.0f, 40.0f), 1);
    EXPECT_EQ(windowLength(NAN, 40.0f), 1);
    EXPECT_EQ(windowLength(INFINITY, 40.0f), 1 << 30);
    EXPECT_EQ(boundedLength(1024.0), 1024);
    EXPECT_EQ(boundedLength(0.0), 1);
    EXPECT_EQ(boundedLength(-1.0), 1);
    EXPECT_EQ(boundedLength(3e9), 1 << 30);
}

TEST(SampleClock, AdvancesAcrossTheWrapOfTheClockWord) {
    EXPECT_EQ(clockPlus(100, 1102), 1202);
    EXPECT_EQ(clockPlus(INT32_MAX, 1), INT32_MIN);
    EXPECT_EQ(clockPlus(INT32_MAX - 5, 1 << 30), INT32_MIN + (1 << 30) - 6);
}

TEST(Reduction, GivesVoltsByTheMethod) {
    EXPECT_EQ(scaleSample(0.25f), 2.5f);
    EXPECT_EQ(scaleStartEnd(0.1f, 0.3f), 2.0f);
    float sum = 0.0f;
    for (float sample : {0.1f, 0.2f, 0.3f}) sum += sample;
    EXPECT_EQ(scaleAll(sum, 3, 7.0f), 2.0f);
    EXPECT_EQ(scaleAll(0.0f, 0, 7.0f), 7.0f);  // an empty window keeps the previous value
    EXPECT_EQ(scaleStartEnd(FLT_MAX, FLT_MAX), INFINITY);
    EXPECT_TRUE(std::isnan(scaleAll(NAN, 4, 1.0f)));
}

TEST(Reduction, UnknownMethodsMeanAll) {
    EXPECT_EQ(samplingMethodOf(0), SamplingMethod::Start);
    EXPECT_EQ(samplingMethodOf(1), SamplingMethod::End);
    EXPECT_EQ(samplingMethodOf(2), SamplingMethod::StartEnd);
    for (int16_t unknown : {3, 4, -1, INT16_MAX})
        EXPECT_EQ(samplingMethodOf(unknown), SamplingMethod::All);
}

}  // namespace
