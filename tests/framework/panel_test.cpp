// The panel object: its record, opcode decoding and pin access through the host.
#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <thread>

#include "modframe/panel_module.h"
#include "modframe/plugin_entry.h"

namespace framework_test {
namespace {

using modframe::IndexValuePair;
using modframe::PanelModule;
using modframe::PanelPin;

struct PanelCall {
    int32_t opcode, index, value;
    intptr_t ptr;
    float opt;
    std::string text;  // the text passed with SetPinText
};

struct PanelHost {
    std::vector<PanelCall> calls;
    int32_t cell = 0;
    const char* text = nullptr;
    std::u16string wide;

    static intptr_t callback(void* record, int32_t opcode, int32_t index, int32_t value, void* ptr,
                             float opt) {
        auto* host = static_cast<PanelHost*>(static_cast<PanelRecord*>(record)->hostPtr);
        std::string text;
        if (PanelHostOp(opcode) == PanelHostOp::SetPinText && ptr) text = static_cast<char*>(ptr);
        host->calls.push_back({opcode, index, value, reinterpret_cast<intptr_t>(ptr), opt, text});
        switch (PanelHostOp(opcode)) {
            case PanelHostOp::GetPinValue: *static_cast<int32_t*>(ptr) = host->cell; return 0;
            case PanelHostOp::GetPinText: return reinterpret_cast<intptr_t>(host->text);
            case PanelHostOp::GetPinWideText:
                if (value == 0) return int32_t(host->wide.size() + 1);
                std::memcpy(ptr, host->wide.c_str(), size_t(value) * sizeof(char16_t));
                return 0;
            default: return 0;
        }
    }
};

std::vector<std::string> panelJournal;

class ProbePanel : public PanelModule {
public:
    using PanelModule::PanelModule;
    ~ProbePanel() override { panelJournal.push_back("destructor"); }
    bool opcode10Answer = false;

protected:
    void open(bool keep) override { panelJournal.push_back(keep ? "open keep" : "open"); }
    void close() override { panelJournal.push_back("close"); }
    void onOpcode2(int32_t index, void* ptr) override { note("2", index, ptr); }
    void onOpcode3(void* ptr, uint32_t bits, IndexValuePair p) override {
        note3("3", ptr, bits, p);
    }
    void onOpcode4(void* ptr, uint32_t bits, IndexValuePair p) override {
        note3("4", ptr, bits, p);
    }
    void onOpcode5(void* ptr, uint32_t bits, IndexValuePair p) override {
        note3("5", ptr, bits, p);
    }
    void onOpcode8(void* ptr) override { note("8", 0, ptr); }
    void onOpcode9(void* ptr) override { note("9", 0, ptr); }
    bool onOpcode10() override { return opcode10Answer; }
    void onOpcode11(int32_t index) override { note("11", index, nullptr); }
    void onOpcode12(int32_t index) override { note("12", index, nullptr); }
    void receiveData(int32_t value, int32_t index, void* data) override {
        panelJournal.push_back("data " + std::to_string(value) + " " + std::to_string(index) + " " +
                               static_cast<const char*>(data));
    }
    void pinChanged(PanelPin* pin) override {
        panelJournal.push_back("changed " + std::to_string(pin->index()));
    }

private:
    static void note(const char* op, int32_t index, void* ptr) {
        panelJournal.push_back(std::string(op) + " " + std::to_string(index) + " " +
                               std::to_string(reinterpret_cast<intptr_t>(ptr)));
    }
    static void note3(const char* op, void* ptr, uint32_t bits, IndexValuePair p) {
        panelJournal.push_back(std::string(op) + " " +
                               std::to_string(reinterpret_cast<intptr_t>(ptr)) + " " +
                               std::to_string(bits) + " {" + std::to_string(p.index) + ", " +
                               std::to_string(p.value) + "}");
    }
};

struct Panel : ::testing::Test {
    PanelHost host;
    PanelRecord* record = nullptr;
    ProbePanel* panel = nullptr;
    void SetUp() override {
        panelJournal.clear();
        record =
            static_cast<PanelRecord*>(modframe::makeHalf<ProbePanel>(&PanelHost::callback, &host));
        panel = static_cast<ProbePanel*>(static_cast<PanelModule*>(record->object));
    }
    void TearDown() override {
        if (record) call(1);
    }
    intptr_t call(int32_t opcode, int32_t index = 0, int32_t value = 0, void* ptr = nullptr,
                  float opt = 0.0f) {
        return record->dispatcher(record, opcode, index, value, ptr, opt);
    }
};

TEST_F(Panel, RecordIsFilledWithoutAHostCall) {
    EXPECT_EQ(record->magic, 0x5A4F4C4B);
    EXPECT_EQ(record->recordVersion, 1);
    EXPECT_EQ(record->hostPtr, &host);
    EXPECT_EQ(record->object, static_cast<PanelModule*>(panel));
    for (int32_t word : record->reserved) EXPECT_EQ(word, 0);
    EXPECT_TRUE(host.calls.empty());
}

TEST_F(Panel, OpenKeepsValuesOnlyForIndexOne) {
    for (int32_t index : {1, 0, 2, -1}) EXPECT_EQ(call(0, index), 0);
    EXPECT_EQ(panelJournal, (std::vector<std::string>{"open keep", "open", "open", "open"}));
}

TEST_F(Panel, CloseRunsCloseThenTheDestructorAndAnswersOne) {
    EXPECT_EQ(call(1), 1);
    record = nullptr;
    EXPECT_EQ(panelJournal, (std::vector<std::string>{"close", "destructor"}));
}

TEST_F(Panel, OpcodesPassTheirArgumentsInTheirOwnOrder) {
    int marker = 0;
    auto* ptr = &marker;
    auto address = std::to_string(reinterpret_cast<intptr_t>(ptr));
    float opt = 1.5f;
    auto bits = std::to_string(std::bit_cast<uint32_t>(opt));
    char bytes[] = "v2.5";
    for (int32_t opcode : {2, 3, 4, 5, 8, 9, 11, 12}) EXPECT_EQ(call(opcode, 7, 9, ptr, opt), 0);
    EXPECT_EQ(call(6, 5, 3, bytes), 0);
    EXPECT_EQ(call(7, 4), 0);
    EXPECT_EQ(
        panelJournal,
        (std::vector<std::string>{
            "2 7 " + address, "3 " + address + " " + bits + " {7, 9}",
            "4 " + address + " " + bits + " {7, 9}", "5 " + address + " " + bits + " {7, 9}",
            "8 0 " + address, "9 0 " + address, "11 7 0", "12 7 0", "data 3 5 v2.5", "changed 4"}));
}

TEST_F(Panel, Opcode10AnswersTheModulesBoolAndUnknownOpcodesNothing) {
    EXPECT_EQ(call(10), 0);
    panel->opcode10Answer = true;
    EXPECT_EQ(call(10), 1);
    for (int32_t opcode : {13, 14, 100, -1, INT32_MIN}) EXPECT_EQ(call(opcode, 1, 1, &host, 1), 0);
    EXPECT_TRUE(panelJournal.empty());
}

TEST_F(Panel, ValueShortcutsUseTheValueWordForIntsAndOptForFloats) {
    panel->setPinBool(3, true);
    panel->setPinBool(3, false);
    panel->setPinFloat(4, 2.5f);
    panel->pin(5).setInt(-7);
    ASSERT_EQ(host.calls.size(), 4u);
    auto is = [](const PanelCall& c, int32_t index, int32_t value, float opt) {
        return c.opcode == int32_t(PanelHostOp::SetPinValue) && c.index == index &&
               c.value == value && c.ptr == 0 && c.opt == opt;
    };
    EXPECT_TRUE(is(host.calls[0], 3, 1, 0.0f));
    EXPECT_TRUE(is(host.calls[1], 3, 0, 0.0f));
    EXPECT_TRUE(is(host.calls[2], 4, 0, 2.5f));
    EXPECT_TRUE(is(host.calls[3], 5, -7, 0.0f));
}

TEST_F(Panel, ValuesAreReadThroughAFourByteCell) {
    host.cell = 2;
    EXPECT_TRUE(panel->getPinBool(1));
    EXPECT_EQ(panel->pin(1).getInt(), 2);
    host.cell = 0;
    EXPECT_FALSE(panel->getPinBool(1));
    host.cell = std::bit_cast<int32_t>(-3.25f);
    EXPECT_EQ(panel->getPinFloat(2), -3.25f);
    EXPECT_EQ(host.calls.back().opcode, int32_t(PanelHostOp::GetPinValue));
    EXPECT_EQ(host.calls.back().index, 2);
}

TEST_F(Panel, TextsGoByPointerAndComeBackAsCopies) {
    panel->pin(2).setText("");
    panel->pin(2).setText(nullptr);
    EXPECT_NE(host.calls[0].ptr, 0);
    EXPECT_EQ(host.calls[0].text, "");
    EXPECT_NE(host.calls[1].ptr, 0);
    EXPECT_EQ(panel->pin(2).getText(), "");
    host.text = "rules.txt";
    EXPECT_EQ(panel->pin(2).getText(), "rules.txt");
}

TEST_F(Panel, WideTextIsReadInTwoCalls) {
    host.wide = u"Grüße";
    EXPECT_EQ(panel->pin(6).getWideText(), u"Grüße");
    ASSERT_EQ(host.calls.size(), 2u);
    EXPECT_EQ(host.calls[0].value, 0);
    EXPECT_EQ(host.calls[0].ptr, 0);
    EXPECT_EQ(host.calls[1].value, 6);
    EXPECT_NE(host.calls[1].ptr, 0);
}

TEST_F(Panel, PinHandleIsOneSharedInstance) {
    PanelPin& first = panel->pin(3);
    PanelPin& second = panel->pin(8);
    EXPECT_EQ(&first, &second);
    EXPECT_EQ(first.index(), 8);
}

TEST_F(Panel, PinHandleOfAnotherThreadIsNotThisOne) {
    PanelPin& mine = panel->pin(3);
    PanelPin* theirs = nullptr;
    std::thread([&] { theirs = &panel->pin(8); }).join();
    EXPECT_NE(&mine, theirs);
    EXPECT_EQ(mine.index(), 3);
}

TEST(PanelWithoutHost, NullCallbackReadsZeroAndCallsNothing) {
    void* record = modframe::makeHalf<ProbePanel>(nullptr, nullptr);
    auto* panel = static_cast<ProbePanel*>(
        static_cast<PanelModule*>(static_cast<PanelRecord*>(record)->object));
    panel->setPinFloat(0, 1.0f);
    EXPECT_EQ(panel->getPinFloat(0), 0.0f);
    EXPECT_EQ(panel->pin(0).getText(), "");
    EXPECT_EQ(panel->pin(0).getWideText(), u"");
    EXPECT_EQ(static_cast<PanelRecord*>(record)->dispatcher(record, 1, 0, 0, nullptr, 0.0f), 1);
}

}  // namespace
}  // namespace framework_test
