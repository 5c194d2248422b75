// guibool_to_volts through the reference host: the panel half chooses a value,
// the processing half turns it into a constant voltage.
#include <cmath>
#include <limits>

#include "converter_test_support.h"

namespace converter_test {
namespace {

constexpr int32_t kGuiToDsp = 0, kBool = 1, kFalse = 3, kTrue = 4;
constexpr int32_t kVoltsPlug = 1;
constexpr int32_t kBlock = 64;

constexpr float kTenth = 0.1f;

TEST(GuiBoolToVoltsLibrary, DescriptorAndPins) {
    expectDescriptor("guibool_to_volts", "ZRM GuiBool2Volts",
                     "ZRM GuiBool To Volts - v1.1.0\n\nZRM Modules\n\n"
                     "Converts incoming booleans to the voltage chosen in the parameters.\n\n"
                     "Parameter changes reflect in the output immediately.");
    Instance m(plugin_test::load("guibool_to_volts"));
    ASSERT_NE(m.panel(), nullptr);
    EXPECT_EQ(
        pinTable(m),
        (std::vector<PinRow>{
            {"GUI 2 DSP", PinDirection::In, PinKind::Float, {}, {}, 0x28500, 0},
            {"Bool", PinDirection::In, PinKind::Bool, {}, {}, 0x20400, -1},
            {"Volts", PinDirection::Out, PinKind::Audio, {}, {}, 0x20000, 1},
            {"Value if FALSE ", PinDirection::Parameter, PinKind::Float, "0.0", {}, 0x20400, -1},
            {"Value if TRUE ", PinDirection::Parameter, PinKind::Float, "10.0", {}, 0x20400, -1},
        }));
    expectOwnMembers(m);
}

struct GuiBoolToVolts : ::testing::Test {
    Instance m{plugin_test::load("guibool_to_volts"), InstanceOptions{.blockSize = kBlock}};
    void SetUp() override {
        m.open();
        m.processBlock();
    }
    size_t panelMark() { return m.panel()->traffic().size(); }
    void expectVolts(float sample) {
        for (int i = 0; i < kBlock; ++i) ASSERT_EQ(m.buffer(kVoltsPlug)[i], sample) << i;
    }
};

TEST_F(GuiBoolToVolts, TrueChoosesItsValueWhichBecomesAConstantVoltage) {
    m.setPin("Value if TRUE ", 5.0);
    size_t panelFrom = panelMark(), from = m.traffic().size();
    // The buffer is written between the two reports.
    std::vector<float> lastSampleAtReport;
    m.setStatusListener([&](int32_t, PinStatus, int64_t) {
        lastSampleAtReport.push_back(m.buffer(kVoltsPlug)[kBlock - 1]);
    });

    m.setPin("Bool", 1.0);
    // The panel's own write of "GUI 2 DSP" comes back to it and is ignored.
    EXPECT_EQ(calls(m.panel()->traffic(), panelFrom),
              (std::vector<Call>{getValue(kBool), getValue(kTrue), setFloat(kGuiToDsp, 5.0f)}));
    m.processBlock();

    EXPECT_EQ(statusReports(m, from), (std::vector<StatusReport>{
                                          {kVoltsPlug, PinStatus::Streaming, kBlock},
                                          {kVoltsPlug, PinStatus::OneOff, kBlock},
                                      }));
    EXPECT_EQ(lastSampleAtReport, (std::vector<float>{0.0f, 5.0f * kTenth}));
    expectVolts(5.0f * kTenth);
    EXPECT_TRUE(m.asleep());
}

TEST_F(GuiBoolToVolts, TheWholeBlockIsWrittenWhereverTheChangeFalls) {
    m.setPin("GUI 2 DSP", 2.0, kBlock + 10);
    size_t from = m.traffic().size();
    m.processBlock();
    EXPECT_EQ(statusReports(m, from), (std::vector<StatusReport>{
                                          {kVoltsPlug, PinStatus::Streaming, kBlock + 10},
                                          {kVoltsPlug, PinStatus::OneOff, kBlock + 10},
                                      }));
    expectVolts(2.0f * kTenth);
}

TEST_F(GuiBoolToVolts, EitherValueChangeRewritesTheChosenOne) {
    m.setPin("Value if TRUE ", 7.0);
    m.setPin("Bool", 1.0);
    m.setPin("Value if FALSE ", 3.0);  // "Bool" is true: the TRUE value is written again
    EXPECT_EQ(m.pinValue(kGuiToDsp).number, 7.0);
    m.setPin("Bool", 0.0);
    EXPECT_EQ(m.pinValue(kGuiToDsp).number, 3.0);
    m.processBlock();
    expectVolts(3.0f * kTenth);
}

TEST_F(GuiBoolToVolts, ChangesOfGuiToDspAndVoltsChangeNothingOnThePanel) {
    for (int32_t pin : {kGuiToDsp, 2}) {
        size_t from = panelMark();
        m.setPin(pin, modhost::PinValue{4.0, {}});
        EXPECT_EQ(calls(m.panel()->traffic(), from), (std::vector<Call>{getValue(kBool)}));
    }
    m.setPin("Value if FALSE ", 1.5);  // the panel still answers afterwards
    EXPECT_EQ(m.pinValue(kGuiToDsp).number, 1.5);
}

TEST_F(GuiBoolToVolts, Opcode12WithIndex1ResetsToTheFalseValue) {
    m.setPin("Value if FALSE ", 2.0);
    m.setPin("Bool", 1.0);
    for (int32_t index : {0, 2, -1}) {
        size_t from = panelMark();
        m.panel()->dispatch(PanelOp::Opcode12, index);
        EXPECT_EQ(panelMark(), from) << index;
    }
    size_t from = panelMark();
    EXPECT_EQ(m.panel()->dispatch(PanelOp::Opcode12, 1), 0);
    // Its own writes come back to the panel and are ignored.
    EXPECT_EQ(
        calls(m.panel()->traffic(), from),
        (std::vector<Call>{getValue(kFalse), setFloat(kGuiToDsp, 2.0f), setBool(kBool, false)}));
    EXPECT_EQ(m.pinValue(kBool).number, 0.0);
    m.processBlock();
    expectVolts(2.0f * kTenth);
}

TEST(GuiBoolToVoltsOpen, WritesInitialValuesOnlyWhenNotKeepingThem) {
    Instance fresh(plugin_test::load("guibool_to_volts"));
    fresh.open();
    EXPECT_EQ(calls(fresh.panel()->traffic()),
              (std::vector<Call>{setFloat(kGuiToDsp, 0.0f), setBool(kBool, false),
                                 setFloat(kFalse, 0.0f), setFloat(kTrue, 10.0f)}));
    Instance kept(plugin_test::load("guibool_to_volts"), InstanceOptions{.keepPanelValues = true});
    kept.open();
    EXPECT_TRUE(kept.panel()->traffic().empty());
    kept.setPin("Bool", 1.0);  // the guard was released
    EXPECT_EQ(kept.pinValue(kGuiToDsp).number, 10.0);
}

TEST_F(GuiBoolToVolts, EveryProcessCallAsksToSleep) {
    size_t from = m.traffic().size();
    m.callProcess(0, kBlock);
    m.callProcess(0, kBlock);
    EXPECT_EQ(count(m.traffic(), HostOp::RequestSleep, from), 2u);
    EXPECT_EQ(m.traffic().size() - from, 2u);
}

TEST(GuiBoolToVoltsFill, CountIsTheBlockSizeAtOpenButNeverMoreThanTheBuffer) {
    Instance m(plugin_test::load("guibool_to_volts"), InstanceOptions{.blockSize = 64});
    m.open();
    m.processBlock();
    std::vector<float> samples(128, -1.0f);
    m.readFrom(kVoltsPlug, samples.data());  // the output now writes here

    m.setBlockSize(128);
    m.setPin("GUI 2 DSP", 1.0);
    m.processBlock();
    EXPECT_EQ(samples[63], 1.0f * kTenth);
    EXPECT_EQ(samples[64], -1.0f);

    m.setBlockSize(16);  // the host's buffer shrinks with the block
    m.setPin("GUI 2 DSP", 2.0);
    m.processBlock();
    EXPECT_EQ(samples[15], 2.0f * kTenth);
    EXPECT_EQ(samples[16], 1.0f * kTenth);
}

TEST_F(GuiBoolToVolts, ExtremeValuesAreScaledLikeAnyOther) {
    constexpr float kInf = std::numeric_limits<float>::infinity();
    for (float volts : {3.0e38f, -3.0e38f, kInf, -kInf, 1.0e-45f}) {
        m.setPin("Value if FALSE ", volts);
        m.processBlock();
        expectVolts(volts * kTenth);
    }
    m.setPin("Value if FALSE ", std::nan(""));
    m.processBlock();
    EXPECT_TRUE(std::isnan(m.buffer(kVoltsPlug)[0]));
    m.setPin("Value if FALSE ", 1.0);  // and the module recovers
    m.processBlock();
    expectVolts(1.0f * kTenth);
}

}  // namespace
}  // namespace converter_test
