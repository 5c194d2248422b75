// The table code on its own: every row, the bounds of every lookup, and a
// table refilled on one thread while others read it.
#include <gtest/gtest.h>

#include <atomic>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <thread>

#include "duration_table.h"
#include "shape_tables.h"

namespace envelope_segment {
namespace {

// Rows are given to a few significant digits.
void expectRow(float actual, double row, double digits) {
    EXPECT_NEAR(actual, row, std::abs(row) * 0.5 * std::pow(10.0, 1.0 - digits) + 1e-12);
}

TEST(DurationEntries, MatchTheRowsAt44100Hz) {
    const DurationEntries e = computeDurationEntries(44100.0f);
    for (int i = 0; i <= 123; ++i) ASSERT_EQ(e[size_t(i)], 1.0f) << i;  // raised to one sample
    expectRow(e[124], 1.0013, 5);
    expectRow(e[500], 13.565, 5);
    expectRow(e[1000], 434.08, 5);
    expectRow(e[1500], 13890.64, 7);
    expectRow(e[1667], 44202.04, 7);
    expectRow(e[2000], 444500.5, 7);
    for (int i = 1; i < kDurationEntries; ++i) ASSERT_GE(e[size_t(i)], e[size_t(i - 1)]) << i;
}

TEST(DurationEntries, StayBetweenOneSampleAndTheLargestFloatForAnyRate) {
    for (float rate : {NAN, -44100.0f, 0.0f, 1e-30f, INFINITY, FLT_MAX}) {
        SCOPED_TRACE(rate);
        for (float entry : computeDurationEntries(rate)) {
            ASSERT_GE(entry, 1.0f);
            ASSERT_LE(entry, FLT_MAX);
        }
    }
}

TEST(DurationToSamples, ReadsOnlyTheTableUpToOneAndThePowerAbove) {
    DurationTable table;
    table.publish(computeDurationEntries(44100.0f));
    const DurationEntries e = computeDurationEntries(44100.0f);
    EXPECT_EQ(durationToSamples(1.0f, 44100.0f, table), e[2000]);
    EXPECT_EQ(durationToSamples(0.99999994f, 44100.0f, table), e[2000]);  // rounds to 2000
    EXPECT_EQ(durationToSamples(0.0f, 44100.0f, table), e[1000]);
    EXPECT_EQ(durationToSamples(0.0005f, 44100.0f, table), e[1000] + (e[1001] - e[1000]) * 0.5f);
    for (float low : {-1.0f, -5.0f, -INFINITY, -FLT_MAX})
        EXPECT_EQ(durationToSamples(low, 44100.0f, table), e[0]) << low;
    EXPECT_FLOAT_EQ(durationToSamples(1.5f, 44100.0f, table),
                    float(44100.0 * std::pow(2.0, 15.0 - double(6.6666665f))));
    EXPECT_EQ(durationToSamples(INFINITY, 44100.0f, table), INFINITY);
    EXPECT_EQ(durationToSamples(1e30f, 44100.0f, table), INFINITY);
    // No number, or no positive one: the length of -1.0.
    EXPECT_EQ(durationToSamples(NAN, 44100.0f, table), e[0]);
    EXPECT_EQ(durationToSamples(2.0f, 0.0f, table), e[0]);
    EXPECT_EQ(durationToSamples(2.0f, -1.0f, table), e[0]);
    EXPECT_EQ(durationToSamples(2.0f, NAN, table), e[0]);
    // Above 1.0 no lower limit applies: a tiny rate gives a tiny length.
    EXPECT_GT(durationToSamples(1.1f, 1e-45f, table), 0.0f);
    EXPECT_LT(durationToSamples(1.1f, 1e-45f, table), 1e-40f);
}

TEST(ShapeTables, MatchTheRows) {
    struct Row {
        int i;
        double exp, log, sCurve;
    } rows[] = {
        {0, 0.0, 0.0, 7.270723e-05},
        {1, 4.562976e-07, 0.00414961, 7.443228e-05},
        {100, 7.801341e-05, 0.2890648, 0.01277625},
        {250, 0.0005077075, 0.5224428, 0.07846355},
        {500, 0.006692851, 0.7472217, 0.5052379},
        {750, 0.08204332, 0.8924769, 0.9288967},
        {900, 0.3678507, 0.9602526, 0.9903658},
        {1000, 1.0, 1.0, 0.999812},
        {1001, 1.010051, 1.000379, 0.9997782},
    };
    const ShapeTables& t = buildShapeTables();
    for (const auto& r : rows) {
        SCOPED_TRACE(r.i);
        expectRow(t.exp[size_t(r.i)], r.exp, 7);
        expectRow(t.log[size_t(r.i)], r.log, 7);
        expectRow(t.sCurve[size_t(r.i)], r.sCurve, 7);
    }
    EXPECT_EQ(t.exp[1000], 1.0f);
    EXPECT_EQ(t.log[1000], 1.0f);
    const auto peak = std::max_element(t.sCurve.begin(), t.sCurve.end());
    EXPECT_EQ(peak - t.sCurve.begin(), 987);
    expectRow(*peak, 1.0000206, 8);
}

TEST(ShapeTables, EveryFillGivesTheSameBits) {
    const ShapeTables again = computeShapeTables();
    EXPECT_EQ(std::memcmp(&again, &buildShapeTables(), sizeof again), 0);
    EXPECT_EQ(&buildShapeTables(), &buildShapeTables());
}

TEST(ShapeValue, InterpolatesBetweenEntriesAndNeverLeavesTheTable) {
    const ShapeTables& t = buildShapeTables();
    EXPECT_EQ(shapeValue(1, 500.0f), t.exp[500]);
    EXPECT_EQ(shapeValue(2, 500.0f), t.log[500]);
    EXPECT_EQ(shapeValue(3, 1000.0f), t.sCurve[1000]);
    EXPECT_FLOAT_EQ(shapeValue(3, 999.5f), (t.sCurve[999] + t.sCurve[1000]) / 2);
    EXPECT_FLOAT_EQ(shapeValue(1, 0.25f), t.exp[1] / 4);
    // Positions that a segment never produces read as the nearest end.
    EXPECT_EQ(shapeValue(2, NAN), t.log[0]);
    EXPECT_EQ(shapeValue(2, -5.0f), t.log[0]);
    EXPECT_EQ(shapeValue(2, 1e9f), t.log[1000]);
    EXPECT_EQ(shapeValue(2, INFINITY), t.log[1000]);
    EXPECT_EQ(shapeValue(0, 500.0f), 0.0f);
    EXPECT_EQ(shapeValue(4, 500.0f), 0.0f);
    EXPECT_EQ(shapeTable(t, 0), nullptr);
    EXPECT_EQ(shapeTable(t, -1), nullptr);
}

// Two fills that differ in every entry: a read that mixed them would give a
// value that neither has.
TEST(DurationTable, ReadersNeverSeeTwoFillsMixed) {
    DurationEntries low, high;
    for (int i = 0; i < kDurationEntries; ++i) {
        low[size_t(i)] = float(1 + i);
        high[size_t(i)] = float(10000 + i);
    }
    DurationTable table;
    table.publish(low);
    std::atomic<bool> stop{false};
    std::atomic<int64_t> fills{0};
    auto writer = [&](const DurationEntries& entries) {
        while (!stop.load(std::memory_order_relaxed)) {
            table.publish(entries);
            fills.fetch_add(1, std::memory_order_relaxed);
        }
    };
    std::thread a(writer, std::cref(low)), b(writer, std::cref(high));
    int64_t mixed = 0;
    // Read for as long as it takes the writers to refill the table many times.
    for (int64_t round = 0; round < 200000 || fills.load() < 20000; ++round) {
        const auto j = int32_t(round % kLastDurationEntry);
        const float v = table.interpolate(j, 0.5f);
        if (v != float(1 + j) + 0.5f && v != float(10000 + j) + 0.5f) ++mixed;
    }
    stop = true;
    a.join();
    b.join();
    EXPECT_EQ(mixed, 0);
}

}  // namespace
}  // namespace envelope_segment
