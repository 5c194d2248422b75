// Gated segments: ramps, finish pulses, release, loop and hold mode, with the
// status reports at their samples.
#include <gtest/gtest.h>

#include <cmath>

#include "envelope_harness.h"

namespace envelope_test {
namespace {

using modhost::InstanceOptions;

constexpr Report at(Pin pin, PinStatus status, int32_t time) {
    return Report{pin, status, time};
}
constexpr auto kOneOff = PinStatus::OneOff;
constexpr auto kStreaming = PinStatus::Streaming;

// Length of Duration 0.0 at 44100 Hz: 434.08 samples, so 435 of ramp.
constexpr int64_t kZeroVoltRamp = 435;
constexpr float kZeroVoltLength = 434.08237f;

TEST(Segment, LinearRampRisesFromStartAndFinishesWithAOneSamplePulse) {
    Envelope e;
    e.set(EndLevel, 0.5f);
    e.timed(0.0f);
    e.gatePulses({10});
    e.runTo(600);

    const int64_t finish = 10 + kZeroVoltRamp;
    EXPECT_EQ(e.out(EnvelopeOut, 10), 0.0f);
    for (int64_t k = 1; k < kZeroVoltRamp; ++k)
        ASSERT_NEAR(e.out(EnvelopeOut, 10 + k), float(k) * 0.5f / kZeroVoltLength, 2e-6f) << k;
    EXPECT_EQ(e.out(EnvelopeOut, finish), 0.0f);
    EXPECT_EQ(e.out(LevelOut, finish), 0.5f);
    EXPECT_EQ(e.out(GateOut, finish), 1.0f);
    for (Pin pin : {EnvelopeOut, LevelOut, GateOut}) {
        EXPECT_EQ(e.out(pin, finish + 1), 0.0f);
        EXPECT_EQ(e.out(pin, 9), 0.0f);
    }
    EXPECT_EQ(e.finishes(), std::vector<int64_t>{finish});

    // The gate's own changes at 10 and 11 are answered on "Envelope Out" first.
    const int32_t f = int32_t(finish);
    EXPECT_EQ(e.reportsFrom(10),
              (std::vector<Report>{at(EnvelopeOut, kOneOff, 10), at(EnvelopeOut, kStreaming, 10),
                                   at(LevelOut, kOneOff, 10), at(EnvelopeOut, kStreaming, 11),
                                   at(GateOut, kOneOff, f), at(LevelOut, kOneOff, f),
                                   at(GateOut, kOneOff, f + 1), at(LevelOut, kOneOff, f + 1),
                                   at(EnvelopeOut, kOneOff, f + 64)}));
}

TEST(Segment, GateHighFromTheFirstSampleTriggersOnceAndNeverAgainWhileHigh) {
    Envelope e;
    e.set(GateIn, 1.0f);
    e.timed(-0.5f);  // 13.565 samples
    e.runTo(1000);
    EXPECT_EQ(e.finishes(), std::vector<int64_t>{14});
}

TEST(Segment, EachStartTakesTheLevelsOfItsTriggerSample) {
    Envelope e;
    e.set(StartLevel, 0.25f);
    e.set(EndLevel, 0.5f);
    e.timed(-0.5f);
    e.gatePulses({10, 100});
    e.set(EndLevel, 0.0f, 50);
    e.set(StartLevel, 0.75f, 105);  // during the second segment: no effect on it
    e.runTo(200);
    EXPECT_EQ(e.finishes(), (std::vector<int64_t>{24, 114}));
    EXPECT_EQ(e.out(LevelOut, 24), 0.5f);
    EXPECT_EQ(e.out(EnvelopeOut, 100), 0.25f);
    EXPECT_LT(e.out(EnvelopeOut, 113), e.out(EnvelopeOut, 101));
    EXPECT_GT(e.out(EnvelopeOut, 113), 0.0f);
    EXPECT_EQ(e.out(LevelOut, 114), 0.0f);
}

TEST(Segment, ReleaseAtZeroEndsTheSegmentWhereItIs) {
    struct Case {
        const char* what;
        float release;
        int64_t releaseAt;
        int64_t finish;
    } cases[] = {
        {"zero in the trigger sample", 0.0f, 10, 10},
        {"negative zero in the trigger sample", -0.0f, 10, 10},
        {"zero in the middle", 0.0f, 110, 110},
        {"negative values never release", -1.0f, 10, 10 + kZeroVoltRamp},
        {"not a number never releases", NAN, 10, 10 + kZeroVoltRamp},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Envelope e;
        e.set(StartLevel, 0.2f);
        e.set(EndLevel, 0.7f);
        e.timed(0.0f);
        e.set(ReleaseGate, c.release, c.releaseAt);
        e.gatePulses({10});
        e.runTo(600);
        ASSERT_EQ(e.finishes(), std::vector<int64_t>{c.finish});
        EXPECT_EQ(e.out(EnvelopeOut, c.finish), 0.0f);
        const float slope = 0.5f / kZeroVoltLength;
        const float reached = c.finish == c.releaseAt
                                  ? 0.2f + float(c.finish - 10) * slope  // what came next
                                  : 0.7f;
        EXPECT_NEAR(e.out(LevelOut, c.finish), reached, 2e-6f);
    }
}

TEST(Segment, LoopRestartsAtTheEndWithoutPulsesUntilItDrops) {
    Envelope e;
    e.set(EndLevel, 0.5f);
    e.timed(0.0f);
    e.set(Loop, 1.0f);
    e.gatePulses({10});
    const int64_t dropAt = 10 + 3 * kZeroVoltRamp + 100;
    e.set(Loop, 0.0f, dropAt);
    e.runTo(10 + 5 * kZeroVoltRamp);

    for (int64_t k = 0; k <= 3; ++k) {
        EXPECT_EQ(e.out(EnvelopeOut, 10 + k * kZeroVoltRamp), 0.0f) << k;
        EXPECT_NEAR(e.out(EnvelopeOut, 10 + k * kZeroVoltRamp + 434), 0.5f * 434 / kZeroVoltLength,
                    2e-6f);
    }
    EXPECT_EQ(e.finishes(), std::vector<int64_t>{10 + 4 * kZeroVoltRamp});
    EXPECT_EQ(e.out(LevelOut, 10 + 4 * kZeroVoltRamp), 0.5f);
    // A loop restart reports the new start but no pulse.
    const auto restart = int32_t(10 + kZeroVoltRamp);
    const auto reports = e.reportsFrom(restart);
    EXPECT_EQ(std::vector<Report>(reports.begin(), reports.begin() + 2),
              (std::vector<Report>{at(EnvelopeOut, kStreaming, restart),
                                   at(LevelOut, kOneOff, restart)}));
}

TEST(Segment, WithoutDurationTheStartLevelHoldsUntilReleased) {
    Envelope e;
    e.set(StartLevel, 0.3f);
    e.set(EndLevel, 0.9f);  // not read in this mode, nor is the loop
    e.set(Loop, 1.0f);
    e.gatePulses({10});
    e.set(StartLevel, 0.6f, 50);
    e.set(ReleaseGate, 0.0f, 3000);
    e.runTo(3100);

    for (int64_t t = 10; t < 3000; ++t) ASSERT_EQ(e.out(EnvelopeOut, t), 0.3f) << t;
    EXPECT_EQ(e.out(EnvelopeOut, 3000), 0.0f);
    EXPECT_EQ(e.out(LevelOut, 3000), 0.3f);
    EXPECT_EQ(e.finishes(), std::vector<int64_t>{3000});
    EXPECT_EQ(e.out(LevelOut, 3001), 0.0f);
    // The start reports only "Envelope Out"; the pulse reports "Level Out" first.
    EXPECT_EQ(e.reportsFrom(10)[1], at(EnvelopeOut, kStreaming, 10));
    EXPECT_EQ(e.reportsFrom(10)[2], at(EnvelopeOut, kStreaming, 11));
    const auto reports = e.reportsFrom(3000);
    EXPECT_EQ(std::vector<Report>(reports.begin() + 1, reports.end()),
              (std::vector<Report>{at(LevelOut, kOneOff, 3000), at(GateOut, kOneOff, 3000),
                                   at(LevelOut, kOneOff, 3001), at(GateOut, kOneOff, 3001),
                                   at(EnvelopeOut, kOneOff, 3064)}));
}

TEST(Segment, RetriggerRightAfterAFinishStillReportsThePulseEnd) {
    Envelope e;
    e.set(EndLevel, 0.5f);
    e.timed(-0.5f);             // 14 samples: finish at 24
    e.gatePulses({10, 25}, 1);  // next trigger in the sample after the finish
    e.runTo(100);
    EXPECT_EQ(e.finishes(), (std::vector<int64_t>{24, 39}));
    EXPECT_EQ(e.out(GateOut, 25), 0.0f);
    const auto reports = e.reportsFrom(25);
    EXPECT_NE(std::find(reports.begin(), reports.end(), at(GateOut, kOneOff, 25)), reports.end());
}

TEST(Routine, StaysTheHostsInitialOneUntilTheFirstStatusChange) {
    modhost::Instance m(library(), InstanceOptions{.blockSize = 64, .initialStatus = false});
    const ProcessEntry initial = m.hostRoutine();
    m.open();
    m.processBlock();
    EXPECT_EQ(m.hostRoutine(), initial);
    for (const auto& call : m.traffic())
        EXPECT_NE(call.opcode, int32_t(HostOp::ProcessRoutineChanged));

    m.queueStatus(GateIn, PinStatus::Static);
    m.processBlock();
    EXPECT_NE(m.hostRoutine(), initial);
    EXPECT_EQ(m.hostRoutine(), m.record()->process);
}

TEST(Routine, ChangesOnlyWhenTheChoiceChanges) {
    Envelope e;
    e.timed(0.0f);
    e.run(64);
    EXPECT_EQ(e.routineChanges(), 1);  // the constant routine, at the first status change
    const ProcessEntry constant = e.host().hostRoutine();

    e.gatePulses({100}, 1, PinStatus::Streaming);
    e.curve(1, 70);  // Exp
    e.runTo(128);
    EXPECT_EQ(e.routineChanges(), 3);  // the timed routine for Linear, then for the curves
    const ProcessEntry curved = e.host().hostRoutine();
    e.curve(3, 130);  // S-curve: same routine
    e.set(EndLevel, 0.5f, 131);
    e.runTo(192);
    EXPECT_EQ(e.routineChanges(), 3);
    EXPECT_EQ(e.host().hostRoutine(), curved);

    // Idle with the tail over, it returns to the constant routine.
    e.runTo(100 + kZeroVoltRamp + 64);
    EXPECT_EQ(e.routineChanges(), 3);
    e.run(1);
    EXPECT_EQ(e.routineChanges(), 4);
    EXPECT_EQ(e.host().hostRoutine(), constant);
    EXPECT_EQ(e.reportsFrom(100 + kZeroVoltRamp + 64).back(),
              at(EnvelopeOut, kOneOff, int32_t(100 + kZeroVoltRamp + 64)));
}

TEST(Routine, ConstantInputsSleepOnceIdleWithTheTailOver) {
    Envelope e;
    e.set(EndLevel, 0.5f);
    e.timed(0.0f);
    e.gatePulses({10});
    e.run(10);
    EXPECT_TRUE(e.host().asleep());
    const int64_t finish = 10 + kZeroVoltRamp;  // 445; the tail ends at 509
    e.runTo(448);
    EXPECT_FALSE(e.host().asleep());
    // The gate's change while running chose the timed routine; it hands back to
    // the constant one at the tail's end, which sleeps from its first call on.
    e.runTo(512);
    EXPECT_FALSE(e.host().asleep());
    e.run(1);
    EXPECT_TRUE(e.host().asleep());
    EXPECT_EQ(e.finishes(), std::vector<int64_t>{finish});
    EXPECT_EQ(e.reports().back(), at(EnvelopeOut, kOneOff, int32_t(finish + 64)));
}

TEST(Routine, StreamingGateKeepsTheModuleAwakeForEveryLaterTrigger) {
    Envelope e;
    e.set(EndLevel, 0.5f);
    e.timed(0.0f);
    e.gatePulses({10, 1000, 2000}, 20, PinStatus::Streaming);
    e.runTo(3000);
    EXPECT_EQ(e.finishes(), (std::vector<int64_t>{445, 1435, 2435}));
    EXPECT_EQ(e.sleepRequests(), 0);
    // Each finish still ends its tail with a report.
    for (int32_t f : {445, 1435, 2435}) {
        const auto reports = e.reportsFrom(f + 64);
        EXPECT_EQ(reports.front(), at(EnvelopeOut, kOneOff, f + 64));
    }
}

TEST(Routine, IdleStatusOfEnvelopeOutFollowsTheBusiestInput) {
    Envelope e;
    e.run(1);
    EXPECT_EQ(e.reports().back(), at(EnvelopeOut, kOneOff, 0));  // at least a one-off change
    e.drive(
        StartLevel, [](int64_t t) { return float(t % 7) * 0.1f; }, PinStatus::Streaming, 5);
    e.runTo(10);
    EXPECT_EQ(e.reports().back(), at(EnvelopeOut, kStreaming, 5));
    e.host().queueStatus(Loop, PinStatus(7), 12);  // no status beyond streaming is passed on
    e.runTo(20);
    EXPECT_EQ(e.reports().back(), at(EnvelopeOut, kStreaming, 12));
}

}  // namespace
}  // namespace envelope_test
