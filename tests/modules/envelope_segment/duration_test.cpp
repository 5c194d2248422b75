// Segment lengths from "Duration": the table up to 1.0, the power formula
// above, and the one table that all instances of the process share.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

#include "envelope_harness.h"

namespace envelope_test {
namespace {

using modhost::Instance;
using modhost::InstanceOptions;

// Linear from 0 to 1: the first step is 1 / length, and the finish comes
// ceil(length) samples after the trigger.
struct Measured {
    double length;  // 0 when the segment is too short to show a step
    int64_t ramp;
};

Measured measure(Envelope& e, float duration, int64_t maxRamp) {
    const int64_t trigger = e.now() + 3;
    e.set(EndLevel, 1.0f);
    e.timed(duration);
    e.gatePulses({trigger});
    e.run(maxRamp + 8);
    const auto finishes = e.finishes(trigger);
    if (finishes.size() != 1) return {0.0, -1};
    const int64_t ramp = finishes[0] - trigger;
    const float step = e.out(EnvelopeOut, trigger + 1);
    return {ramp > 1 ? 1.0 / double(step) : 0.0, ramp};
}

TEST(Duration, TableRowsAt44100HzSetTheRampLength) {
    struct Row {
        float duration;
        double length;
        double tolerance;
        int64_t ramp;
    } rows[] = {
        {-5.0f, 1.0, 0.0, 1},          {-1.0f, 1.0, 0.0, 1},
        {-0.877f, 1.0, 0.0, 1},        {-0.876f, 1.0013, 0.0001, 2},
        {-0.5f, 13.565, 0.001, 14},    {0.0f, 434.08, 0.01, 435},
        {0.5f, 13890.64, 0.01, 13891}, {0.667f, 44202.04, 0.02, 44203},
        {1.0f, 444500.5, 0.1, 444501},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.duration);
        Envelope e(InstanceOptions{.blockSize = 1024});
        Measured m = measure(e, row.duration, row.ramp);
        EXPECT_EQ(m.ramp, row.ramp);
        if (row.ramp > 1) {
            EXPECT_NEAR(m.length, row.length, row.tolerance);
        }
        EXPECT_EQ(e.out(LevelOut, e.finishes().at(0)), 1.0f);
    }
}

TEST(Duration, AboveOneVoltTheLengthDoublesPerVoltAtTheCurrentRate) {
    // rate * 2^(10 d - 6.6666665): at 44100 Hz, 1.05 lasts 628 620 samples.
    auto expected = [](double rate) {
        return rate * std::pow(2.0, 10.0 * double(1.05f) - double(6.6666665f));
    };
    Envelope e(InstanceOptions{.blockSize = 1024});
    Measured m = measure(e, 1.05f, 700000);
    EXPECT_EQ(m.ramp, int64_t(std::ceil(expected(44100.0))));
    EXPECT_NEAR(m.length, expected(44100.0), 0.2);

    // A new rate counts above 1.0 from the next length computed (the same Duration
    // again reuses the last length); the table keeps the rate of the last open.
    e.host().setSampleRate(22050.0f);
    EXPECT_EQ(measure(e, 1.05f, 700000).ramp, m.ramp);
    measure(e, -1.0f, 4);
    m = measure(e, 1.05f, 400000);
    EXPECT_EQ(m.ramp, int64_t(std::ceil(expected(22050.0))));
    m = measure(e, 0.0f, 500);
    EXPECT_EQ(m.ramp, 435);
}

TEST(Duration, TheTableOfTheLastOpenServesEveryInstance) {
    Envelope first(InstanceOptions{.blockSize = 256});
    EXPECT_EQ(measure(first, 0.0f, 500).ramp, 435);
    Envelope second(InstanceOptions{.sampleRate = 96000.0f, .blockSize = 256});
    // 434.08 samples at 44100 Hz are 944.94 at 96000 Hz.
    measure(first, -1.0f, 4);  // so that the next start computes its length afresh
    EXPECT_EQ(measure(first, 0.0f, 1000).ramp, 945);
    EXPECT_EQ(measure(second, 0.0f, 1000).ramp, 945);
}

// Opens at two rates on two threads while a third instance keeps starting
// segments whose length is interpolated halfway between two entries: every
// length must be that of one rate's table, never a mix of two fills.
TEST(Duration, InstancesOpeningOnOtherThreadsNeverShowAMixedTable) {
    library();  // loaded before the threads start
    std::atomic<bool> stop{false};
    auto opener = [&stop](float rate) {
        while (!stop.load()) {
            Instance other(library(), InstanceOptions{.sampleRate = rate, .blockSize = 16});
            other.open();
        }
    };
    Envelope e(InstanceOptions{.blockSize = 1024});
    // Duration 0.0005: halfway between the entries for 0.0 and 0.001.
    const Measured at44100 = measure(e, 0.0005f, 1000);
    std::thread a(opener, 44100.0f), b(opener, 48000.0f);
    std::vector<int64_t> seen;
    for (int k = 0; k < 300; ++k) {
        // Alternate the Duration so that every start recomputes its length.
        seen.push_back(measure(e, 0.0005f, 1000).ramp);
        measure(e, -1.0f, 4);
    }
    stop = true;
    a.join();
    b.join();
    const double length48000 = at44100.length * 48000.0 / 44100.0;
    const auto ramp48000 = int64_t(std::ceil(length48000));
    for (int64_t ramp : seen) ASSERT_TRUE(ramp == at44100.ramp || ramp == ramp48000) << ramp;
}

}  // namespace
}  // namespace envelope_test
