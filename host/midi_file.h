// Standard MIDI Files through libsmf. Builds without it (MODHOST_HAVE_SMF 0)
// keep the interface and report every use as an error.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace modhost {

bool midiFilesSupported();

struct MidiFileEvent {
    double seconds = 0.0;
    int32_t message = 0;  // packed: status, data 1, data 2
};

struct MidiFileTempo {
    int32_t pulses = 0;
    int32_t microsPerQuarter = 500000;
};

struct MidiFileContents {
    int32_t ppqn = 960;
    std::vector<MidiFileTempo> tempos;
    std::vector<MidiFileEvent> events;  // all tracks in time order; no meta events or SysEx
};

// Throws HostError naming the file when it cannot be read.
MidiFileContents readMidiFile(const std::string& path);

// One track per entry of `tracks`, format 0 for one track and 1 for more;
// the tempo map goes into the first track. A track holds channel messages
// only: system messages have no place among a file's events and are left
// out. Throws HostError.
void writeMidiFile(const std::string& path, int32_t ppqn, const std::vector<MidiFileTempo>& tempos,
                   const std::vector<std::vector<MidiFileEvent>>& tracks);

}  // namespace modhost
