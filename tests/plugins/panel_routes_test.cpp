// How the host carries values and data between the two halves of an instance.
#include <gtest/gtest.h>

#include "plugin_fixture.h"

namespace plugin_test {
namespace {

using modhost::Instance;
using modhost::InstanceOptions;
using modhost::PinValue;

constexpr int32_t kValueIn = 1, kLabel = 3, kEcho = 4, kShown = 5, kCountIn = 6, kCountOut = 7;

std::shared_ptr<const modhost::PluginLibrary> probe() {
    static auto library =
        std::make_shared<modhost::PluginLibrary>(std::string(TEST_PLUGIN_DIR) + "/panel_probe.so");
    return library;
}

struct Routes : ::testing::Test {
    Instance m{probe(), InstanceOptions{.blockSize = 32}};
    void SetUp() override {
        ASSERT_NE(m.panel(), nullptr);
        m.open();
        m.processBlock();
    }
};

TEST_F(Routes, SharedPinReachesTheProcessingHalfAndItsOutputTheMatchingPanelPin) {
    m.setPin("Knob", 3.0, 32 + 7);
    m.processBlock();
    EXPECT_EQ(m.outputStatus(0).time, 39);  // the processing half saw the change at its sample
    EXPECT_EQ(m.value(0), 6.0);
    EXPECT_EQ(m.pinValue(kValueIn).number, 6.0);  // "Value - Out" reached "Value - In"
    EXPECT_EQ(m.pinValue(kEcho).number, 6.0);     // whose change the panel copied to "Echo"
}

TEST_F(Routes, PanelWritesAreAnnouncedBackOnlyWhenTheyChangeAValue) {
    std::string shown = m.pinValue(kShown).text;
    m.setPin(kValueIn, PinValue{0.0, {}});  // the panel copies 0.0 to Echo, which holds 0.0
    m.processBlock();
    EXPECT_EQ(m.pinValue(kShown).text, shown);
    m.setPin(kValueIn, PinValue{1.5, {}});  // Echo changes: its announcement sends "echo"
    m.processBlock();
    EXPECT_EQ(m.pinValue(kEcho).number, 1.5);
    EXPECT_EQ(m.pinValue(kShown).text, "got echo 1.500000");
}

std::vector<std::string> texts(const std::vector<std::vector<uint8_t>>& messages) {
    std::vector<std::string> out;
    for (const auto& bytes : messages) out.emplace_back(bytes.begin(), bytes.end() - 1);
    return out;
}

TEST_F(Routes, DataMessagesTravelBothWays) {
    m.setPin("Knob", 0.5);
    m.processBlock();
    // Knob's change sends "knob", and its published value, copied to Echo by the panel,
    // makes the panel send "echo", which the processing half answers.
    EXPECT_EQ(texts(m.sentData()),
              (std::vector<std::string>{"knob 0.000000", "knob 0.500000", "got echo 1.000000"}));
    EXPECT_EQ(m.pinValue(kShown).text, "got echo 1.000000");
    EXPECT_EQ(texts(m.dataFromPanel()), std::vector<std::string>{"echo 1.000000"});
    m.setPin("Label", std::string("hello"));  // the panel sends it to the processing half
    EXPECT_EQ(m.pinValue(kLabel).text, "hello");
    m.processBlock();
    EXPECT_EQ(m.pinValue(kShown).text, "got hello");
}

TEST_F(Routes, WholeNumbersThePanelWritesKeepEveryDigit) {
    // 2^24 + 1: the first whole number a float cannot hold.
    m.setPin(kCountIn, PinValue{16777217.0, {}});
    m.processBlock();
    EXPECT_EQ(m.pinValue(kCountOut).number, 16777217.0);
}

TEST(PanelOpen, RestoredValuesReachBothHalvesUnannounced) {
    // The switch recovers its position from the stored switch values.
    Instance restored(load("panel_switch6"), InstanceOptions{.keepPanelValues = true});
    restored.restorePin(restored.pin("Switch 3").listingIndex, PinValue{1.0, {}});
    restored.restorePin(restored.pin("Switch 5").listingIndex, PinValue{0.7, {}});
    restored.open();
    EXPECT_EQ(restored.pinValue(restored.pin("Panel 3").listingIndex).number, 1.0);
    EXPECT_EQ(restored.pinValue(restored.pin("Panel 5").listingIndex).number, 0.0);
    EXPECT_EQ(restored.pinValue(restored.pin("Switch 5").listingIndex).number, 0.0);
}

TEST(PanelOpen, FirstStatusRewritesTheStoredValue) {
    // The module scales its member in place at every status change; a value
    // stored before open must reach the output once scaled, not twice.
    Instance m(load("guifloat_to_volts"),
               InstanceOptions{.blockSize = 16, .keepPanelValues = true});
    m.restorePin(m.pin("GUI 2 DSP").listingIndex, PinValue{5.0, {}});
    m.open();
    m.processBlock();
    EXPECT_FLOAT_EQ(m.buffer(m.plug("Volts"))[0], 0.5f);
}

TEST(PanelOpen, KeepValuesIsPassedOn) {
    Instance fresh(probe(), InstanceOptions{.keepPanelValues = false});
    fresh.open();
    EXPECT_EQ(fresh.panel()->traffic().size(), 1u);  // open(false) wrote Echo
    Instance kept(probe(), InstanceOptions{.keepPanelValues = true});
    kept.open();
    EXPECT_TRUE(kept.panel()->traffic().empty());
    Instance processingOnly(load("math_sin"));
    EXPECT_EQ(processingOnly.panel(), nullptr);
}

}  // namespace
}  // namespace plugin_test
