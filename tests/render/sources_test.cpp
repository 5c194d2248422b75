// Sources: the samples they fill, block by block, and the statuses they report.
#include "host/sources.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using modhost::PatchSource;
using modhost::Piece;

std::vector<float> play(modhost::AudioSource& source, int64_t length, int32_t block) {
    std::vector<float> out(static_cast<size_t>(length));
    for (int64_t start = 0; start < length; start += block)
        source.fill(out.data() + start, start, int32_t(std::min<int64_t>(block, length - start)));
    return out;
}

std::vector<std::pair<int64_t, PinStatus>> statuses(const std::vector<Piece>& pieces) {
    std::vector<std::pair<int64_t, PinStatus>> out;
    for (auto s : modhost::statusesOf(pieces)) out.emplace_back(s.at, s.status);
    return out;
}

TEST(Sources, GateEdgesFallOnTheirSamplesWhateverTheBlocks) {
    PatchSource gate;
    gate.type = PatchSource::Type::Gate;
    gate.gates = {{5, 9}, {9, 12}, {20, 21}};
    gate.high = 10.0;
    gate.low = -5.0;
    auto pieces = modhost::piecesOf(gate);
    auto samples = play(*modhost::makePieceSource(pieces), 24, 7);
    for (int64_t t = 0; t < 24; ++t) {
        bool high = (t >= 5 && t < 12) || t == 20;
        EXPECT_EQ(samples[size_t(t)], high ? 1.0f : -0.5f) << "sample " << t;
    }
    // Touching gates make one long one: no report in between.
    EXPECT_EQ(statuses(pieces),
              (std::vector<std::pair<int64_t, PinStatus>>{{0, PinStatus::OneOff},
                                                          {5, PinStatus::OneOff},
                                                          {12, PinStatus::OneOff},
                                                          {20, PinStatus::OneOff},
                                                          {21, PinStatus::OneOff}}));
}

TEST(Sources, BreakpointsRampHoldAndJump) {
    PatchSource envelope;
    envelope.type = PatchSource::Type::Breakpoints;
    envelope.points = {{4, 0.0}, {8, 4.0}, {8, 10.0}, {12, 10.0}, {14, 0.0}};
    auto pieces = modhost::piecesOf(envelope);
    auto samples = play(*modhost::makePieceSource(pieces), 16, 3);
    const float expected[16] = {0, 0, 0, 0, 0, 0.1f, 0.2f, 0.3f, 1, 1, 1, 1, 1, 0.5f, 0, 0};
    for (int t = 0; t < 16; ++t) EXPECT_FLOAT_EQ(samples[size_t(t)], expected[t]) << "sample " << t;
    EXPECT_EQ(statuses(pieces),
              (std::vector<std::pair<int64_t, PinStatus>>{{0, PinStatus::OneOff},
                                                          {4, PinStatus::Streaming},
                                                          {8, PinStatus::OneOff},
                                                          {12, PinStatus::Streaming},
                                                          {14, PinStatus::OneOff}}));

    envelope.steps = true;
    auto held = play(*modhost::makePieceSource(modhost::piecesOf(envelope)), 16, 16);
    EXPECT_EQ(held[7], 0.0f);
    EXPECT_EQ(held[8], 1.0f);
    EXPECT_EQ(held[13], 1.0f);
    EXPECT_EQ(held[14], 0.0f);
}

TEST(Sources, OscillatorsKeepTheirPhaseAcrossBlocks) {
    // A square at a quarter of the rate: two samples high, two low.
    auto square = modhost::makeOscillator(modhost::Waveform::Square, 0.25, 5.0, 1.0, 0.0);
    auto samples = play(*square, 12, 5);
    for (int t = 0; t < 12; ++t) EXPECT_FLOAT_EQ(samples[size_t(t)], t % 4 < 2 ? 0.6f : -0.4f);
    auto saw = modhost::makeOscillator(modhost::Waveform::Saw, 0.125, 10.0, 0.0, 0.5);
    auto ramp = play(*saw, 8, 3);
    EXPECT_FLOAT_EQ(ramp[0], 0.0f);  // half way through the cycle
    EXPECT_FLOAT_EQ(ramp[2], 0.5f);
    EXPECT_FLOAT_EQ(ramp[4], -1.0f);  // the cycle starts again
}

}  // namespace
