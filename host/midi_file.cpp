#include "host/midi_file.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <memory>

#include "host/midi_file_check.h"
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

// Every time written stays at or below this pulse, so that any delta time
// fits the format's 4-byte variable-length quantity.
constexpr int32_t kLastPulse = 0x0FFFFFFF;
constexpr int32_t kSlowestTempo = 0xFFFFFF;  // microseconds per quarter, 3 bytes

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

// An empty file of `trackCount` tracks, the tempo map in the first.
SmfFile newSmf(const std::string& path, int32_t ppqn, const std::vector<MidiFileTempo>& tempoMap,
               size_t trackCount) {
    SmfFile smf(smf_new());
    if (!smf || smf_set_ppqn(smf.get(), ppqn) != 0) throw HostError(path + ": out of memory");
    for (size_t t = 0; t < trackCount; ++t) {
        smf_track_t* track = smf_track_new();
        if (track == nullptr) throw HostError(path + ": out of memory");
        smf_add_track(smf.get(), track);
        if (t == 0)
            for (const auto& tempo : tempoMap)
                if (smf_event_t* e = tempoEvent(tempo.microsPerQuarter))
                    smf_track_add_event_pulses(track, e, tempo.pulses);
    }
    return smf;
}

}  // namespace

bool midiFilesSupported() {
    return true;
}

MidiFileContents readMidiFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
    if (!in.is_open() || in.bad()) throw HostError(path + ": cannot be read");
    // libsmf aborts the process on some damaged files: it sees only checked bytes.
    std::vector<uint8_t> loadable = checkMidiFile(path, bytes);
    SmfFile smf(smf_load_from_memory(loadable.data(), int(loadable.size())));
    if (!smf) throw HostError(path + ": not a Standard MIDI File that can be read");
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

// libsmf re-reads what it saves and aborts the process when an event's time
// differs from the one it was given by more than 10 ms, which a slow tempo or a
// coarse division gives whenever seconds fall between two pulses. So what goes
// in must be representable (checked here, HostError otherwise), and each
// message is placed by the pulse libsmf truncates its seconds to: its seconds
// are then the ones the re-read computes.
void writeMidiFile(const std::string& path, int32_t ppqn, const std::vector<MidiFileTempo>& tempos,
                   const std::vector<std::vector<MidiFileEvent>>& tracks) {
    // A division with the top bit set would stand for SMPTE frames.
    if (ppqn < 1 || ppqn > 0x7FFF)
        throw HostError(path + ": cannot make a MIDI file with " + std::to_string(ppqn) +
                        " pulses per quarter");
    std::vector<MidiFileTempo> tempoMap = tempos;
    std::stable_sort(tempoMap.begin(), tempoMap.end(),
                     [](const auto& a, const auto& b) { return a.pulses < b.pulses; });
    for (const auto& tempo : tempoMap) {
        if (tempo.microsPerQuarter < 1 || tempo.microsPerQuarter > kSlowestTempo)
            throw HostError(path + ": a tempo of " + std::to_string(tempo.microsPerQuarter) +
                            " microseconds per quarter cannot be stored (1 to 16777215)");
        if (tempo.pulses < 0 || tempo.pulses > kLastPulse)
            throw HostError(path + ": a tempo change at pulse " + std::to_string(tempo.pulses) +
                            " cannot be stored (0 to " + std::to_string(kLastPulse) + ")");
    }
    SmfFile smf = newSmf(path, ppqn, tempoMap, std::max<size_t>(1, tracks.size()));
    // The same tempo map and an empty second track, where libsmf turns each
    // message's seconds into pulses (the one event there is cheap to take out).
    SmfFile scratch = newSmf(path, ppqn, tempoMap, 2);
    smf_track_t* converter = smf_get_track_by_number(scratch.get(), 2);
    for (size_t t = 0; t < tracks.size(); ++t) {
        smf_track_t* track = smf_get_track_by_number(smf.get(), int(t) + 1);
        for (const auto& event : tracks[t]) {
            // A track holds channel messages; system messages stay in the logs.
            if ((event.message & 0xFF) >= 0xF0) continue;
            double pulses = -1.0;
            if (std::isfinite(event.seconds) && event.seconds >= 0.0) {
                const smf_tempo_t* tempo = smf_get_tempo_by_seconds(smf.get(), event.seconds);
                if (tempo != nullptr)
                    pulses = tempo->time_pulses + (event.seconds - tempo->time_seconds) * ppqn *
                                                      1.0e6 / tempo->microseconds_per_quarter_note;
            }
            if (!(pulses >= 0.0 && pulses < kLastPulse))
                throw HostError(path + ": a message at " + std::to_string(event.seconds) +
                                " s lies outside the times the file can hold (0 to pulse " +
                                std::to_string(kLastPulse) + ")");
            smf_event_t* e = messageEvent(event.message);
            if (e == nullptr) continue;
            smf_track_add_event_seconds(converter, e, event.seconds);
            int32_t pulse = e->time_pulses;
            smf_event_remove_from_track(e);
            smf_track_add_event_pulses(track, e, pulse);
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
