// Building the plug table at open from the pin list and the host's count.
#include <gtest/gtest.h>

#include "fake_host.h"

namespace framework_test {
namespace {

constexpr int32_t kPanel = int32_t(PinFlag::PanelSide);
constexpr int32_t kPanelVisible = PinFlag::PanelSide | PinFlag::VisibleToProcessing;
constexpr int32_t kRepeat = int32_t(PinFlag::AutoDuplicate);

template <class Module>
struct Opened {
    FakeHost host;
    Module* module;
    Opened(std::vector<PinProperties> pins, int32_t hostCount) {
        host.pinCount = hostCount;
        module = make<Module>(host);
        module->pinList = std::move(pins);
        dispatch(module, 0);
    }
    ~Opened() { dispatch(module, 1); }
};

TEST(PlugTable, PanelSidePinsGetNoPlugUnlessVisibleToProcessing) {
    float a = 0, b = 0, c = 0;
    Opened<ProbeModule> o({pin("A", PinKind::Float, &a, kPanel), pin("B", PinKind::Float, &b),
                           pin("C", PinKind::Float, &c, kPanelVisible)},
                          2);
    ASSERT_EQ(o.module->plugCount(), 2);
    EXPECT_EQ(o.module->plug(0).valuePtr(), &b);
    EXPECT_EQ(o.module->plug(1).valuePtr(), &c);
    EXPECT_EQ(o.module->plug(1).index(), 1);
}

TEST(PlugTable, Revision2120GivesEveryListedPinAPlug) {
    float a = 0, b = 0;
    Opened<ProbeModule2120> o({pin("A", PinKind::Float, &a, kPanel), pin("B", PinKind::Float, &b)},
                              2);
    EXPECT_EQ(o.module->plug(0).valuePtr(), &a);
    EXPECT_EQ(o.module->plug(1).valuePtr(), &b);
}

TEST(PlugTable, AutoDuplicatePinRepeatsWithStorageOfItsOwn) {
    float a = 0;
    int16_t e = 0;
    Opened<ProbeModule> o({pin("A", PinKind::Float, &a), pin("E", PinKind::Enum, &e, kRepeat)}, 5);
    ASSERT_EQ(o.module->plugCount(), 5);
    EXPECT_EQ(o.module->plug(1).valuePtr(), &e);
    for (int32_t i = 2; i < 5; ++i) {
        Plug& p = o.module->plug(i);
        EXPECT_EQ(p.kind(), PinKind::Enum);
        EXPECT_EQ(p.index(), i);
        ASSERT_TRUE(p.hasOwnStorage());
        EXPECT_EQ(*static_cast<int16_t*>(p.valuePtr()), 0);
    }
    EXPECT_NE(o.module->plug(2).valuePtr(), o.module->plug(3).valuePtr());
}

TEST(PlugTable, RepeatedIntPinsHaveStorageExceptInRevision2120) {
    int32_t n = 0;
    Opened<ProbeModule> current({pin("N", PinKind::Int, &n, kRepeat)}, 3);
    Opened<ProbeModule2120> legacy({pin("N", PinKind::Int, &n, kRepeat)}, 3);
    EXPECT_TRUE(current.module->plug(2).hasOwnStorage());
    EXPECT_EQ(legacy.module->plug(2).valuePtr(), nullptr);
    EXPECT_FALSE(legacy.module->plug(2).isEmpty());
}

TEST(PlugTable, RepeatedAudioPinAsksTheHostForItsBufferOnce) {
    float samples[4] = {};
    float* buffer = nullptr;
    FakeHost host;
    host.pinBuffer = samples;
    host.pinCount = 3;
    auto* m = make<ProbeModule>(host);
    m->pinList = {pin("In", PinKind::Audio, &buffer, kRepeat)};
    dispatch(m, 0);
    EXPECT_EQ(host.count(HostOp::GetPinBuffer), 2);
    EXPECT_EQ(*static_cast<float**>(m->plug(2).valuePtr()), samples);
    EXPECT_EQ(host.calls.back(), (Call{int32_t(HostOp::GetPinBuffer), 2, 0, 0}));
    dispatch(m, 1);
}

TEST(PlugTable, ShortOrLongListsAgainstTheHostCount) {
    float a = 0, b = 0, c = 0;
    // More pins than counted: the list is read only up to the count.
    Opened<ProbeModule> longer(
        {pin("A", PinKind::Float, &a), pin("B", PinKind::Float, &b), pin("C", PinKind::Float, &c)},
        2);
    EXPECT_EQ(longer.module->plugCount(), 2);
    EXPECT_EQ(longer.module->plug(1).valuePtr(), &b);
    // Fewer pins without AutoDuplicate: the rest stay empty.
    Opened<ProbeModule> shorter({pin("A", PinKind::Float, &a)}, 3);
    EXPECT_TRUE(shorter.module->plug(1).isEmpty());
    EXPECT_TRUE(shorter.module->plug(2).isEmpty());
    // A trailing panel-only AutoDuplicate pin is not repeated.
    Opened<ProbeModule> panel(
        {pin("A", PinKind::Float, &a), pin("P", PinKind::Float, &b, kPanel | kRepeat)}, 3);
    EXPECT_TRUE(panel.module->plug(1).isEmpty());
    // No pins listed: nothing is initialized or repeated.
    Opened<ProbeModule> none({}, 2);
    EXPECT_TRUE(none.module->plug(0).isEmpty());
}

TEST(PlugTable, NoPlugsWithoutAPositiveHostCount) {
    float a = 0;
    for (int32_t count : {0, -3}) {
        Opened<ProbeModule> o({pin("A", PinKind::Float, &a)}, count);
        EXPECT_EQ(o.module->plugCount(), 0);
        deliver(o.module, ModuleEvent{0, EventType::PinStatusChange, 2, 0, 0, nullptr});
        EXPECT_TRUE(o.module->statusSeen.empty());
    }
}

}  // namespace
}  // namespace framework_test
