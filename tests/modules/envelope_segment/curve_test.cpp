// Exp, Log and S-curve segments: the table rows seen in the output, the end
// level each curve hands on, and curve changes in the middle of a segment.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "envelope_harness.h"

namespace envelope_test {
namespace {

using modhost::InstanceOptions;

constexpr int16_t kExp = 1, kLog = 2, kSCurve = 3;

// At this rate Duration 1.5 lasts exactly 1000 samples (rate * 2^(15 - 6.6666665)),
// so the n-th sample of a segment shows the table entry at position n.
const float kThousandSampleRate = float(1000.0 / std::pow(2.0, 15.0 - double(6.6666665f)));

struct Rows {
    int16_t curve;
    const char* name;
    float at1, at100, at250, at500, at750, at900, at1000;
};

const Rows kRows[] = {
    {kExp, "Exp", 4.562976e-07f, 7.801341e-05f, 0.0005077075f, 0.006692851f, 0.08204332f,
     0.3678507f, 1.0f},
    {kLog, "Log", 0.00414961f, 0.2890648f, 0.5224428f, 0.7472217f, 0.8924769f, 0.9602526f, 1.0f},
    {kSCurve, "SCurve", 7.443228e-05f, 0.01277625f, 0.07846355f, 0.5052379f, 0.9288967f, 0.9903658f,
     0.999812f},
};

void expectRow(float actual, float row) {
    EXPECT_NEAR(actual, row, std::abs(row) * 6e-7f + 1e-12f);
}

class EachCurve : public ::testing::TestWithParam<Rows> {};
INSTANTIATE_TEST_SUITE_P(Curves, EachCurve, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(EachCurve, SegmentSamplesShowTheTableRows) {
    const Rows& r = GetParam();
    Envelope e(InstanceOptions{.sampleRate = kThousandSampleRate, .blockSize = 256});
    e.set(EndLevel, 1.0f);
    e.timed(1.5f);
    e.curve(r.curve);
    e.gatePulses({10});
    e.runTo(1100);
    ASSERT_EQ(e.finishes(), std::vector<int64_t>{1010});
    EXPECT_EQ(e.out(EnvelopeOut, 10), 0.0f);  // the trigger sample shows Start Level itself
    expectRow(e.out(EnvelopeOut, 11), r.at1);
    expectRow(e.out(EnvelopeOut, 110), r.at100);
    expectRow(e.out(EnvelopeOut, 260), r.at250);
    expectRow(e.out(EnvelopeOut, 510), r.at500);
    expectRow(e.out(EnvelopeOut, 760), r.at750);
    expectRow(e.out(EnvelopeOut, 910), r.at900);
    expectRow(e.out(LevelOut, 1010), r.at1000);  // the level computed for position 1000
}

TEST(Curves, SCurvePeaksAbove1At987) {
    Envelope e(InstanceOptions{.sampleRate = kThousandSampleRate, .blockSize = 256});
    e.set(StartLevel, 0.0f);
    e.set(EndLevel, 1.0f);
    e.timed(1.5f);
    e.curve(kSCurve);
    e.gatePulses({10});
    e.runTo(1100);
    const auto& envelope = e.trace(EnvelopeOut);
    auto peak = std::max_element(envelope.begin(), envelope.end());
    EXPECT_EQ(peak - envelope.begin(), 10 + 987);
    expectRow(*peak, 1.0000206f);
}

TEST(Curves, HandOnTheirEndLevel) {
    struct Case {
        int16_t curve;
        float duration;
        float expectedShare;  // of the range, above Start Level
    } cases[] = {
        // One sample: the position at the finish is exactly 1000.
        {kExp, -1.0f, 1.0f},
        {kLog, -1.0f, 1.0f},
        {kSCurve, -1.0f, 0.999812f},
        // A fractional length passes 1000: End Level exactly.
        {kExp, 0.0f, 1.0f},
        {kLog, 0.0f, 1.0f},
        {kSCurve, 0.0f, 1.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "curve " << c.curve << ", duration " << c.duration);
        Envelope e;
        e.set(StartLevel, 0.3f);
        e.set(EndLevel, -0.2f);  // downwards: the range is negative
        e.timed(c.duration);
        e.curve(c.curve);
        e.gatePulses({10});
        e.runTo(500);
        const auto finishes = e.finishes();
        ASSERT_EQ(finishes.size(), 1u);
        const float level = e.out(LevelOut, finishes[0]);
        if (c.duration == 0.0f)
            EXPECT_EQ(level, -0.2f);
        else  // Start Level plus the share of the range, as computed
            EXPECT_NEAR(level, 0.3f - 0.5f * c.expectedShare, 1e-7f);
    }
}

TEST(Curves, DownwardSegmentsMirrorTheShape) {
    Envelope e(InstanceOptions{.sampleRate = kThousandSampleRate, .blockSize = 256});
    e.set(StartLevel, 0.8f);
    e.set(EndLevel, 0.3f);
    e.timed(1.5f);
    e.curve(kLog);
    e.gatePulses({10});
    e.runTo(600);
    EXPECT_NEAR(e.out(EnvelopeOut, 510), 0.8f - 0.5f * 0.7472217f, 1e-7f);
}

TEST(Curves, AnItemOutsideTheListHoldsStartLevelUntilTheEnd) {
    for (int16_t item : {int16_t(4), int16_t(-1), int16_t(32767)}) {
        SCOPED_TRACE(item);
        Envelope e;
        e.set(StartLevel, 0.1f);
        e.set(EndLevel, 0.6f);
        e.timed(0.0f);
        e.curve(item);
        e.gatePulses({10});
        e.runTo(500);
        for (int64_t t = 10; t < 445; ++t) ASSERT_EQ(e.out(EnvelopeOut, t), 0.1f) << t;
        EXPECT_EQ(e.finishes(), std::vector<int64_t>{445});
        EXPECT_EQ(e.out(LevelOut, 445), 0.6f);
    }
}

TEST(Curves, ChangeInTheMiddleGoesOnFromTheSampleCount) {
    Envelope e(InstanceOptions{.sampleRate = kThousandSampleRate, .blockSize = 256});
    e.set(EndLevel, 1.0f);
    e.timed(1.5f);
    e.curve(kLog);
    e.gatePulses({10});
    // Each sample outputs the level its predecessor computed: a change at 509
    // shapes the sample at 510, position 500.
    e.curve(kExp, 509);
    e.curve(0, 760);  // Linear steps on by 1/1000 per sample from the level reached
    e.runTo(1100);
    expectRow(e.out(EnvelopeOut, 260), 0.5224428f);
    expectRow(e.out(EnvelopeOut, 510), 0.006692851f);
    expectRow(e.out(EnvelopeOut, 760), 0.08204332f);
    EXPECT_NEAR(e.out(EnvelopeOut, 860), 0.08204332f + 100 * 0.001f, 1e-5f);
    EXPECT_EQ(e.finishes(), std::vector<int64_t>{1010});
    EXPECT_EQ(e.out(LevelOut, 1010), 1.0f);  // Linear's finish takes End Level
}

}  // namespace
}  // namespace envelope_test
