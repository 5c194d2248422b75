// MIDI messages in words, for logs and traces.
#pragma once

#include <cstdint>
#include <string>

namespace modhost {

// The bytes a packed message stands for: 1 to 3.
int midiLength(int32_t message);
// "90 3C 64"
std::string midiBytes(int32_t message);
// "Note On ch 1 key 60 vel 100"; channels are shown 1 to 16.
std::string midiWords(int32_t message);

}  // namespace modhost
