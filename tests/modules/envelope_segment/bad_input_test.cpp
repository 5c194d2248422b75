// Inputs that are not numbers, infinite or huge, and host settings out of
// range: no crash, no read outside a table or buffer (the sanitizer build
// checks), a defined segment, and a next trigger that always starts afresh.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

#include "envelope_harness.h"

namespace envelope_test {
namespace {

using modhost::InstanceOptions;

constexpr float kInf = INFINITY;
constexpr int64_t kNever = -1;
constexpr int64_t kTrigger = 10;
constexpr int64_t kWindow = 3000;

// After whatever came before, a trigger with ordinary inputs gives an ordinary
// segment: Start 0 to End 0.5 in 435 samples.
void expectRecovery(Envelope& e) {
    const int64_t t = e.now() + 5;
    for (Pin pin : {StartLevel, EndLevel, ReleaseGate, Loop, GateIn}) e.set(pin, 0.0f, t - 3);
    e.set(EndLevel, 0.5f, t - 3);
    e.set(ReleaseGate, 0.1f, t - 3);
    e.timed(0.0f, t - 3);
    e.curve(0, t - 3);
    e.gatePulses({t});
    e.run(500);
    EXPECT_EQ(e.finishes(t), std::vector<int64_t>{t + 435});
    EXPECT_EQ(e.out(EnvelopeOut, t), 0.0f);
    EXPECT_NEAR(e.out(EnvelopeOut, t + 200), 200 * 0.5f / 434.08237f, 1e-5f);
    EXPECT_EQ(e.out(LevelOut, t + 435), 0.5f);
}

struct DurationCase {
    const char* what;
    float duration;
    int64_t ramp;  // kNever: runs on until released or retriggered
};

const DurationCase kDurations[] = {
    {"not a number: the shortest length", NAN, 1},
    {"minus infinity: as -1.0", -kInf, 1},
    {"lowest float: as -1.0", -FLT_MAX, 1},
    {"infinity: no end in time", kInf, kNever},
    {"largest float: no end in time", FLT_MAX, kNever},
    {"3.0: 4.6e11 samples", 3.0f, kNever},
};

TEST(BadInput, DurationGivesADefinedLengthOnEveryCurve) {
    for (int16_t curve : {int16_t(0), int16_t(1), int16_t(2), int16_t(3)}) {
        for (const auto& c : kDurations) {
            SCOPED_TRACE(::testing::Message() << c.what << ", curve " << curve);
            Envelope e;
            e.set(StartLevel, 0.2f);
            e.set(EndLevel, 0.7f);
            e.timed(c.duration);
            e.curve(curve);
            e.gatePulses({kTrigger});
            e.runTo(kWindow);
            if (c.ramp == kNever) {
                EXPECT_TRUE(e.finishes().empty());
                for (int64_t t = kTrigger; t < kWindow; t += 97) {
                    ASSERT_TRUE(std::isfinite(e.out(EnvelopeOut, t))) << t;
                    ASSERT_GE(e.out(EnvelopeOut, t), 0.2f) << t;
                    ASSERT_LE(e.out(EnvelopeOut, t), 0.7f) << t;
                }
            } else {
                EXPECT_EQ(e.finishes(), std::vector<int64_t>{kTrigger + c.ramp});
                EXPECT_TRUE(std::isfinite(e.out(LevelOut, kTrigger + c.ramp)));
            }
            expectRecovery(e);
        }
    }
}

TEST(BadInput, LevelsPassThroughTheArithmeticWithoutHarm) {
    struct Case {
        const char* what;
        float start, end;
    } cases[] = {
        {"start not a number", NAN, 0.5f},
        {"end not a number", 0.0f, NAN},
        {"infinite end", 0.0f, kInf},
        {"infinite start", -kInf, 0.0f},
        {"range beyond float", -FLT_MAX, FLT_MAX},
    };
    for (int16_t curve : {int16_t(0), int16_t(3)}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(::testing::Message() << c.what << ", curve " << curve);
            Envelope e;
            e.set(StartLevel, c.start);
            e.set(EndLevel, c.end);
            e.timed(0.0f);
            e.curve(curve);
            e.gatePulses({kTrigger});
            e.runTo(600);
            EXPECT_EQ(e.finishes(), std::vector<int64_t>{kTrigger + 435});  // the length stands
            e.curve(0);
            expectRecovery(e);
        }
    }
}

TEST(BadInput, GateReleaseAndLoopCompareAsWritten) {
    // A gate that is not a number is neither high nor low: it starts nothing,
    // and the next start needs a low sample first.
    Envelope gate;
    gate.timed(-0.5f);
    gate.drive(
        GateIn,
        [](int64_t t) { return t == 10                         ? NAN
                               : (t > 10 && t < 20) || t >= 30 ? 1.0f
                                                               : 0.0f; },
        PinStatus::Streaming);
    gate.runTo(100);
    EXPECT_EQ(gate.finishes(), std::vector<int64_t>{30 + 14});

    Envelope infiniteGate;
    infiniteGate.timed(-0.5f);
    infiniteGate.set(GateIn, kInf, 10);
    infiniteGate.runTo(100);
    EXPECT_EQ(infiniteGate.finishes(), std::vector<int64_t>{10 + 14});

    struct Case {
        const char* what;
        Pin pin;
        float value;
        std::vector<int64_t> finishes;
    } cases[] = {
        {"release not a number runs", ReleaseGate, NAN, {24}},
        {"release infinite runs", ReleaseGate, -kInf, {24}},
        {"loop not a number does not loop", Loop, NAN, {24}},
        {"loop infinite loops", Loop, kInf, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Envelope e;
        e.timed(-0.5f);
        e.set(c.pin, c.value);
        e.gatePulses({10});
        e.runTo(200);
        EXPECT_EQ(e.finishes(), c.finishes);
        expectRecovery(e);
    }
}

TEST(BadInput, SampleRateOutOfRangeStillEndsSegments) {
    struct Case {
        const char* what;
        float rate;
        int64_t rampAtZero;  // Duration 0.0, from the table filled at open
        int64_t rampAbove;   // Duration 1.05, from the rate at the start
    } cases[] = {
        {"not a number", NAN, 1, 1},
        {"zero", 0.0f, 1, 1},
        {"tiny: below one sample above 1.0", 1e-30f, 1, 1},
        {"negative", -44100.0f, 1, 1},
        {"infinite", kInf, kNever, kNever},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Envelope e(InstanceOptions{.sampleRate = c.rate, .blockSize = 64});
        e.set(EndLevel, 0.5f);
        e.timed(0.0f);
        e.set(Duration, 1.05f, 500);
        e.gatePulses({10, 510});
        e.runTo(1000);
        std::vector<int64_t> expected;
        if (c.rampAtZero != kNever) expected.push_back(10 + c.rampAtZero);
        if (c.rampAbove != kNever) expected.push_back(510 + c.rampAbove);
        EXPECT_EQ(e.finishes(), expected);
        for (int64_t t = 0; t < 1000; ++t) ASSERT_TRUE(std::isfinite(e.out(EnvelopeOut, t))) << t;
    }
}

TEST(BadInput, BlockSizeBelowOneStillEndsTheTail) {
    for (int32_t size : {0, -5}) {
        SCOPED_TRACE(size);
        Envelope e(InstanceOptions{.blockSize = size});
        e.timed(-0.5f);
        e.gatePulses({10});
        e.runTo(100);
        EXPECT_EQ(e.finishes(), std::vector<int64_t>{24});
        EXPECT_EQ(e.reports().back(), (Report{EnvelopeOut, PinStatus::OneOff, 25}));
        EXPECT_TRUE(e.host().asleep());
    }
}

}  // namespace
}  // namespace envelope_test
