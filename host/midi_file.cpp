#include "host/midi_file.h"

#include <algorithm>
#include <memory>

#include "host/midi_words.h"
#include "host/plugin_library.h"

#if MODHOST_HAVE_SMF
// smf.h includes glib.h inside extern "C", which C++ refuses: glib.h goes first.
#include <glib.h>
#include <smf.h>
#endif

namespace modhost {

#if MODHOST_HAVE_SMF

namespace {

struct SmfDeleter {
    void operator()(smf_t* smf) const { smf_delete(smf); }
};
using SmfFile = std::unique_ptr<smf_t, SmfDeleter>;

// Channel messages and the short system messages; SysEx and meta events stay behind.
bool isShortMessage(const smf_event_t* event) {
    return !smf_event_is_metadata(event) && !smf_event_is_sysex(event) &&
           event->midi_buffer_length >= 1 && event->midi_buffer_length <= 3 &&
           event->midi_buffer[0] >= 0x80;
}

smf_event_t* tempoEvent(int32_t microsPerQuarter) {
    unsigned char bytes[6] = {0xFF,
                              0x51,
                              0x03,
                              (unsigned char)(microsPerQuarter >> 16),
                              (unsigned char)(microsPerQuarter >> 8),
                              (unsigned char)microsPerQuarter};
    return smf_event_new_from_pointer(bytes, sizeof bytes);
}

smf_event_t* messageEvent(int32_t message) {
    int length = midiLength(message);
    int data1 = (message >> 8) & 0x7F, data2 = (message >> 16) & 0x7F;
    return smf_event_new_from_bytes(message & 0xFF, length > 1 ? data1 : -1,
                                    length > 2 ? data2 : -1);
}

}  // namespace

bool midiFilesSupported() {
    return true;
}

MidiFileContents readMidiFile(const std::string& path) {
    SmfFile smf(smf_load(path.c_str()));
    if (!smf) throw HostError(path + ": not a Standard MIDI File, or it cannot be read");
    MidiFileContents contents;
    contents.ppqn = smf->ppqn;
    for (int i = 0;; ++i) {
        smf_tempo_t* tempo = smf_get_tempo_by_number(smf.get(), i);
        if (tempo == nullptr) break;
        contents.tempos.push_back(
            MidiFileTempo{tempo->time_pulses, tempo->microseconds_per_quarter_note});
    }
    smf_rewind(smf.get());
    while (smf_event_t* event = smf_get_next_event(smf.get())) {
        if (!isShortMessage(event)) continue;
        int32_t message = 0;
        for (int b = 0; b < event->midi_buffer_length; ++b)
            message |= int32_t(event->midi_buffer[b]) << (8 * b);
        contents.events.push_back(MidiFileEvent{event->time_seconds, message});
    }
    return contents;
}

void writeMidiFile(const std::string& path, int32_t ppqn, const std::vector<MidiFileTempo>& tempos,
                   const std::vector<std::vector<MidiFileEvent>>& tracks) {
    SmfFile smf(smf_new());
    if (!smf || smf_set_ppqn(smf.get(), ppqn) != 0)
        throw HostError(path + ": cannot make a MIDI file with " + std::to_string(ppqn) +
                        " pulses per quarter");
    for (size_t t = 0; t < std::max<size_t>(1, tracks.size()); ++t) {
        smf_track_t* track = smf_track_new();
        if (track == nullptr) throw HostError(path + ": out of memory");
        smf_add_track(smf.get(), track);
        if (t == 0)
            for (const auto& tempo : tempos)
                if (smf_event_t* e = tempoEvent(tempo.microsPerQuarter))
                    smf_track_add_event_pulses(track, e, tempo.pulses);
    }
    for (size_t t = 0; t < tracks.size(); ++t) {
        smf_track_t* track = smf_get_track_by_number(smf.get(), int(t) + 1);
        for (const auto& event : tracks[t]) {
            // A track holds channel messages; system messages stay in the logs.
            if ((event.message & 0xFF) >= 0xF0) continue;
            if (smf_event_t* e = messageEvent(event.message))
                smf_track_add_event_seconds(track, e, event.seconds);
        }
    }
    if (smf_save(smf.get(), path.c_str()) != 0)
        throw HostError(path + ": cannot write the MIDI file");
}

#else

namespace {

[[noreturn]] void unsupported(const std::string& path) {
    throw HostError(path + ": this modhost was built without Standard MIDI File support (libsmf)");
}

}  // namespace

bool midiFilesSupported() {
    return false;
}

MidiFileContents readMidiFile(const std::string& path) {
    unsupported(path);
}

void writeMidiFile(const std::string& path, int32_t, const std::vector<MidiFileTempo>&,
                   const std::vector<std::vector<MidiFileEvent>>&) {
    unsupported(path);
}

#endif

}  // namespace modhost
