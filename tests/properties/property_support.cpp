#include "property_support.h"

#include <cstdlib>

#include "plugin_fixture.h"

namespace plugin_test {

MidiPipe::MidiPipe(const std::string& deliverable, modhost::InstanceOptions options)
    : m_(load(deliverable), options), midiOut_(m_.plug("MIDI Out")) {
    m_.open();
    m_.processBlock();
}

std::vector<int32_t> MidiPipe::through(const std::vector<int32_t>& in, std::mt19937& random) {
    int64_t position = 0;
    for (int32_t w : in) {
        position += int64_t(random() % 3);
        if (position >= m_.blockSize()) {
            m_.processBlock();
            position = 0;
        }
        m_.queueMidi(w, m_.blockStart() + position);
    }
    m_.processBlock();
    std::vector<int32_t> out;
    for (; seen_ < m_.sentMidi().size(); ++seen_)
        if (m_.sentMidi()[seen_].plug == midiOut_) out.push_back(m_.sentMidi()[seen_].message);
    return out;
}

#ifndef PROPERTY_DEFAULT_SECONDS
#define PROPERTY_DEFAULT_SECONDS 3600
#endif

int64_t audioSeconds() {
    const char* seconds = std::getenv("PROPERTY_AUDIO_SECONDS");
    return seconds ? std::atoll(seconds) : PROPERTY_DEFAULT_SECONDS;
}

}  // namespace plugin_test
