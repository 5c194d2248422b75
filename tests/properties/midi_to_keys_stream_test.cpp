// midi_to_keys fed seeded random MIDI streams: every message leaves on
// "MIDI Out" once, in order, unchanged, whatever the octave setting.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "property_support.h"

namespace plugin_test {
namespace {

TEST(MidiToKeysStreams, EveryMessageIsPassedOnInOrder) {
    for (uint32_t seed = 1; seed <= 200; ++seed) {
        SCOPED_TRACE(::testing::Message() << "seed " << seed);
        std::mt19937 random(seed);
        MidiPipe keys("midi_to_keys", {.blockSize = int32_t(16 << (seed % 5))});
        for (int chunk = 0; chunk < 10; ++chunk) {
            keys.host().setPin("Octave", double(random() % 12));
            std::vector<int32_t> in;
            for (int i = 0; i < 40; ++i) {
                // Mostly notes, so that keys go down and up; every other kind too.
                const int status = random() % 2 ? 0x80 + int(random() % 2) * 0x10
                                                : 0x80 + int(random() % 8) * 0x10;
                in.push_back(packMidi(status | int(random() % 16), int(random() % 128),
                                      int(random() % 128)));
            }
            ASSERT_EQ(keys.through(in, random), in) << "chunk " << chunk;
        }
    }
}

}  // namespace
}  // namespace plugin_test
