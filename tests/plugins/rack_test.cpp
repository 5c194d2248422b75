// Instances wired together in one host.
#include "host/rack.h"

#include <gtest/gtest.h>

#include "plugin_fixture.h"

namespace plugin_test {
namespace {

using modhost::HostError;
using modhost::Instance;
using modhost::Rack;

std::shared_ptr<const modhost::PluginLibrary> probe() {
    static auto library =
        std::make_shared<modhost::PluginLibrary>(std::string(TEST_PLUGIN_DIR) + "/host_probe.so");
    return library;
}

TEST(Rack, AudioWireSharesTheBufferAndCarriesTheStatusAtItsSample) {
    Rack rack(44100.0f, 64);
    Instance& square = rack.add(load("math_pow2"));
    Instance& cube = rack.add(load("math_pow3"));
    rack.wire(square, 1, cube, 0);
    rack.open();
    square.fillBuffer(0, 0.5f);
    square.queueStatus(0, PinStatus::Streaming, 64 + 30);
    rack.processBlock();
    rack.processBlock();
    EXPECT_EQ(cube.buffer(0), square.buffer(1));
    EXPECT_EQ(square.buffer(1)[63], 2.5f);
    EXPECT_EQ(cube.buffer(1)[63], 1562.5f);  // (25 V)^3 / 10
    EXPECT_EQ(cube.outputStatus(1).status, PinStatus::Streaming);
    EXPECT_EQ(cube.outputStatus(1).time, 94);
}

TEST(Rack, MidiWireDeliversEachMessageAtItsTime) {
    Rack rack(44100.0f, 64);
    Instance& first = rack.add(probe());
    Instance& second = rack.add(probe());
    first.setTimeInfoAvailable(false);
    second.setTimeInfoAvailable(false);
    rack.wire(first, 4, second, 3);
    rack.open();
    first.queueMidi(packMidi(0x90, 64, 1), 5);
    rack.processBlock();
    std::vector<std::pair<int32_t, int32_t>> heard;
    for (const auto& m : second.sentMidi()) heard.emplace_back(m.time, m.message);
    // The second probe echoes the note at 5 and the first probe's clock at 15; its own
    // deferred calls follow each of the two, 10 samples later.
    EXPECT_EQ(heard, (std::vector<std::pair<int32_t, int32_t>>{
                         {5, packMidi(0x90, 64, 1)}, {15, 0xF8}, {15, 0xF8}, {25, 0xF8}}));
}

TEST(Rack, FeedbackWireArrivesOneBlockLate) {
    Rack rack(44100.0f, 16);
    Instance& cube = rack.add(load("math_pow3"));
    Instance& square = rack.add(load("math_pow2"));
    rack.wire(square, 1, cube, 0);  // cube runs first and reads the square's last block
    rack.open();
    square.fillBuffer(0, 0.5f);
    square.queueStatus(0, PinStatus::Streaming, 0);
    rack.processBlock();
    EXPECT_EQ(cube.buffer(1)[0], 0.0f);
    rack.processBlock();
    EXPECT_EQ(cube.buffer(1)[0], 1562.5f);
}

TEST(Rack, RefusesWiresThatCannotWork) {
    Rack rack(44100.0f, 64);
    Instance& a = rack.add(load("math_pow2"));
    Instance& b = rack.add(probe());
    auto message = [&](auto wire) {
        try {
            wire();
        } catch (const HostError& e) {
            return std::string(e.what());
        }
        return std::string();
    };
    EXPECT_EQ(message([&] { rack.wire(a, 0, b, 0); }), "math_pow2.\"Input\" is not an output");
    EXPECT_EQ(message([&] { rack.wire(a, 1, b, 2); }), "host_probe.\"Audio Out\" is an output");
    EXPECT_EQ(message([&] { rack.wire(b, 4, a, 0); }),
              "cannot wire midi output host_probe.\"MIDI Out\" to audio input math_pow2.\"Input\"");
    rack.wire(a, 1, b, 0);
    EXPECT_EQ(message([&] { rack.wire(b, 2, b, 0); }), "host_probe.\"Audio In\" is wired already");
    EXPECT_NE(message([&] { rack.wire(a, 7, b, 0); }).find("no pin with plug index 7"),
              std::string::npos);
}

}  // namespace
}  // namespace plugin_test
