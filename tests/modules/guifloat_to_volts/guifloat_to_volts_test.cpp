// guifloat_to_volts through the reference host: a panel float becomes a
// constant voltage.
#include <cmath>
#include <limits>

#include "converter_test_support.h"

namespace converter_test {
namespace {

constexpr int32_t kGuiToDsp = 0, kFloat = 1;
constexpr int32_t kVoltsPlug = 1;
constexpr int32_t kBlock = 32;

TEST(GuiFloatToVoltsLibrary, DescriptorAndPins) {
    expectDescriptor("guifloat_to_volts", "ZRM GuiFloat2Volts",
                     "ZRM GuiFloat To Volts - v1.1.0\n\nZRM Modules\n\n"
                     "Converts incoming floats to voltage.");
    Instance m(plugin_test::load("guifloat_to_volts"));
    ASSERT_NE(m.panel(), nullptr);
    EXPECT_EQ(pinTable(m), (std::vector<PinRow>{
                               {"GUI 2 DSP", PinDirection::In, PinKind::Float, {}, {}, 0x28500, 0},
                               {"Float", PinDirection::In, PinKind::Float, {}, {}, 0x20400, -1},
                               {"Volts", PinDirection::Out, PinKind::Audio, {}, {}, 0x20000, 1},
                           }));
    expectOwnMembers(m);
}

struct GuiFloatToVolts : ::testing::Test {
    Instance m{plugin_test::load("guifloat_to_volts"), InstanceOptions{.blockSize = kBlock}};
    void SetUp() override {
        m.open();
        m.processBlock();
    }
    size_t panelMark() { return m.panel()->traffic().size(); }
    void expectVolts(float sample) {
        for (int i = 0; i < kBlock; ++i) ASSERT_EQ(m.buffer(kVoltsPlug)[i], sample) << i;
    }
};

TEST_F(GuiFloatToVolts, PanelFloatBecomesTheVoltage) {
    size_t panelFrom = panelMark(), from = m.traffic().size();
    m.setPin("Float", 2.5);
    EXPECT_EQ(calls(m.panel()->traffic(), panelFrom),
              (std::vector<Call>{getValue(kFloat), setFloat(kGuiToDsp, 2.5f)}));
    m.processBlock();
    EXPECT_EQ(statusReports(m, from), (std::vector<StatusReport>{
                                          {kVoltsPlug, PinStatus::Streaming, kBlock},
                                          {kVoltsPlug, PinStatus::OneOff, kBlock},
                                      }));
    expectVolts(0.25f);
    EXPECT_TRUE(m.asleep());
}

TEST_F(GuiFloatToVolts, OnlyAChangeOfFloatIsCopied) {
    for (int32_t pin : {kGuiToDsp, 2}) {
        size_t from = panelMark();
        m.setPin(pin, modhost::PinValue{4.0, {}});
        EXPECT_EQ(panelMark(), from);
    }
    m.setPin("Float", -1.0);  // the guard was released
    EXPECT_EQ(m.pinValue(kGuiToDsp).number, -1.0);
}

TEST_F(GuiFloatToVolts, Opcode12WithIndex1ResetsBothPins) {
    m.setPin("Float", 6.0);
    for (int32_t index : {0, 2, 12}) {
        size_t from = panelMark();
        m.panel()->dispatch(PanelOp::Opcode12, index);
        EXPECT_EQ(panelMark(), from) << index;
    }
    size_t from = panelMark();
    m.panel()->dispatch(PanelOp::Opcode12, 1);
    EXPECT_EQ(calls(m.panel()->traffic(), from),
              (std::vector<Call>{setFloat(kGuiToDsp, 0.0f), setFloat(kFloat, 0.0f)}));
    m.processBlock();
    expectVolts(0.0f);
}

TEST(GuiFloatToVoltsOpen, WritesInitialValuesOnlyWhenNotKeepingThem) {
    Instance fresh(plugin_test::load("guifloat_to_volts"));
    fresh.open();
    EXPECT_EQ(calls(fresh.panel()->traffic()),
              (std::vector<Call>{setFloat(kGuiToDsp, 0.0f), setFloat(kFloat, 0.0f)}));
    Instance kept(plugin_test::load("guifloat_to_volts"), InstanceOptions{.keepPanelValues = true});
    kept.open();
    EXPECT_TRUE(kept.panel()->traffic().empty());
    kept.setPin("Float", 3.0);
    EXPECT_EQ(kept.pinValue(kGuiToDsp).number, 3.0);
}

TEST_F(GuiFloatToVolts, ExtremeFloatsAreScaledLikeAnyOther) {
    constexpr float kInf = std::numeric_limits<float>::infinity();
    for (float volts : {std::numeric_limits<float>::max(), -kInf, kInf}) {
        m.setPin("Float", volts);
        m.processBlock();
        expectVolts(volts * 0.1f);
    }
    m.setPin("Float", std::nan(""));
    m.processBlock();
    EXPECT_TRUE(std::isnan(m.buffer(kVoltsPlug)[kBlock - 1]));
}

}  // namespace
}  // namespace converter_test
