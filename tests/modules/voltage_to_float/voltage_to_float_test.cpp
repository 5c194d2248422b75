// voltage_to_float loaded and driven through the host, both halves from one library.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "plugin_fixture.h"

namespace plugin_test {
namespace {

using modhost::Instance;
using modhost::InstanceOptions;

constexpr int32_t kSignalIn = 0;  // the only plug
constexpr int32_t kValue = 1;     // listing index of the panel's "Value"
constexpr int32_t kBlock = 32;

std::vector<std::string> texts(const Instance& m) {
    std::vector<std::string> out;
    for (const auto& bytes : m.sentData()) out.emplace_back(bytes.begin(), bytes.end() - 1);
    return out;
}

TEST(VoltageToFloat, DescribesItselfOnlyForIndexZero) {
    auto library = load("voltage_to_float");
    ModuleDescriptor d;
    std::memset(&d, 0x5A, sizeof d);
    ASSERT_EQ(library->getModuleProperties()(0, &d), 1);
    EXPECT_STREQ(d.name, "QV_VoltageToFloat");
    EXPECT_STREQ(d.id, "quorvex QV_VoltageToFloat 2.0+");
    EXPECT_EQ(std::string(d.about).substr(0, std::strlen("QV_VoltageToFloat module v2.0\n")),
              "QV_VoltageToFloat module v2.0\n");
    EXPECT_EQ(d.flags, 0x100);
    EXPECT_EQ(d.flags2, 0x5A5A5A5A);
    EXPECT_EQ(d.interfaceVersion, 2190);

    ModuleDescriptor other, untouched;
    std::memset(&other, 0x5A, sizeof other);
    std::memset(&untouched, 0x5A, sizeof untouched);
    EXPECT_EQ(library->getModuleProperties()(1, &other), 0);
    EXPECT_EQ(std::memcmp(&other, &untouched, sizeof other), 0);
}

TEST(VoltageToFloat, ListsAnAudioInputAndAPanelFloat) {
    Instance m(load("voltage_to_float"));
    ASSERT_EQ(m.pins().size(), 2u);
    EXPECT_EQ(m.plugCount(), 1);
    const auto& in = m.pins()[0];
    EXPECT_EQ(in.name, "Signal In");
    EXPECT_EQ(in.direction, PinDirection::In);
    EXPECT_EQ(in.kind, PinKind::Audio);
    EXPECT_EQ(in.flags, int32_t(PinFlag::Bit200));
    EXPECT_FALSE(in.defaultValue.has_value());
    const auto& value = m.pins()[1];
    EXPECT_EQ(value.name, "Value");
    EXPECT_EQ(value.direction, PinDirection::Out);
    EXPECT_EQ(value.kind, PinKind::Float);
    EXPECT_EQ(value.flags, int32_t(PinFlag::PanelSide));
    EXPECT_EQ(value.plugIndex, -1);
}

struct Watching : ::testing::Test {
    Instance m{load("voltage_to_float"), InstanceOptions{.blockSize = kBlock}};
    void SetUp() override {
        ASSERT_NE(m.panel(), nullptr);
        m.open();
        m.processBlock();
    }
    void stream() {
        m.queueStatus(kSignalIn, PinStatus::Streaming);
        m.processBlock();
    }
    void block(float sample) {
        m.fillBuffer(kSignalIn, sample);
        m.processBlock();
    }
};

TEST_F(Watching, OpenAnnouncesItselfAndTheFirstStatusSendsTheValue) {
    EXPECT_EQ(texts(m), (std::vector<std::string>{"O", "d0.000000"}));
    EXPECT_EQ(m.pinValue(kValue).number, 0.0);
}

TEST_F(Watching, MovesAboveTheThresholdReachTheValuePin) {
    stream();
    size_t sent = texts(m).size();
    block(0.0000005f);
    EXPECT_EQ(texts(m).size(), sent);
    block(0.25f);
    EXPECT_EQ(texts(m).back(), "d2.500000");
    EXPECT_EQ(m.pinValue(kValue).number, 2.5);
    block(0.2500009f);  // measured against the last value sent
    EXPECT_EQ(texts(m).size(), sent + 1);
    block(0.2500011f);
    EXPECT_EQ(texts(m).size(), sent + 2);
    block(0.2499f);
    EXPECT_EQ(texts(m).back(), "d2.499000");
}

TEST_F(Watching, OnlyTheFirstSampleOfEachCallIsLookedAt) {
    stream();
    size_t sent = texts(m).size();
    m.fillBuffer(kSignalIn, 0.5f);
    m.buffer(kSignalIn)[0] = 0.0f;
    m.processBlock();
    m.buffer(kSignalIn)[0] = 0.0f;
    m.processBlock();
    EXPECT_EQ(texts(m).size(), sent);
    m.processBlock(1);  // a call that begins at buffer position 0 again
    m.callProcess(5, 10);
    EXPECT_EQ(texts(m).back(), "d5.000000");
}

TEST_F(Watching, StatusChangesSendTheCurrentValueEvenWhenUnchanged) {
    m.fillBuffer(kSignalIn, 0.1f);
    stream();  // the change sends 1 V, and so does the first watched call, which sees the move
    EXPECT_EQ(texts(m), (std::vector<std::string>{"O", "d0.000000", "d1.000000", "d1.000000"}));
    m.queueStatus(kSignalIn, PinStatus::Static);
    m.processBlock();
    EXPECT_EQ(texts(m).size(), 5u);
    EXPECT_EQ(texts(m).back(), "d1.000000");
}

TEST_F(Watching, ConstantInputIsWatchedForOneBlockThenSleeps) {
    m.queueStatus(kSignalIn, PinStatus::Static, m.blockStart() + 10);
    m.processBlock();
    EXPECT_FALSE(m.asleep());  // 22 samples of the 32 watched
    m.processBlock();
    EXPECT_TRUE(m.asleep());
    stream();
    for (int i = 0; i < 3; ++i) m.processBlock();
    EXPECT_FALSE(m.asleep());
}

TEST_F(Watching, ExtremeInputsAreSentInFull) {
    m.fillBuffer(kSignalIn, -FLT_MAX);
    m.queueStatus(kSignalIn, PinStatus::OneOff);
    m.processBlock();
    char expected[400];
    std::snprintf(expected, sizeof expected, "d%f", double(-FLT_MAX) * 10.0);
    EXPECT_EQ(texts(m).back(), expected);
    EXPECT_EQ(m.sentData().back().size(), 50u);
    EXPECT_EQ(m.pinValue(kValue).number, -INFINITY);

    m.fillBuffer(kSignalIn, std::nanf(""));
    stream();
    size_t sent = texts(m).size();  // the status change sent "nan", which shows as 0
    EXPECT_EQ(m.pinValue(kValue).number, 0.0);
    block(std::nanf(""));
    EXPECT_EQ(texts(m).size(), sent);  // a NaN never counts as moved
}

// Messages handed straight to the panel half, as exact-size copies.
TEST_F(Watching, PanelReadsOnlyDisplayMessagesWithinTheirBytes) {
    auto receive = [&](std::vector<char> bytes, int32_t count) {
        m.panel()->dispatch(PanelOp::ReceiveData, count, 0, bytes.data());
    };
    receive({'d', '1', '.', '5', '\0'}, 5);
    EXPECT_EQ(m.pinValue(kValue).number, 1.5);
    receive({'d', '-', '3', '7'}, 3);  // no NUL within the count
    EXPECT_EQ(m.pinValue(kValue).number, -3.0);
    for (auto bytes :
         {std::vector<char>{'v', '9', '\0'}, std::vector<char>{'O', '\0'}, std::vector<char>{'x'}})
        receive(bytes, int32_t(bytes.size()));
    receive({}, 0);
    receive({'d', '8'}, -1);
    EXPECT_EQ(m.pinValue(kValue).number, -3.0);
    receive({'d'}, 1);
    EXPECT_EQ(m.pinValue(kValue).number, 0.0);
}

}  // namespace
}  // namespace plugin_test
