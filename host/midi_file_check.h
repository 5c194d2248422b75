// A strict structural check of a Standard MIDI File's bytes, made before
// libsmf sees them: libsmf aborts the process (it asserts) on several kinds
// of damage, and silently truncates tracks on others.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace modhost {

// Walks the header and every event of every track of `bytes`, the contents
// of the file `path`. Throws HostError naming the file, the place and what is
// wrong. Returns the bytes libsmf can load: the header cut to its 6-byte body
// followed by the track chunks alone (chunks of other types are skipped, as
// readers of the format must, but libsmf stops at them).
std::vector<uint8_t> checkMidiFile(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace modhost
