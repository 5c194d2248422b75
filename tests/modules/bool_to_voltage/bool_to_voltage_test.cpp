// bool_to_voltage loaded and driven through the host, both halves from one library.
#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "panel_recorder.h"
#include "plugin_fixture.h"

namespace plugin_test {
namespace {

using modhost::HostCall;
using modhost::Instance;
using modhost::InstanceOptions;

constexpr int32_t kLoVal = 1, kHiVal = 2;
constexpr int32_t kVoltageOut = 0;  // the only plug
constexpr int32_t kBlock = 32;

std::vector<std::string> texts(const Instance& m) {
    std::vector<std::string> out;
    for (const auto& bytes : m.sentData()) out.emplace_back(bytes.begin(), bytes.end() - 1);
    return out;
}

// Messages the panel half sent to the processing half.
size_t panelSends(Instance& m) {
    size_t n = 0;
    for (const HostCall& call : m.panel()->traffic())
        n += call.opcode == int32_t(PanelHostOp::SendData);
    return n;
}

bool filledWith(Instance& m, float level) {
    for (int32_t i = 0; i < kBlock; ++i)
        if (m.buffer(kVoltageOut)[i] != level) return false;
    return true;
}

TEST(BoolToVoltage, DescribesItselfOnlyForIndexZero) {
    auto library = load("bool_to_voltage");
    ModuleDescriptor d;
    std::memset(&d, 0x5A, sizeof d);
    ASSERT_EQ(library->getModuleProperties()(0, &d), 1);
    EXPECT_STREQ(d.name, "QV_BoolToVoltage");
    EXPECT_STREQ(d.id, "quorvex QV_BoolToVoltage 2.0+");
    EXPECT_EQ(std::string(d.about).substr(0, std::strlen("QV_BoolToVoltage module v2.0\n")),
              "QV_BoolToVoltage module v2.0\n");
    EXPECT_EQ(d.flags, 0x100);
    EXPECT_EQ(d.flags2, 0x5A5A5A5A);
    EXPECT_EQ(d.interfaceVersion, 2190);

    ModuleDescriptor again{};
    library->getModuleProperties()(0, &again);
    EXPECT_EQ(again.id, d.id);  // one buffer for the library's life

    ModuleDescriptor other, untouched;
    std::memset(&other, 0x5A, sizeof other);
    std::memset(&untouched, 0x5A, sizeof untouched);
    EXPECT_EQ(library->getModuleProperties()(1, &other), 0);
    EXPECT_EQ(library->getModuleProperties()(-1, &other), 0);
    EXPECT_EQ(std::memcmp(&other, &untouched, sizeof other), 0);

    auto make = library->makeModule();
    EXPECT_EQ(make(1, 1, nullptr, nullptr), nullptr);
    EXPECT_EQ(make(1, 2, nullptr, nullptr), nullptr);
    EXPECT_EQ(make(0, 3, nullptr, nullptr), nullptr);
}

TEST(BoolToVoltage, ListsThreePanelPinsAndOneAudioOutput) {
    Instance m(load("bool_to_voltage"));
    ASSERT_EQ(m.pins().size(), 4u);
    EXPECT_EQ(m.plugCount(), 1);
    struct Expected {
        const char* name;
        PinDirection direction;
        PinKind kind;
        const char* defaultValue;
        int32_t flags;
        int32_t plug;
    };
    const Expected expected[] = {
        {"Bool In", PinDirection::In, PinKind::Bool, "none", int32_t(PinFlag::PanelSide), -1},
        {"Lo Val", PinDirection::In, PinKind::Float, "0", int32_t(PinFlag::PanelSide), -1},
        {"Hi Val", PinDirection::In, PinKind::Float, "10", int32_t(PinFlag::PanelSide), -1},
        {"Voltage Out", PinDirection::Out, PinKind::Audio, "none", 0, 0},
    };
    for (size_t i = 0; i < 4; ++i) {
        const auto& pin = m.pins()[i];
        EXPECT_EQ(pin.name, expected[i].name);
        EXPECT_EQ(pin.direction, expected[i].direction) << pin.name;
        EXPECT_EQ(pin.kind, expected[i].kind) << pin.name;
        EXPECT_EQ(pin.defaultValue.value_or("none"), expected[i].defaultValue) << pin.name;
        EXPECT_EQ(pin.flags, expected[i].flags) << pin.name;
        EXPECT_EQ(pin.plugIndex, expected[i].plug) << pin.name;
    }
}

struct Opened : ::testing::Test {
    Instance m{load("bool_to_voltage"), InstanceOptions{.blockSize = kBlock}};
    void SetUp() override {
        ASSERT_NE(m.panel(), nullptr);
        m.open();
        m.processBlock();
    }
};

TEST_F(Opened, OpenAnnouncesItselfAndThePanelAnswersWithTheLowLevel) {
    EXPECT_EQ(texts(m), std::vector<std::string>{"O"});
    EXPECT_EQ(panelSends(m), 1u);
    EXPECT_TRUE(m.outputStatus(kVoltageOut).reported);
    EXPECT_EQ(m.outputStatus(kVoltageOut).status, PinStatus::OneOff);
    EXPECT_TRUE(filledWith(m, 0.0f));
    EXPECT_EQ(m.pinValue(kLoVal).number, 0.0);
    EXPECT_EQ(m.pinValue(kHiVal).number, 10.0);
}

TEST_F(Opened, BoolInChoosesTheLevelWrittenToEverySample) {
    m.setPin("Bool In", 1.0);
    m.processBlock();
    EXPECT_EQ(m.outputStatus(kVoltageOut).time, kBlock);  // reported when the level arrived
    EXPECT_TRUE(filledWith(m, 1.0f));
    m.setPin("Bool In", 0.0);
    m.processBlock();
    EXPECT_TRUE(filledWith(m, 0.0f));
}

TEST_F(Opened, NewLevelsWaitForTheNextChangeOfBoolIn) {
    m.setPin("Bool In", 1.0);
    m.processBlock();
    size_t sent = panelSends(m);
    m.setPin("Hi Val", 5.0);
    m.setPin("Lo Val", -2.0);
    m.processBlock();
    EXPECT_EQ(panelSends(m), sent);
    EXPECT_TRUE(filledWith(m, 1.0f));
    m.setPin("Bool In", 0.0);
    m.processBlock();
    EXPECT_TRUE(filledWith(m, -0.2f));
    m.setPin("Bool In", 1.0);
    m.processBlock();
    EXPECT_TRUE(filledWith(m, 0.5f));
}

TEST_F(Opened, FillsOneBlockAfterALevelArrivesThenSleeps) {
    m.setPin("Bool In", 1.0);
    m.processBlock(20);
    EXPECT_FALSE(m.asleep());
    m.processBlock();  // 12 more samples complete the block, then the routine asks to sleep
    EXPECT_TRUE(m.asleep());
    m.processBlock();
    EXPECT_TRUE(filledWith(m, 1.0f));  // the buffer keeps the level while asleep
}

TEST_F(Opened, ClosingStopsThePanelFromSending) {
    m.panel()->dispatch(PanelOp::ReceiveData, 2, 0, const_cast<char*>("s"));
    m.setPin("Bool In", 1.0);
    EXPECT_EQ(panelSends(m), 1u);  // only the answer to "O"
    m.panel()->dispatch(PanelOp::ReceiveData, 2, 0, const_cast<char*>("O"));
    EXPECT_EQ(panelSends(m), 2u);
    m.processBlock();
    EXPECT_TRUE(filledWith(m, 1.0f));

    m.close();
    EXPECT_EQ(texts(m).back(), "s");
}

TEST(BoolToVoltagePanel, SendsNothingBeforeTheProcessingHalfOpens) {
    Instance m(load("bool_to_voltage"));
    m.setPin("Bool In", 1.0);
    m.setPin("Bool In", 0.0);
    EXPECT_EQ(panelSends(m), 0u);
}

TEST(BoolToVoltagePanel, OpenWritesTheLevelsUnlessValuesAreKept) {
    Instance fresh(load("bool_to_voltage"), InstanceOptions{.createPanel = true});
    fresh.setPin("Hi Val", 3.0);
    fresh.setPin("Lo Val", 1.0);
    fresh.open();
    EXPECT_EQ(fresh.pinValue(kLoVal).number, 0.0);
    EXPECT_EQ(fresh.pinValue(kHiVal).number, 10.0);
    std::vector<std::pair<int32_t, float>> writes;
    for (const HostCall& call : fresh.panel()->traffic())
        if (call.opcode == int32_t(PanelHostOp::SetPinValue))
            writes.emplace_back(call.index, call.opt);
    EXPECT_EQ(writes, (std::vector<std::pair<int32_t, float>>{{kLoVal, 0.0f}, {kHiVal, 10.0f}}));

    Instance kept(load("bool_to_voltage"), InstanceOptions{.keepPanelValues = true});
    kept.setPin("Hi Val", 3.0);
    kept.open();
    EXPECT_EQ(kept.pinValue(kHiVal).number, 3.0);
    for (const HostCall& call : kept.panel()->traffic())
        EXPECT_NE(call.opcode, int32_t(PanelHostOp::SetPinValue));
}

// Messages as the panel would send them; the host hands on exact-size copies.
struct Received : Opened {
    void receive(std::vector<char> bytes, int32_t count) {
        m.panelSentData(reinterpret_cast<const uint8_t*>(bytes.data()), count);
        m.processBlock();
    }
    void receive(const std::string& text) {
        receive(std::vector<char>(text.begin(), text.end() + 1), int32_t(text.size() + 1));
    }
};

TEST_F(Received, LevelMessagesAreReadAsDecimalNumbers) {
    receive("v-0.25");
    EXPECT_TRUE(filledWith(m, -0.25f));
    receive("v");
    EXPECT_TRUE(filledWith(m, 0.0f));
    receive("v  +1.5e-1xyz");
    EXPECT_TRUE(filledWith(m, 0.15f));
    receive("vinf");
    EXPECT_TRUE(filledWith(m, 0.0f));
}

TEST_F(Received, OtherMessagesAreIgnored) {
    receive("v0.5");
    int32_t reported = m.outputStatus(kVoltageOut).time;
    for (const char* text : {"x1.0", "V1.0", "O", "s", ""}) receive(text);
    receive({}, 0);
    char nine[] = {'v', '9'};
    m.dispatch(DispatchOp::ReceiveData, -3, 0, nine);
    m.dispatch(DispatchOp::ReceiveData, 5, 0, nullptr);
    m.processBlock();
    EXPECT_EQ(m.outputStatus(kVoltageOut).time, reported);
    EXPECT_TRUE(filledWith(m, 0.5f));
}

TEST_F(Received, NothingIsReadPastTheByteCount) {
    receive({'v', '0', '.', '2', '5', '9'}, 5);  // no NUL within the count
    EXPECT_TRUE(filledWith(m, 0.25f));
    std::string longText = "v" + std::string(100000, ' ') + "0.75";
    receive(std::vector<char>(longText.begin(), longText.end()), int32_t(longText.size()));
    EXPECT_TRUE(filledWith(m, 0.75f));
}

TEST_F(Opened, ExtremeLevelsTravelWithoutLosingDigits) {
    m.setPin("Hi Val", double(FLT_MAX));
    m.setPin("Bool In", 1.0);
    m.processBlock();
    EXPECT_TRUE(filledWith(m, float(double(FLT_MAX) * double(0.1f))));

    m.setPin("Hi Val", std::nan(""));
    m.setPin("Bool In", 0.0);
    m.setPin("Bool In", 1.0);
    m.processBlock();
    EXPECT_TRUE(filledWith(m, 0.0f));  // "vnan" holds no digits
}

enum : int32_t { kPanelBool = 0, kPanelLo = 1, kPanelHi = 2 };

TEST(BoolToVoltagePanelTexts, LevelsGoOutInSignalUnitsBetweenOpenedAndStopped) {
    PanelRecorder panel(*load("bool_to_voltage"));
    ASSERT_TRUE(panel.isMade());
    panel.dispatch(PanelOp::Open, 0);
    panel.set(kPanelBool, 1);
    EXPECT_TRUE(panel.sent.empty());
    panel.receive("O");
    panel.set(kPanelHi, 5);  // waits for the next change of "Bool In"
    panel.set(kPanelLo, -2);
    panel.set(kPanelBool, 0);
    panel.set(kPanelBool, 1);
    panel.set(kPanelBool, 1);  // sent again, though unchanged
    panel.receive("s");
    panel.set(kPanelBool, 0);
    panel.receive("Ox");
    EXPECT_EQ(panel.sent, (std::vector<std::string>{"v1.000000", "v-0.200000", "v0.500000",
                                                    "v0.500000", "v-0.200000"}));
}

TEST(BoolToVoltagePanelTexts, ExtremeLevelsAreWrittenInFull) {
    PanelRecorder panel(*load("bool_to_voltage"));
    panel.dispatch(PanelOp::Open, 1);
    panel.receive("O");
    for (float level : {FLT_MAX, -FLT_MAX, std::nanf(""), INFINITY}) {
        panel.values[kPanelHi] = level;
        panel.set(kPanelBool, 1);
        char expected[400];
        std::snprintf(expected, sizeof expected, "v%f", double(level) * double(0.1f));
        EXPECT_EQ(panel.sent.back(), expected);
    }
}

}  // namespace
}  // namespace plugin_test
