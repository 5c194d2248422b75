// volts_to_guifloat loaded and driven through the host, both halves from one library.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "plugin_fixture.h"

namespace plugin_test {
namespace {

using modhost::HostCall;
using modhost::Instance;
using modhost::InstanceOptions;
using modhost::PinValue;

// Listing indices, as the panel half numbers the pins.
enum : int32_t { kOutPin = 0, kInPin = 1, kVoltsPin = 2, kFloatPin = 3, kMethodPin = 4 };
// Plug indices of the processing half.
enum : int32_t { kOut = 0, kVolts = 1, kFloat = 2, kMethod = 3, kRate = 4 };

TEST(VoltsToGuiFloat, DescribesItselfOnlyForIndexZero) {
    auto library = load("volts_to_guifloat");
    ModuleDescriptor d;
    std::memset(&d, 0x5A, sizeof d);
    ASSERT_EQ(library->getModuleProperties()(0, &d), 1);
    EXPECT_STREQ(d.name, "ZRM Volts2GuiFloat");
    EXPECT_STREQ(d.id, "ZRM Volts2GuiFloat");
    EXPECT_STREQ(d.about,
                 "ZRM Volts To GuiFloat - v1.0.4\nZRM Modules\n\nConverts incoming voltage to "
                 "float values, dependant on the method chosen in properties.\n\nParameter "
                 "changes reflect in the output immediately.");
    EXPECT_EQ(d.flags2, 0x40);
    EXPECT_EQ(d.flags, 0x5A5A5A5A);
    EXPECT_EQ(d.interfaceVersion, 2230);

    ModuleDescriptor other, untouched;
    std::memset(&other, 0x5A, sizeof other);
    std::memset(&untouched, 0x5A, sizeof untouched);
    EXPECT_EQ(library->getModuleProperties()(1, &other), 0);
    EXPECT_EQ(std::memcmp(&other, &untouched, sizeof other), 0);
    EXPECT_EQ(library->makeModule()(1, 2, nullptr, nullptr), nullptr);
    EXPECT_EQ(library->makeModule()(0, 3, nullptr, nullptr), nullptr);
}

TEST(VoltsToGuiFloat, ListsItsPinsAndGivesPlugsToAllButTheMirror) {
    Instance m(load("volts_to_guifloat"));
    ASSERT_EQ(m.pins().size(), 6u);
    constexpr int32_t link = PinFlag::Bit20000 | PinFlag::Bit10000 | int32_t(PinFlag::Bit100);
    constexpr int32_t shared = PinFlag::Bit20000 | PinFlag::VisibleToProcessing |
                               int32_t(PinFlag::PanelSide) | int32_t(PinFlag::Bit02);
    struct Expected {
        const char* name;
        PinDirection direction;
        PinKind kind;
        const char* defaultValue;
        int32_t flags;
        int32_t plug;
    };
    const Expected expected[] = {
        {"DSP 2 GUI - Out", PinDirection::Out, PinKind::Float, "none", link, kOut},
        {"DSP 2 GUI - In", PinDirection::In, PinKind::Float, "none",
         link | int32_t(PinFlag::PanelSide), -1},
        {"Volts", PinDirection::In, PinKind::Audio, "none", int32_t(PinFlag::Bit20000), kVolts},
        {"Float", PinDirection::Out, PinKind::Float, "none", shared, kFloat},
        {"Sampling Method", PinDirection::Parameter, PinKind::Enum, "1", shared, kMethod},
        {"Sampling Rate (Hz)", PinDirection::Parameter, PinKind::Float, "40", shared, kRate},
    };
    for (size_t i = 0; i < 6; ++i) {
        const auto& pin = m.pins()[i];
        EXPECT_EQ(pin.name, expected[i].name);
        EXPECT_EQ(pin.direction, expected[i].direction) << pin.name;
        EXPECT_EQ(pin.kind, expected[i].kind) << pin.name;
        EXPECT_EQ(pin.defaultValue.value_or("none"), expected[i].defaultValue) << pin.name;
        EXPECT_EQ(pin.flags, expected[i].flags) << pin.name;
        EXPECT_EQ(pin.plugIndex, expected[i].plug) << pin.name;
    }
    EXPECT_EQ(m.pins()[kMethodPin].kindExtra.value_or(""), "Start,End,Start/End,All");
}

std::vector<std::pair<int32_t, float>> panelWrites(Instance& m) {
    std::vector<std::pair<int32_t, float>> out;
    for (const HostCall& call : m.panel()->traffic())
        if (call.opcode == int32_t(PanelHostOp::SetPinValue))
            out.emplace_back(call.index, call.opt);
    return out;
}

TEST(VoltsToGuiFloatPanel, OpenClearsFloatThenTheMirrorUnlessValuesAreKept) {
    Instance fresh(load("volts_to_guifloat"), InstanceOptions{.initialStatus = false});
    fresh.setPin(kFloatPin, PinValue{4.0, {}});
    fresh.setPin(kInPin, PinValue{4.0, {}});
    size_t before = panelWrites(fresh).size();
    fresh.open();
    auto writes = panelWrites(fresh);  // after these two, the announced mirror is copied again
    ASSERT_GE(writes.size(), before + 2);
    EXPECT_EQ(writes[before], std::make_pair(int32_t(kFloatPin), 0.0f));
    EXPECT_EQ(writes[before + 1], std::make_pair(int32_t(kInPin), 0.0f));
    EXPECT_EQ(fresh.pinValue(kFloatPin).number, 0.0);

    Instance kept(load("volts_to_guifloat"),
                  InstanceOptions{.initialStatus = false, .keepPanelValues = true});
    kept.setPin(kFloatPin, PinValue{4.0, {}});
    kept.open();
    EXPECT_TRUE(panelWrites(kept).empty());  // "Float" changes nothing on the panel
    EXPECT_EQ(kept.pinValue(kFloatPin).number, 4.0);
}

TEST(VoltsToGuiFloatPanel, CopiesOnlyTheMirrorToFloat) {
    Instance m(load("volts_to_guifloat"));
    m.open();
    m.setPin(kInPin, PinValue{3.5, {}});
    EXPECT_EQ(m.pinValue(kFloatPin).number, 3.5);
    m.setPin(kMethodPin, PinValue{0.0, {}});
    m.setPin(kOutPin, PinValue{-1.0, {}});
    EXPECT_EQ(m.pinValue(kFloatPin).number, 3.5);
    m.setPin(kFloatPin, PinValue{8.0, {}});
    EXPECT_EQ(m.pinValue(kInPin).number, 3.5);
}

struct BothHalves : ::testing::Test {
    Instance m{load("volts_to_guifloat"), InstanceOptions{.sampleRate = 6400.0f, .blockSize = 64}};
    void SetUp() override {
        m.open();
        m.processBlock();
    }
};

TEST_F(BothHalves, ConstantInputReachesThePanelsFloatAtOnce) {
    m.fillBuffer(kVolts, 0.35f);
    m.queueStatus(kVolts, PinStatus::OneOff);
    m.processBlock();
    EXPECT_EQ(float(m.value(kOut)), 0.35f * 10.0f);
    EXPECT_EQ(m.outputStatus(kOut).time, 64);
    EXPECT_EQ(float(m.pinValue(kFloatPin).number), 0.35f * 10.0f);
}

TEST_F(BothHalves, SampledWindowsReachThePanelAndSettingsComeFromIt) {
    m.setPin("Sampling Rate (Hz)", 100.0);  // windows of one block
    m.setPin("Sampling Method", 3.0);       // All
    m.queueStatus(kVolts, PinStatus::Streaming);
    m.fillBuffer(kVolts, 0.125f);
    m.processBlock();
    EXPECT_TRUE(m.outputStatus(kFloat).reported);  // sampling announced on "Float"
    m.fillBuffer(kVolts, -0.5f);
    m.processBlock();
    EXPECT_EQ(m.pinValue(kFloatPin).number, 1.25);
    m.processBlock();
    EXPECT_EQ(m.pinValue(kFloatPin).number, -5.0);
    EXPECT_EQ(float(m.value(kRate)), 100.0f);
}

TEST_F(BothHalves, NonNumbersAndHugeInputsArriveAsTheyAre) {
    for (float sample : {INFINITY, 1e30f}) {
        m.fillBuffer(kVolts, sample);
        m.queueStatus(kVolts, PinStatus::OneOff);
        m.processBlock();
        EXPECT_EQ(float(m.pinValue(kFloatPin).number), sample * 10.0f);
    }
    m.fillBuffer(kVolts, NAN);
    m.queueStatus(kVolts, PinStatus::OneOff);
    m.processBlock();
    EXPECT_TRUE(std::isnan(m.pinValue(kFloatPin).number));
}

}  // namespace
}  // namespace plugin_test
