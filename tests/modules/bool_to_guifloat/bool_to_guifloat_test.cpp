// bool_to_guifloat through the reference host: the processing half publishes
// the chosen value, the host carries it to the panel, which shows it on "Float".
#include <cmath>

#include "converter_test_support.h"

namespace converter_test {
namespace {

constexpr int32_t kGuiIn = 1, kFloat = 3;
constexpr int32_t kGuiOutPlug = 0;
constexpr int32_t kBlock = 32;

TEST(BoolToGuiFloatLibrary, DescriptorAndPins) {
    expectDescriptor("bool_to_guifloat", "ZRM Bool2GuiFloat",
                     "ZRM Bool To GuiFloat - v1.0.3\n\nZRM Modules\n\n"
                     "Converts incoming booleans to float values chosen in the parameters.\n\n"
                     "Parameter changes reflect in the output immediately.");
    Instance m(plugin_test::load("bool_to_guifloat"));
    ASSERT_NE(m.panel(), nullptr);
    EXPECT_EQ(
        pinTable(m),
        (std::vector<PinRow>{
            {"DSP 2 GUI - Out", PinDirection::Out, PinKind::Float, {}, {}, 0x30100, 0},
            {"DSP 2 GUI - In", PinDirection::In, PinKind::Float, {}, {}, 0x30500, -1},
            {"Bool", PinDirection::In, PinKind::Bool, {}, {}, 0x20000, 1},
            {"Float", PinDirection::Out, PinKind::Float, {}, {}, 0x20400, -1},
            {"Value if FALSE ", PinDirection::Parameter, PinKind::Float, "0.0", {}, 0x28402, 2},
            {"Value if TRUE ", PinDirection::Parameter, PinKind::Float, "10.0", {}, 0x28402, 3},
        }));
    expectOwnMembers(m);
}

struct BoolToGuiFloat : ::testing::Test {
    Instance m{plugin_test::load("bool_to_guifloat"), InstanceOptions{.blockSize = kBlock}};
    void SetUp() override {
        m.open();
        m.processBlock();
    }
    size_t panelMark() { return m.panel()->traffic().size(); }
    double pin(int32_t index) { return m.pinValue(index).number; }
    void setBool(bool value) {
        m.setPin("Bool", value ? 1.0 : 0.0);
        m.processBlock();
    }
};

TEST_F(BoolToGuiFloat, TheChosenValueReachesFloatThroughTheHost) {
    size_t from = m.traffic().size();
    m.setPin("Bool", 1.0, kBlock + 5);
    m.processBlock();
    EXPECT_EQ(statusReports(m, from), (std::vector<StatusReport>{
                                          {kGuiOutPlug, PinStatus::OneOff, kBlock + 5},
                                      }));
    EXPECT_EQ(m.value(kGuiOutPlug), 10.0);
    EXPECT_EQ(pin(kGuiIn), 10.0);
    EXPECT_EQ(pin(kFloat), 10.0);
    setBool(false);
    EXPECT_EQ(pin(kFloat), 0.0);
}

TEST_F(BoolToGuiFloat, AChangeOfTheShownValueShowsAtOnceAndOfTheOtherNot) {
    setBool(true);  // 10.0 arrives, "Value if FALSE " is 0.0: the TRUE value is shown
    size_t from = m.traffic().size(), panelFrom = panelMark();
    m.setPin("Value if TRUE ", 7.0);
    EXPECT_EQ(panelWrites(m, panelFrom)[0], setFloat(kGuiIn, 7.0f));
    EXPECT_EQ(pin(kFloat), 7.0);

    panelFrom = panelMark();
    m.setPin("Value if FALSE ", 1.0);
    EXPECT_TRUE(panelWrites(m, panelFrom).empty());
    m.processBlock();
    EXPECT_TRUE(statusReports(m, from).empty());  // the processing half publishes nothing
}

TEST_F(BoolToGuiFloat, AValueEqualToTheFalseValueCountsAsTheFalseValue) {
    m.setPin("Value if FALSE ", 4.0);
    m.setPin("Value if TRUE ", 4.0);
    setBool(true);
    m.setPin("Value if FALSE ", 5.0);
    EXPECT_EQ(pin(kGuiIn), 5.0);
    EXPECT_EQ(pin(kFloat), 5.0);
}

TEST_F(BoolToGuiFloat, AValueThatIsNotANumberCountsAsEqual) {
    m.setPin("Value if TRUE ", std::nan(""));
    setBool(true);
    EXPECT_TRUE(std::isnan(pin(kFloat)));
    m.setPin("Value if FALSE ", 2.0);  // shown as the FALSE value, so it shows at once
    EXPECT_EQ(pin(kFloat), 2.0);

    m.setPin("Value if TRUE ", 9.0);
    m.setPin("Value if FALSE ", std::nan(""));
    setBool(true);  // 9.0 arrives and meets a FALSE value that is not a number
    m.setPin("Value if TRUE ", 8.0);
    EXPECT_EQ(pin(kFloat), 9.0);
}

TEST_F(BoolToGuiFloat, AfterOpcode11Or12TheNextFloatChangeShowsTheFalseValue) {
    for (PanelOp op : {PanelOp::Opcode11, PanelOp::Opcode12}) {
        m.setPin("Value if FALSE ", 2.0);
        setBool(true);
        size_t panelFrom = panelMark();
        m.setPin("Float", 5.0);  // nothing pending: the user's value stays
        EXPECT_TRUE(panelWrites(m, panelFrom).empty());

        EXPECT_EQ(m.panel()->dispatch(op, 7), 0);
        m.setPin("Float", 6.0);
        EXPECT_EQ(pin(kFloat), 2.0);
        EXPECT_EQ(pin(kGuiIn), 2.0);
        m.setPin("Float", 8.0);  // the reset was used up
        EXPECT_EQ(pin(kFloat), 8.0);
        m.setPin("Value if FALSE ", 3.0);  // and the FALSE value counts as shown
        EXPECT_EQ(pin(kFloat), 3.0);
        setBool(false);
    }
}

TEST_F(BoolToGuiFloat, APendingResetWithAFalseValueThatIsNotANumberEnds) {
    m.setPin("Value if FALSE ", std::nan(""));
    m.panel()->dispatch(PanelOp::Opcode12, 0);
    size_t panelFrom = panelMark();
    m.setPin("Float", 1.0);
    // Each written value that is not a number counts as a change and is announced back.
    EXPECT_EQ(panelWrites(m, panelFrom).size(), 3u);
    EXPECT_TRUE(std::isnan(pin(kFloat)));
    EXPECT_TRUE(std::isnan(pin(kGuiIn)));
}

TEST(BoolToGuiFloatOpen, WritesInitialValuesOnlyWhenNotKeepingThem) {
    Instance fresh(plugin_test::load("bool_to_guifloat"));
    fresh.open();
    EXPECT_EQ(calls(fresh.panel()->traffic()),
              (std::vector<Call>{setFloat(kFloat, 0.0f), setFloat(kGuiIn, 0.0f)}));
    Instance kept(plugin_test::load("bool_to_guifloat"), InstanceOptions{.keepPanelValues = true});
    kept.open();
    EXPECT_TRUE(kept.panel()->traffic().empty());
    kept.setPin("Value if FALSE ", 1.0);  // shown as the FALSE value from open on
    EXPECT_EQ(kept.pinValue(kFloat).number, 1.0);
}

TEST_F(BoolToGuiFloat, EveryProcessCallAsksToSleep) {
    size_t from = m.traffic().size();
    m.callProcess(0, kBlock);
    m.callProcess(0, kBlock);
    EXPECT_EQ(count(m.traffic(), HostOp::RequestSleep, from), 2u);
}

}  // namespace
}  // namespace converter_test
