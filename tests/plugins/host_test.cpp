// The reference host's own behaviour: loading, pin lookup, event timing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "plugin_fixture.h"

namespace plugin_test {
namespace {

using modhost::HostError;
using modhost::Instance;
using modhost::InstanceOptions;
using modhost::PluginLibrary;

std::string errorOf(const std::string& path) {
    try {
        PluginLibrary library(path);
    } catch (const HostError& e) {
        return e.what();
    }
    return "";
}

TEST(HostLoading, ReportsTheFileAndTheReason) {
    auto dir = std::filesystem::temp_directory_path() / "modhost_loading_test";
    std::filesystem::create_directories(dir);
    std::string text = (dir / "notes.so").string();
    std::ofstream(text) << "not a library\n";

    EXPECT_NE(errorOf("/no/such/plugin.so").find("/no/such/plugin.so: no such file"),
              std::string::npos);
    EXPECT_NE(errorOf(text).find(text + ": cannot be loaded as a shared library"),
              std::string::npos);
    EXPECT_NE(errorOf(dir.string()).find("not a regular file"), std::string::npos);
    EXPECT_NE(errorOf("no_such_deliverable").find("no_such_deliverable.so"), std::string::npos);
    std::filesystem::remove_all(dir);
}

TEST(HostLoading, FindsADeliverableByNameInTheBuildFolder) {
    PluginLibrary library("math_sin");
    EXPECT_EQ(library.deliverable(), "math_sin");
    EXPECT_EQ(library.describe().name, "OXB Sin(x)");
}

TEST(HostPins, UnknownNameSuggestsTheClosestPin) {
    Instance m(load("math_pow2"));
    EXPECT_EQ(m.plug("Output"), 1);
    try {
        m.plug("Outptu");
        FAIL();
    } catch (const HostError& e) {
        EXPECT_STREQ(e.what(), "math_pow2 has no pin \"Outptu\"; did you mean \"Output\"?");
    }
}

TEST(HostBuffers, BlockSizeNeverExceedsTheLongestBuffer) {
    Instance m(load("math_pow2"), InstanceOptions{.blockSize = 1 << 24});
    EXPECT_EQ(m.blockSize(), 1 << 20);
    m.setBlockSize(1 << 30);
    EXPECT_EQ(m.blockSize(), 1 << 20);
    EXPECT_EQ(m.traffic().size(), 0u);  // construction and rate changes make no host call
}

TEST(HostEvents, BlockIsSplitAtEachEventAndTheClockFollows) {
    Instance m(load("math_pow2"), InstanceOptions{.blockSize = 64, .initialStatus = false});
    m.open();
    m.processBlock();
    m.clearTraffic();
    m.queueStatus(0, PinStatus::Streaming, 64 + 20);
    m.queueStatus(0, PinStatus::Streaming, 64 + 50);
    m.queueStatus(0, PinStatus::Streaming, 64 + 50);
    int64_t calls = m.processCalls();
    m.processBlock();
    EXPECT_EQ(m.processCalls() - calls, 3);  // 0-19, 20-49, 50-63
    std::vector<int32_t> reportTimes;
    for (const auto& call : m.traffic())
        if (call.opcode == int32_t(HostOp::SetPinStatus)) reportTimes.push_back(int32_t(call.ptr));
    EXPECT_EQ(reportTimes, (std::vector<int32_t>{84, 114, 114}));
    EXPECT_EQ(m.blockStart(), 128);
}

}  // namespace
}  // namespace plugin_test
