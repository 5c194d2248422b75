// Rendering: wiring order, feedback delay, sample-accurate actions, sleep
// and the host's time record.
#include <gtest/gtest.h>

#include <cmath>

#include "host/patch_reader.h"
#include "host/rack.h"
#include "render_fixture.h"

namespace render_test {
namespace {

double number(const std::string& cell) {
    return std::stod(cell);
}

// Volts per sample of a CSV written with every_sample (one pin).
std::vector<double> samplesOf(const Rendered& r, const std::string& file) {
    std::vector<double> volts;
    auto rows = readCsv(r.folder + "/" + file);
    for (size_t i = 1; i < rows.size(); ++i) volts.push_back(number(rows[i][2]));
    return volts;
}

// "sample:value" of each report of `pin` in a report CSV.
std::vector<std::string> reportsOf(const Rendered& r, const std::string& file,
                                   const std::string& pin, bool nonZero = false) {
    std::vector<std::string> reports;
    for (const auto& row : readCsv(r.folder + "/" + file))
        if (row.size() == 5 && row[2] == pin && (!nonZero || row[4] != "0"))
            reports.push_back(row[0] + ":" + row[3] + ":" + row[4]);
    return reports;
}

TEST(Render, InstancesRunInWiringOrderWhateverTheirOrderInTheFile) {
    Rendered r = render(R"(
length_samples = 64
block_size = 16
[[module]]
name = "cube"
plugin = "math_pow3"
[[module]]
name = "sq"
plugin = "math_pow2"
[[wire]]
from = "sq.Output"
to = "cube.Input"
[[source]]
to = "sq.Input"
type = "breakpoints"
unit = "samples"
points = [[0, 0], [64, 1.28]]
[[output]]
file = "cube.csv"
pins = "cube.Output"
every_sample = true
)");
    auto cube = samplesOf(r, "cube.csv");
    ASSERT_EQ(cube.size(), 64u);
    for (size_t t = 0; t < 64; ++t) {
        double volts = double(float(double(t) * 0.002)) * 10.0;  // the source's sample, in volts
        double squared = volts * volts;                          // math_pow2, in volts
        EXPECT_NEAR(cube[t], squared * squared * squared, 1e-4 * (1.0 + std::fabs(cube[t]))) << t;
    }
}

TEST(Render, AnAudioFeedbackWireReadsThePreviousBlock) {
    // The probe's output carries the sample clock; the square reads it
    // through a loop of wires, so the first of the two added reads a block late.
    modhost::Rack rack(44100.0f, 16);
    modhost::Instance& sq = rack.add(std::make_shared<modhost::PluginLibrary>("math_pow2"));
    modhost::Instance& probe =
        rack.add(std::make_shared<modhost::PluginLibrary>(probePath("host_probe")));
    rack.orderByWires();
    rack.wire(probe, probe.plug("Audio Out"), sq, sq.plug("Input"));
    rack.wire(sq, sq.plug("Output"), probe, probe.plug("Audio In"));
    EXPECT_EQ(rack.order(), (std::vector<modhost::Instance*>{&sq, &probe}));
    EXPECT_TRUE(rack.isFeedback(probe, probe.plug("Audio Out"), sq));
    EXPECT_FALSE(rack.isFeedback(sq, sq.pin("Output").listingIndex, probe));
    rack.open();
    sq.queueStatus(0, PinStatus::Streaming, 0);  // the probe reports no status of its own
    for (int block = 0; block < 3; ++block) {
        rack.processBlock();
        for (int k = 0; k < 16; ++k) {
            double clock = block == 0 ? 0.0 : double((block - 1) * 16 + k);
            EXPECT_FLOAT_EQ(sq.buffer(sq.plug("Output"))[k], float(clock * clock * 10.0))
                << block << " " << k;
        }
    }
}

TEST(Render, AValueFeedbackWireArrivesOneBlockLater) {
    // Each probe publishes twice its Knob; the second feeds the first back.
    // (The zeros they publish when they open go round the loop too, a block a lap.)
    Rendered r = render(R"(
length_samples = 300
block_size = 64
[[module]]
name = "a"
plugin = ")" + probePath("panel_probe") +
                        R"("
[[module]]
name = "b"
plugin = ")" + probePath("panel_probe") +
                        R"("
[[wire]]
from = "a.Value - Out"
to = "b.Knob"
[[wire]]
from = "b.Value - Out"
to = "a.Knob"
[[set]]
unit = "samples"
at = 100
pin = "a.Knob"
value = 1.0
[[output]]
file = "values.csv"
pins = ["a.Value - Out", "b.Value - Out"]
)");
    EXPECT_EQ(reportsOf(r, "values.csv", "a.Value - Out", true),
              (std::vector<std::string>{"100:OneOff:2", "164:OneOff:8", "228:OneOff:32",
                                        "292:OneOff:128"}));
    EXPECT_EQ(reportsOf(r, "values.csv", "b.Value - Out", true),
              (std::vector<std::string>{"100:OneOff:4", "164:OneOff:16", "228:OneOff:64",
                                        "292:OneOff:256"}));
}

TEST(Render, ActionsAndGatesArriveAtTheirSampleAndSleepingBuffersKeepTheirContents) {
    Rendered r = render(R"(
length_samples = 640
block_size = 64
[[module]]
name = "sq"
plugin = "math_pow2"
[[module]]
name = "cube"
plugin = "math_pow3"
[[set]]
unit = "samples"
at = 100
pin = "sq.Input"
value = 5.0
[[source]]
to = "cube.Input"
type = "gate"
unit = "samples"
gates = [[150, 200]]
high = 2.0
[[output]]
file = "sq.csv"
pins = "sq.Output"
every_sample = true
[[output]]
file = "cube.csv"
pins = "cube.Output"
every_sample = true
[[output]]
file = "reports.csv"
pins = ["sq.Output", "cube.Output"]
)");
    auto sq = samplesOf(r, "sq.csv");
    auto cube = samplesOf(r, "cube.csv");
    for (size_t t = 0; t < 640; ++t) {
        EXPECT_EQ(sq[t], t < 100 ? 0.0 : 25.0) << t;
        EXPECT_NEAR(cube[t], t >= 150 && t < 200 ? 8.0 : 0.0, 1e-5) << t;
    }
    EXPECT_EQ(reportsOf(r, "reports.csv", "sq.Output"),
              (std::vector<std::string>{"0:OneOff:0", "100:OneOff:25"}));
    EXPECT_EQ(
        reportsOf(r, "reports.csv", "cube.Output"),
        (std::vector<std::string>{"0:OneOff:0", "0:OneOff:0", "150:OneOff:8", "200:OneOff:0"}));
    // Ten blocks: the square computes one block's worth after each change, then sleeps.
    ASSERT_EQ(r.stats.instances.size(), 2u);
    EXPECT_EQ(r.stats.instances[0].processCalls + r.stats.instances[0].skippedAsleep, 11);
    EXPECT_GT(r.stats.instances[0].skippedAsleep, 5);
}

TEST(Render, TheTimeRecordFollowsTheTempoChangesBlockByBlock) {
    std::string folder = freshFolder();
    modhost::Patch patch = modhost::readPatchText(R"(
length = 1.0
block_size = 64
[time]
tempo = 120
start_beat = 1.0
changes = [ { at = 0.5, running = false } ]
[[module]]
name = "probe"
plugin = ")" + probePath("host_probe") + R"("
)",
                                                  folder + "/patch.toml");
    modhost::RenderOptions options;
    options.outputFolder = folder;
    options.progress = false;
    modhost::Render render(patch, options);
    render.run();
    const TimeInfo& info = render.instance("probe")->timeInfo();
    // The transport stops with the first block at or after 0.5 s, sample 22080.
    EXPECT_NEAR(info.ppqPosition, 1.0 + 22080.0 * 2.0 / 44100.0, 1e-9);
    EXPECT_EQ(info.tempo, 120.0);
    EXPECT_EQ(info.flags, 0);
}

TEST(Render, TraceEventsLogsEveryHostCallOfEveryInstance) {
    std::string folder = freshFolder();
    modhost::Patch patch = modhost::readPatchText(R"(
length_samples = 128
[[module]]
name = "sq"
plugin = "math_pow2"
[[set]]
at = 0.001
pin = "sq.Input"
value = 1.0
)",
                                                  folder + "/patch.toml");
    modhost::RenderOptions options;
    options.outputFolder = folder;
    options.traceFile = folder + "/trace.txt";
    options.progress = false;
    modhost::Render(patch, options).run();
    std::string trace = readFile(folder + "/trace.txt");
    EXPECT_NE(trace.find("open\tsq\tprocessing\tGetPinCount"), std::string::npos) << trace;
    EXPECT_NE(trace.find("\tsq\tprocessing\tSetPinStatus\tindex=1\tvalue=1\ttime=44"),
              std::string::npos)
        << trace;
    EXPECT_NE(trace.find("\tRequestSleep"), std::string::npos);
}

TEST(RenderSummary, ALongInstanceNameKeepsItsRowWhole) {
    modhost::RenderStats stats;
    stats.sampleRate = 48000.0;
    const std::string name(300, 'n');
    stats.instances.push_back(
        {.name = name, .plugin = "p.so", .processCalls = 12, .skippedAsleep = 3});
    const std::string row =
        "  " + name + "  p.so     " + std::string(11, ' ') + "12  " + std::string(13, ' ') + "3\n";
    EXPECT_NE(modhost::renderSummary(stats).find(row), std::string::npos);
}

}  // namespace
}  // namespace render_test
