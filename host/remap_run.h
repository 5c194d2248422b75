// A MIDI file's messages run through the midi_bender plug-in with its rules
// taken from a rule file, as a host would run them, without a patch.
#pragma once

#include <ostream>
#include <string>

#include "host/midi_file.h"

namespace modhost {

struct RemapOptions {
    std::string plugin = "midi_bender";  // deliverable name or path
    std::string rulesPath;
    double sampleRate = 44100.0;  // the host clock the messages are timed on
};

// Returns the file that comes out: the same pulses per quarter and tempo
// map, the sent messages in one track. With `trace`, tells for each
// incoming message which rules matched and what was sent.
MidiFileContents remapMidi(const MidiFileContents& in, const RemapOptions& options,
                           std::ostream* trace);

}  // namespace modhost
