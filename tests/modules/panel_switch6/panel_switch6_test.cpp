// panel_switch6 through the reference host: six switch inputs, six outputs,
// exactly one position on.
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>

#include "converter_test_support.h"

namespace converter_test {
namespace {

constexpr int32_t kPositions = 6;

int32_t switchPin(int32_t position) {
    return 2 * (position - 1);
}
int32_t outputPin(int32_t position) {
    return 2 * (position - 1) + 1;
}

// The writes that select `position`, in the order the panel makes them.
std::vector<Call> selection(int32_t position) {
    std::vector<Call> out;
    for (int32_t p = 1; p <= kPositions; ++p)
        if (p != position) out.push_back(setFloat(switchPin(p), 0.0f));
    for (int32_t p = 1; p <= kPositions; ++p)
        if (p != position) out.push_back(setBool(outputPin(p), false));
    out.push_back(setFloat(switchPin(position), 1.0f));
    out.push_back(setBool(outputPin(position), true));
    return out;
}

std::vector<Call> operator+(std::vector<Call> a, const std::vector<Call>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Reads and writes each output, inverted and then as stored.
std::vector<Call> outputsAnnouncedAgain(const std::array<bool, kPositions>& stored) {
    std::vector<Call> out;
    for (int32_t p = 1; p <= kPositions; ++p) {
        bool b = stored[size_t(p - 1)];
        out.insert(out.end(),
                   {getValue(outputPin(p)), setBool(outputPin(p), !b), setBool(outputPin(p), b)});
    }
    return out;
}

std::vector<Call> switchReadsUpTo(int32_t position) {
    std::vector<Call> out;
    for (int32_t p = 1; p <= position; ++p) out.push_back(getValue(switchPin(p)));
    return out;
}

void expectPosition(Instance& m, int32_t position) {
    for (int32_t p = 1; p <= kPositions; ++p) {
        EXPECT_EQ(m.pinValue(switchPin(p)).number, p == position ? 1.0 : 0.0) << p;
        EXPECT_EQ(m.pinValue(outputPin(p)).number, p == position ? 1.0 : 0.0) << p;
    }
}

TEST(PanelSwitch6Library, DescriptorPinsAndAProcessingHalfThatSleeps) {
    expectDescriptor("panel_switch6", "ZRM PanelSwitch 6",
                     "ZRM PanelSwitch 6 - v1.0.2\n\nZRM Modules\n\n"
                     "This is a six-way toggle switch, allowing only one to be on at any given "
                     "moment.");
    Instance m(plugin_test::load("panel_switch6"), InstanceOptions{.blockSize = 16});
    ASSERT_NE(m.panel(), nullptr);
    std::vector<PinRow> expected;
    for (int32_t p = 1; p <= kPositions; ++p) {
        std::string n = std::to_string(p);
        expected.push_back({"Switch " + n, PinDirection::In, PinKind::Float, {}, {}, 0x20400, -1});
        expected.push_back({"Panel " + n, PinDirection::Out, PinKind::Bool, {}, {}, 0x20400, -1});
    }
    EXPECT_EQ(pinTable(m), expected);
    for (const auto& pin : m.pins()) EXPECT_EQ(pin.variable, nullptr) << pin.name;
    EXPECT_EQ(m.plugCount(), 0);

    m.open();
    EXPECT_TRUE(m.asleep());
    EXPECT_EQ(count(m.traffic(), HostOp::RequestSleep), 1u);
    m.processBlock();
    EXPECT_EQ(m.processCalls(), 0);
    m.callProcess(0, 16);
    EXPECT_EQ(count(m.traffic(), HostOp::RequestSleep), 2u);
}

struct PanelSwitch6 : ::testing::Test {
    Instance m{plugin_test::load("panel_switch6")};
    void SetUp() override { m.open(); }
    size_t panelMark() { return m.panel()->traffic().size(); }
};

TEST_F(PanelSwitch6, OpenWithoutKeptValuesSelectsPosition1WithoutReading) {
    EXPECT_EQ(calls(m.panel()->traffic()), selection(1));
    expectPosition(m, 1);
}

TEST_F(PanelSwitch6, AnyChangeOfASwitchSelectsItAndItsOwnEchoesAreIgnored) {
    size_t from = panelMark();
    m.setPin("Switch 4", 0.0);
    EXPECT_EQ(calls(m.panel()->traffic(), from), selection(4));
    expectPosition(m, 4);
    for (double value : {1.0, 0.3, -5.0, std::nan(""), 0.0}) {
        for (int32_t p : {6, 1, 3, 3}) {
            m.setPin(switchPin(p), modhost::PinValue{value, {}});
            expectPosition(m, p);
        }
    }
}

TEST_F(PanelSwitch6, AChangeOfAnOutputSelectsNothing) {
    size_t from = panelMark();
    m.setPin("Panel 2", 1.0);
    EXPECT_EQ(panelMark(), from);
    EXPECT_EQ(m.pinValue(outputPin(1)).number, 1.0);
    m.setPin("Switch 5", 1.0);  // the guard was released
    expectPosition(m, 5);
}

TEST(PanelSwitch6Open, KeptValuesAreAnnouncedAgainAndThePositionRecovered) {
    Instance m(plugin_test::load("panel_switch6"), InstanceOptions{.keepPanelValues = true});
    m.open();  // every switch below 0.5: position 1
    EXPECT_EQ(calls(m.panel()->traffic()),
              outputsAnnouncedAgain({}) + switchReadsUpTo(6) + selection(1));

    m.setPin("Switch 4", 1.0);
    m.setPin("Panel 2", 1.0);  // an output out of step with the position
    size_t from = m.panel()->traffic().size();
    m.panel()->open(true);
    EXPECT_EQ(calls(m.panel()->traffic(), from),
              outputsAnnouncedAgain({false, true, false, true, false, false}) + switchReadsUpTo(4) +
                  selection(4));
    expectPosition(m, 4);
}

// A host restoring a patch: the stored values are in place before the panel
// opens with kept values, and setting them announces nothing. The reference
// host announces every value it is given, so it cannot hold these values.
class RestoredPanel {
public:
    explicit RestoredPanel(std::array<float, kPositions> switches) {
        for (int32_t p = 1; p <= kPositions; ++p)
            cells_[size_t(switchPin(p))] = std::bit_cast<int32_t>(switches[size_t(p - 1)]);
        record_ = static_cast<PanelRecord*>(
            plugin_test::load("panel_switch6")->makeModule()(0, 2, &callback, this));
        record_->dispatcher(record_, int32_t(PanelOp::Open), 1, 0, nullptr, 0.0f);
    }
    ~RestoredPanel() { record_->dispatcher(record_, int32_t(PanelOp::Close), 0, 0, nullptr, 0.0f); }

    // The position whose switch holds 1.0 and whose output is true, or 0 when not exactly one.
    int32_t position() const {
        int32_t found = 0;
        for (int32_t p = 1; p <= kPositions; ++p) {
            bool on = std::bit_cast<float>(cells_[size_t(switchPin(p))]) == 1.0f;
            if (on != (cells_[size_t(outputPin(p))] != 0)) return 0;
            if (on) found = found == 0 ? p : -1;
        }
        return std::max(found, 0);
    }

private:
    static intptr_t callback(void* record, int32_t opcode, int32_t index, int32_t value, void* ptr,
                             float opt) {
        auto* self = static_cast<RestoredPanel*>(static_cast<PanelRecord*>(record)->hostPtr);
        if (index < 0 || index >= 2 * kPositions) return 0;
        int32_t& cell = self->cells_[size_t(index)];
        if (PanelHostOp(opcode) == PanelHostOp::GetPinValue) std::memcpy(ptr, &cell, sizeof cell);
        if (PanelHostOp(opcode) == PanelHostOp::SetPinValue)
            cell = index % 2 == 0 ? std::bit_cast<int32_t>(opt) : value;
        return 0;
    }

    std::array<int32_t, 2 * kPositions> cells_{};
    PanelRecord* record_ = nullptr;
};

TEST(PanelSwitch6Open, RecoversTheFirstSwitchAtHalfOrMore) {
    const float nan = std::nanf("");
    EXPECT_EQ(RestoredPanel({0.0f, 0.0f, 1.0f, 0.0f, 0.7f, 0.0f}).position(), 3);
    EXPECT_EQ(RestoredPanel({nan, 0.5f, 1.0f, 0.0f, 0.0f, 0.0f}).position(), 2);
    EXPECT_EQ(RestoredPanel({0.49f, 0.0f, 0.0f, nan, 0.0f, 0.2f}).position(), 1);
    EXPECT_EQ(RestoredPanel({0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 3.0e38f}).position(), 6);
}

}  // namespace
}  // namespace converter_test
