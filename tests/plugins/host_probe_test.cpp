// The host's answers as a module sees them, through the probe plug-in.
#include <gtest/gtest.h>

#include <cstdio>

#include "plugin_fixture.h"

namespace plugin_test {
namespace {

using modhost::Instance;
using modhost::InstanceOptions;

constexpr int32_t kFile = 1, kAudioOut = 2, kMidiOut = 4;

std::shared_ptr<const modhost::PluginLibrary> probe() {
    static auto library =
        std::make_shared<modhost::PluginLibrary>(std::string(TEST_PLUGIN_DIR) + "/host_probe.so");
    return library;
}

std::vector<std::string> texts(const Instance& m) {
    std::vector<std::string> out;
    for (const auto& bytes : m.sentData()) out.emplace_back(bytes.begin(), bytes.end() - 1);
    return out;
}

TEST(HostProbe, DeferredCallComesBackAtItsSampleAndSplitsTheBlock) {
    Instance m(probe(), InstanceOptions{.blockSize = 64});
    m.setTimeInfoAvailable(false);
    m.open();
    m.processBlock();
    m.queueMidi(packMidi(0x90, 60, 100), 64 + 50);  // deferred call due at 124, next block
    int64_t calls = m.processCalls();
    m.processBlock();
    m.processBlock();
    EXPECT_EQ(m.processCalls() - calls, 4);  // 64-113, 114-127, 128-131, 132-191
    ASSERT_EQ(m.sentMidi().size(), 2u);
    EXPECT_EQ(m.sentMidi()[0].time, 114);
    EXPECT_EQ(m.sentMidi()[0].plug, kMidiOut);
    EXPECT_EQ(m.sentMidi()[0].message, packMidi(0x90, 60, 100));
    EXPECT_EQ(m.sentMidi()[1].time, 124);
    EXPECT_EQ(m.sentMidi()[1].message, 0xF8);
    for (int i = 0; i < 64; ++i) ASSERT_EQ(m.buffer(kAudioOut)[i], float(128 + i)) << i;
}

TEST(HostProbe, TimeRecordAdvancesWithTheClockOnlyWhileTheTransportRuns) {
    Instance m(probe(),
               InstanceOptions{.sampleRate = 48000.0f, .blockSize = 480, .initialStatus = false});
    m.timeInfo().tempo = 120.0;
    m.timeInfo().flags = kTransportRunning;
    m.open();
    m.processBlock();
    m.processBlock();
    m.timeInfo().flags = 0;
    m.processBlock();
    m.processBlock();
    EXPECT_EQ(texts(m), (std::vector<std::string>{
                            "time 0 0.000000 120.000 2", "time 480 0.020000 120.000 2",
                            "time 960 0.040000 120.000 0", "time 1440 0.040000 120.000 0"}));
}

TEST(HostProbe, FilePathIsResolvedAgainstTheBaseAndNeverOverrunsTheBuffer) {
    Instance m(probe(), InstanceOptions{.fileBase = "/patches/mine", .initialStatus = false});
    m.setTimeInfoAvailable(false);
    m.open();
    m.setText(kFile, "rules/map.txt");
    m.processBlock(1);
    m.setText(kFile, "/etc/map.txt");
    m.processBlock(1);
    m.setText(kFile, "a.txt");
    m.processBlock(1);
    EXPECT_EQ(texts(m), (std::vector<std::string>{"/patches/mine/rules/map.txt", "small::intact",
                                                  "/etc/map.txt", "small::intact",
                                                  "/patches/mine/a.txt", "small::intact"}));
}

TEST(HostProbe, ShortPathFitsASmallBuffer) {
    Instance m(probe(), InstanceOptions{.fileBase = "/x", .initialStatus = false});
    m.setTimeInfoAvailable(false);
    m.open();
    m.setText(kFile, "a.tx");  // "/x/a.tx" is 8 bytes with its NUL
    m.processBlock(1);
    m.setText(kFile, "ab.tx");
    m.processBlock(1);
    EXPECT_EQ(texts(m), (std::vector<std::string>{"/x/a.tx", "small:/x/a.tx:intact", "/x/ab.tx",
                                                  "small::intact"}));
}

TEST(HostProbe, EventWakesASleepingInstance) {
    Instance m(load("math_pow2"), InstanceOptions{.blockSize = 16});
    m.open();
    m.processBlock();  // initial static input: one block, then sleep
    ASSERT_TRUE(m.asleep());
    int64_t calls = m.processCalls();
    m.processBlock();
    EXPECT_EQ(m.processCalls(), calls);
    m.queueMidi(packMidi(0x90, 1, 1));
    m.processBlock();
    EXPECT_EQ(m.processCalls(), calls + 1);
}

}  // namespace
}  // namespace plugin_test
