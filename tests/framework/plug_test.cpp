// Per-pin host traffic of a plug.
#include <gtest/gtest.h>

#include "fake_host.h"

namespace framework_test {
namespace {

struct AudioPins : ::testing::Test {
    FakeHost host;
    float samples[64] = {};
    float* input = samples;
    float* output = nullptr;
    ProbeModule* module = nullptr;
    void SetUp() override {
        host.pinCount = 3;
        module = make<ProbeModule>(host);
        module->pinList = {pin("In", PinKind::Audio, &input),
                           pin("Out", PinKind::Audio, &output, 0, PinDirection::Out),
                           pin("Midi", PinKind::Midi, nullptr, 0, PinDirection::Out)};
        dispatch(module, 0);
        host.calls.clear();
    }
    void TearDown() override { dispatch(module, 1); }
};

TEST_F(AudioPins, PlugWithAMemberPointsAtIt) {
    EXPECT_EQ(module->plug(0).valuePtr(), &input);
    EXPECT_FALSE(module->plug(0).hasOwnStorage());
    EXPECT_EQ(module->plug(2).valuePtr(), nullptr);
    EXPECT_EQ(module->plug(2).kind(), PinKind::Midi);
}

TEST_F(AudioPins, CurrentValueReadsTheSampleAtTheSampleClock) {
    samples[40] = 0.625f;
    host.sampleClock = 1000;
    host.blockStart = 960;
    EXPECT_EQ(module->plug(0).currentValue(), 0.625f);
    EXPECT_EQ(host.calls[0], (Call{int32_t(HostOp::GetBlockStartClock), 0, 0, 0}));
    EXPECT_EQ(host.calls[1], (Call{int32_t(HostOp::GetSampleClock), 0, 0, 0}));
    // A clock outside the block reads nothing past the buffer.
    host.sampleClock = 960 + 5000;
    EXPECT_EQ(module->plug(0).currentValue(), 0.0f);
    host.sampleClock = 900;
    EXPECT_EQ(module->plug(0).currentValue(), 0.0f);
}

TEST_F(AudioPins, StatusMidiAndConnectionGoToTheHostWithThePlugIndex) {
    module->plug(1).transmitStatus(5000, PinStatus::OneOff);
    int32_t noteOn = packMidi(0x90, 60, 64);
    module->plug(2).sendMidi(5000, noteOn);
    EXPECT_TRUE(module->plug(1).isConnected());
    EXPECT_FALSE(module->plug(2).isConnected());
    EXPECT_EQ(host.calls, (std::vector<Call>{{int32_t(HostOp::SetPinStatus), 1, 1, 5000},
                                             {int32_t(HostOp::SendMidi), 2, noteOn, 5000},
                                             {int32_t(HostOp::IsPinConnected), 1, 0, 0},
                                             {int32_t(HostOp::IsPinConnected), 2, 0, 0}}));
}

TEST_F(AudioPins, NegativeTimesTravelSignExtended) {
    module->plug(1).transmitStatus(-2, PinStatus::Streaming);
    EXPECT_EQ(host.calls.back().ptr, intptr_t(-2));
    EXPECT_EQ(modframe::timeFromArgument(reinterpret_cast<void*>(host.calls.back().ptr)), -2);
}

}  // namespace
}  // namespace framework_test
