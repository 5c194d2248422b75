// Events handed to the event entry, and events a module queues with the host.
#include <gtest/gtest.h>

#include "fake_host.h"

namespace framework_test {
namespace {

struct OneFloatPin : ::testing::Test {
    FakeHost host;
    float member = 0;
    ProbeModule* module = nullptr;
    void SetUp() override {
        host.pinCount = 1;
        module = make<ProbeModule>(host);
        module->pinList = {pin("A", PinKind::Float, &member)};
        dispatch(module, 0);
    }
    void TearDown() override { dispatch(module, 1); }
    void status(int32_t plug, int32_t value) {
        deliver(module, ModuleEvent{0, EventType::PinStatusChange, value, 0, plug, nullptr});
    }
};

TEST_F(OneFloatPin, OneOffFallsBackToStaticAfterTheModuleHasSeenIt) {
    status(0, 1);
    EXPECT_EQ(module->statusSeen, std::vector<int32_t>{1});
    EXPECT_EQ(module->plug(0).status(), PinStatus::Static);
    status(0, 2);
    EXPECT_EQ(module->plug(0).status(), PinStatus::Streaming);
    status(0, 0);
    EXPECT_EQ(module->plug(0).status(), PinStatus::Static);
    EXPECT_EQ(module->statusSeen, (std::vector<int32_t>{1, 2, 0}));
}

TEST_F(OneFloatPin, StatusChangesForUnknownPlugsAndUnknownEventTypesAreIgnored) {
    for (int32_t plug : {-1, 1, 1000}) status(plug, 2);
    for (int32_t type : {1, 3, 20, 22, -1})
        deliver(module, ModuleEvent{0, EventType(type), 2, 0, 0, nullptr});
    EXPECT_TRUE(module->statusSeen.empty());
    EXPECT_TRUE(module->midi.empty());
}

TEST_F(OneFloatPin, MidiEventPassesTimeMessageAndLow16BitsOfValue2) {
    int32_t noteOn = packMidi(0x90, 60, 64);
    deliver(module, ModuleEvent{777, EventType::Midi, noteOn, 0x12345678, 0, nullptr});
    EXPECT_EQ(module->midi, (std::vector<int32_t>{777, noteOn, 0x5678}));
}

TEST_F(OneFloatPin, DeferredCallGoesToTheHostAndComesBackAsACall) {
    module->queueTick(4321);
    ASSERT_EQ(host.queued.size(), 1u);
    ModuleEvent queued = host.queued[0];
    EXPECT_EQ(queued.time, 4321);
    EXPECT_EQ(queued.type, EventType::DeferredCall);
    EXPECT_EQ(queued.value, 0);
    EXPECT_EQ(queued.value2, 0);
    EXPECT_EQ(queued.link, nullptr);
    EXPECT_NE(queued.extra, 0);
    deliver(module, queued);
    EXPECT_EQ(module->deferredCalls, 1);
}

TEST_F(OneFloatPin, QueuedEventCarriesItsFields) {
    module->queueEvent(10, EventType::Midi, 0x90, 7, 3);
    ASSERT_EQ(host.queued.size(), 1u);
    const ModuleEvent& e = host.queued[0];
    EXPECT_EQ((std::vector<intptr_t>{e.time, int32_t(e.type), e.value, e.value2, e.extra}),
              (std::vector<intptr_t>{10, 2, 0x90, 7, 3}));
}

TEST(Revision2120, IgnoresDeferredCalls) {
    FakeHost host;
    auto* legacy = make<ProbeModule2120>(host);
    // An entry the legacy module could never have queued must not be called.
    ModuleEvent call{0,
                     EventType::DeferredCall,
                     0,
                     0,
                     reinterpret_cast<intptr_t>(modframe::deferred<&ProbeModule::tick>()),
                     nullptr};
    deliver(legacy, call);
    EXPECT_EQ(legacy->deferredCalls, 0);
    dispatch(legacy, 1);
}

}  // namespace
}  // namespace framework_test
