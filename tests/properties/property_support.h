// Helpers of the property tests: a plug-in fed MIDI through the reference
// host, and how long the long random runs are.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "host/instance.h"

namespace plugin_test {

class MidiPipe {
public:
    explicit MidiPipe(const std::string& deliverable,
                      modhost::InstanceOptions options = {.blockSize = 64});

    modhost::Instance& host() { return m_; }

    // Delivers the messages in order at random samples over one or more
    // blocks, runs the last block, and returns every word that left on
    // "MIDI Out" meanwhile.
    std::vector<int32_t> through(const std::vector<int32_t>& in, std::mt19937& random);

private:
    modhost::Instance m_;
    int32_t midiOut_;
    size_t seen_ = 0;
};

// Seconds of audio for each long run: an hour in release builds, two
// minutes in the checking builds, or the number in PROPERTY_AUDIO_SECONDS.
int64_t audioSeconds();

}  // namespace plugin_test
