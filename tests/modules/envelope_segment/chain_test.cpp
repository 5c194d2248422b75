// Two segments chained in one host: the first one's "Gate Out" into the
// second one's "Gate In", its "Level Out" into the second one's "Start Level".
#include <gtest/gtest.h>

#include "envelope_harness.h"
#include "host/rack.h"

namespace envelope_test {
namespace {

using modhost::Instance;
using modhost::Rack;

void hold(Instance& m, Pin pin, float value) {
    m.fillBuffer(pin, value);
    m.queueStatus(pin, PinStatus::OneOff, 0);
}

struct Chain {
    Rack rack{44100.0f, 64};
    Instance& first = rack.add(library());
    Instance& second = rack.add(library());
    std::vector<float> firstEnvelope, firstLevel, secondEnvelope, secondLevel, secondGate;

    Chain() {
        rack.wire(first, GateOut, second, GateIn);
        rack.wire(first, LevelOut, second, StartLevel);
        rack.open();
        first.setConnected(Duration, true);
        second.setConnected(Duration, true);
        hold(first, EndLevel, 0.5f);
        hold(first, Duration, 0.0f);  // 435 samples of ramp
        hold(second, EndLevel, -0.25f);
        hold(second, Duration, -0.5f);  // 14 samples of ramp
    }

    void run(int blocks, int64_t gateAt) {
        for (int b = 0; b < blocks; ++b) {
            const int64_t start = first.blockStart();
            float* gate = first.buffer(GateIn);
            for (int k = 0; k < 64; ++k) gate[k] = start + k >= gateAt ? 1.0f : 0.0f;
            if (gateAt >= start && gateAt < start + 64)
                first.queueStatus(GateIn, PinStatus::OneOff, gateAt);
            rack.processBlock();
            auto keep = [](std::vector<float>& into, Instance& m, Pin pin) {
                into.insert(into.end(), m.buffer(pin), m.buffer(pin) + 64);
            };
            keep(firstEnvelope, first, EnvelopeOut);
            keep(firstLevel, first, LevelOut);
            keep(secondEnvelope, second, EnvelopeOut);
            keep(secondLevel, second, LevelOut);
            keep(secondGate, second, GateOut);
        }
    }
};

TEST(Chain, TheNextSegmentStartsOnTheEndLevelInTheFinishingSample) {
    Chain c;
    c.run(10, 20);
    const size_t handOver = 20 + 435;
    EXPECT_EQ(c.firstLevel[handOver], 0.5f);
    EXPECT_EQ(c.firstEnvelope[handOver], 0.0f);
    EXPECT_EQ(c.secondEnvelope[handOver - 1], 0.0f);
    EXPECT_EQ(c.secondEnvelope[handOver], 0.5f);  // the very sample the first one ends in
    EXPECT_LT(c.secondEnvelope[handOver + 13], c.secondEnvelope[handOver + 1]);
    EXPECT_EQ(c.secondGate[handOver + 14], 1.0f);
    EXPECT_EQ(c.secondLevel[handOver + 14], -0.25f);
    EXPECT_EQ(c.secondEnvelope[handOver + 14], 0.0f);

    // The second one heard of its inputs' changes at the samples they happened,
    // and reported its own start there.
    const auto h = int32_t(handOver);
    std::vector<Report> starts;
    for (const auto& call : c.second.traffic())
        if (call.opcode == int32_t(HostOp::SetPinStatus) && int32_t(call.ptr) == h)
            starts.push_back(Report{call.index, PinStatus(call.value), h});
    EXPECT_NE(std::find(starts.begin(), starts.end(), Report{EnvelopeOut, PinStatus::Streaming, h}),
              starts.end());
    EXPECT_EQ(c.second.outputStatus(EnvelopeOut).status, PinStatus::OneOff);  // its tail is over
}

}  // namespace
}  // namespace envelope_test
