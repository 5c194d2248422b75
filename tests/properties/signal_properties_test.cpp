// Envelope, clock and converters under seeded random inputs and block
// layouts: outputs stay finite for finite inputs over long runs, and an input
// that is not a number leaves no trace once the inputs are finite again.
#include <gtest/gtest.h>

#include <cmath>

#include "property_support.h"
#include "signal_driver.h"

namespace plugin_test {
namespace {

constexpr int64_t kRate = 44100;

struct LongRunCase {
    const char* deliverable;
    int64_t share;  // of the full length: 1 for the whole of it
};

// The full length for the modules with audio inputs or a time base; a sixth
// of it for those that only turn numbers into constant voltages or numbers.
const LongRunCase kLongRuns[] = {{"envelope_segment", 1},  {"bpm_clock", 1},
                                 {"voltage_to_float", 1},  {"volts_to_int", 1},
                                 {"volts_to_guifloat", 1}, {"guifloat_to_volts", 6},
                                 {"bool_to_voltage", 6},   {"guibool_to_volts", 6},
                                 {"bool_to_guifloat", 6},  {"float_to_bool", 6}};

class LongRun : public ::testing::TestWithParam<LongRunCase> {};

TEST_P(LongRun, OutputsStayFiniteForFiniteInputs) {
    const int64_t samples = audioSeconds() * kRate / GetParam().share;
    const uint32_t seed = 7;
    SCOPED_TRACE(::testing::Message() << "seed " << seed);
    SignalDriver driver(GetParam().deliverable, 1, seed);
    std::string where;
    while (driver.now() < samples) {
        driver.step();
        ASSERT_TRUE(driver.outputsFinite(0, where)) << where << " at " << driver.now();
    }
}

INSTANTIATE_TEST_SUITE_P(SignalModules, LongRun, ::testing::ValuesIn(kLongRuns),
                         [](const ::testing::TestParamInfo<LongRunCase>& info) {
                             return std::string(info.param.deliverable);
                         });

// What recovery means for each module, checked against a twin instance that
// got finite values wherever the first got NaN, with all else alike: from
// `alikeAfter` samples after the inputs are finite again (and, for the
// envelope, the gate has risen once), both give the same outputs sample for
// sample. The sampling converters are checked on a streaming input: when the
// input turns constant while a window is pending, that window's last reading
// still uses its first sample, NaN or not, until "Volts" changes again.
struct Recovery {
    const char* deliverable;
    const char* meaning;
    const char* gate;          // an input that must rise once to start afresh, or null
    const char* samplingRate;  // the rate of readings, held at 100 Hz, or null
    const char* streaming;     // an input kept streaming once finite again, or null
    int64_t alikeAfter;
    int64_t alikeAfterBlocks;  // and this many block sizes more
};

const Recovery kRecoveries[] = {
    {"envelope_segment",
     "the segment the next trigger starts is that of an envelope that never saw NaN", "Gate In",
     nullptr, nullptr, 0, 0},
    {"voltage_to_float", "the next value is exact", nullptr, nullptr, nullptr, 0, 0},
    // The first window after sampling starts is one block long, the others 441 samples.
    {"volts_to_int", "the reading after the next is exact", nullptr, "Sampling Rate (Hz)", "Volts",
     882, 1},
    {"volts_to_guifloat", "the reading after the next is exact", nullptr, "Sampling Rate (Hz)",
     "Volts", 882, 1},
    {"guifloat_to_volts", "the next value is exact", nullptr, nullptr, nullptr, 0, 0},
};

TEST(NotANumber, ModulesRecoverOnceTheInputsAreFinite) {
    for (const Recovery& r : kRecoveries) {
        for (uint32_t seed = 1; seed <= 40; ++seed) {
            SCOPED_TRACE(::testing::Message()
                         << r.deliverable << " (" << r.meaning << "), seed " << seed);
            SignalDriver driver(r.deliverable, 2, seed);
            if (r.samplingRate) driver.fixInput(r.samplingRate, 100.0);
            for (int block = 0; block < 20; ++block) driver.step();
            driver.setNotANumber(true);
            for (int block = 0; block < 20; ++block) driver.step();
            driver.setNotANumber(false);
            driver.changeAll();
            if (r.streaming) driver.fixNoise(r.streaming);
            if (r.gate) {
                driver.setAudio(r.gate, 0.0f);
                driver.step(false);
                driver.setAudio(r.gate, 1.0f);
                driver.step(false);
            }
            const int64_t from =
                driver.now() + r.alikeAfter + r.alikeAfterBlocks * driver.instance(0).blockSize();
            while (driver.now() < from) driver.step();
            std::string where;
            for (int block = 0; block < 40; ++block) {
                driver.step();
                ASSERT_TRUE(driver.outputsAlike(1, where)) << where << " at " << driver.now();
                ASSERT_TRUE(driver.outputsFinite(0, where)) << where << " at " << driver.now();
            }
        }
    }
}

// The clock's time base is the host's tempo and position. After a stretch in
// which both are NaN, its outputs stay finite, pulses resume within two of
// their periods at the new tempo, and "Tempo Out" shows a tempo the host
// reported (it changes only at an edge).
TEST(NotANumber, ClockResumesAtTheNextTempo) {
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE(::testing::Message() << "seed " << seed);
        SignalDriver driver("bpm_clock", 1, seed);
        driver.fixInput("Pulse Divide", 4);
        for (int block = 0; block < 20; ++block) driver.step();
        driver.setNotANumber(true);
        for (int block = 0; block < 20; ++block) driver.step();
        driver.setNotANumber(false);
        const int64_t resumed = driver.now();
        int edges = 0;
        std::string where;
        // Two pulse periods at the slowest tempo the driver sets (30 beats a minute).
        while (driver.now() < resumed + 2 * kRate * 2 / 4 + 1) {
            driver.step();
            ASSERT_TRUE(driver.outputsFinite(0, where)) << where << " at " << driver.now();
            edges += driver.risingEdges("Pulse Out");
        }
        EXPECT_GE(edges, 1);
        modhost::Instance& clock = driver.instance(0);
        const float tempo = clock.buffer(clock.plug("Tempo Out"))[0];
        EXPECT_GE(tempo, 3.0f);
        EXPECT_LE(tempo, 30.0f);
    }
}

}  // namespace
}  // namespace plugin_test
