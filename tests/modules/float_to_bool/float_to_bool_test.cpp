// float_to_bool through the reference host: a float against a threshold.
#include <cmath>
#include <limits>

#include "converter_test_support.h"

namespace converter_test {
namespace {

constexpr int32_t kBoolPlug = 1;
constexpr int32_t kBlock = 16;
constexpr double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::nan("");

TEST(FloatToBoolLibrary, DescriptorPinsAndNoPanel) {
    expectDescriptor("float_to_bool", "ZRM Float2Bool",
                     "ZRM Float To Bool - v1.0.2\n\nZRM Modules\n\n"
                     "Converts incoming floats to boolean values, dependant on the method chosen "
                     "in properties.\n\n"
                     "Parameter changes reflect in the output immediately.");
    Instance m(plugin_test::load("float_to_bool"));
    EXPECT_EQ(m.panel(), nullptr);
    EXPECT_EQ(pinTable(m),
              (std::vector<PinRow>{
                  {"Float", PinDirection::In, PinKind::Float, {}, {}, 0x20000, 0},
                  {"Bool", PinDirection::Out, PinKind::Bool, {}, {}, 0x20000, 1},
                  {"Output FALSE if ", PinDirection::Parameter, PinKind::Enum, "0",
                   "Eq to TH=0,TH or Less", 0x20000, 2},
                  {"Threshold (TH)", PinDirection::Parameter, PinKind::Float, "0", {}, 0x20000, 3},
                  {"Invert Output", PinDirection::Parameter, PinKind::Bool, "0", {}, 0x20000, 4},
              }));
    expectOwnMembers(m);
}

struct Case {
    double condition, threshold, input;
    bool expected;  // without "Invert Output"
};

constexpr double kEqual = 0, kOrLess = 1;

class FloatToBoolCases : public ::testing::TestWithParam<Case> {};

INSTANTIATE_TEST_SUITE_P(
    Table, FloatToBoolCases,
    ::testing::Values(Case{kEqual, 0, 0.0, false}, Case{kEqual, 0, 0.001, true},
                      Case{kEqual, 0, -0.001, true}, Case{kOrLess, 1, 1.0, false},
                      Case{kOrLess, 1, 1.5, true}, Case{kOrLess, 1, 0.5, false},
                      Case{kEqual, 0, kNaN, false}, Case{kOrLess, 0, kNaN, false},
                      Case{kEqual, kNaN, 1.0, false}, Case{kOrLess, kNaN, 1.0, false},
                      Case{kEqual, kInf, kInf, false}, Case{kOrLess, -kInf, 3.0e38, true},
                      Case{kOrLess, kInf, 3.0e38, false},
                      // Item values other than 1 act as "Eq to TH".
                      Case{2, 1, 1.5, true}, Case{-1, 1, 0.5, true}, Case{32767, 1, 1.0, false}));

TEST_P(FloatToBoolCases, ResultAndItsInversion) {
    const Case& c = GetParam();
    for (bool invert : {false, true}) {
        Instance m(plugin_test::load("float_to_bool"), InstanceOptions{.blockSize = kBlock});
        m.open();
        m.setPin("Output FALSE if ", c.condition);
        m.setPin("Threshold (TH)", c.threshold);
        m.setPin("Invert Output", invert ? 1.0 : 0.0);
        m.setPin("Float", c.input);
        m.processBlock();
        EXPECT_EQ(m.value(kBoolPlug), (c.expected != invert) ? 1.0 : 0.0) << "invert " << invert;
    }
}

struct FloatToBool : ::testing::Test {
    Instance m{plugin_test::load("float_to_bool"), InstanceOptions{.blockSize = kBlock}};
    void SetUp() override {
        m.open();
        m.processBlock();
    }
};

TEST_F(FloatToBool, EveryPinChangeIsAnsweredAtItsSample) {
    m.setPin("Float", 0.5);
    m.processBlock();
    EXPECT_EQ(m.value(kBoolPlug), 1.0);
    size_t from = m.traffic().size();
    m.setPin("Threshold (TH)", 0.5, kBlock * 2 + 3);
    m.setPin("Invert Output", 1.0, kBlock * 2 + 9);
    m.processBlock();
    EXPECT_EQ(statusReports(m, from), (std::vector<StatusReport>{
                                          {kBoolPlug, PinStatus::OneOff, kBlock * 2 + 3},
                                          {kBoolPlug, PinStatus::OneOff, kBlock * 2 + 9},
                                      }));
    EXPECT_EQ(m.value(kBoolPlug), 1.0);  // 0.5 equals the threshold, inverted
    EXPECT_TRUE(m.asleep());
}

TEST_F(FloatToBool, EveryProcessCallAsksToSleep) {
    size_t from = m.traffic().size();
    m.callProcess(0, kBlock);
    m.callProcess(0, kBlock);
    EXPECT_EQ(count(m.traffic(), HostOp::RequestSleep, from), 2u);
    EXPECT_EQ(m.traffic().size() - from, 2u);
}

}  // namespace
}  // namespace converter_test
