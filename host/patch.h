// A patch as its file describes it: instances of plug-ins, pin values, wires,
// the host's time record, sources feeding inputs, timed user actions and the
// files to write. Names are not resolved here (see render_setup.h); every
// item remembers where it was written so that errors can point at it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace modhost {

struct Where {
    std::string file;
    int64_t line = 0;
};

// "file:line: what": the form of every patch error.
std::string at(const Where& where, const std::string& what);

// A value as written: true, 3, 2.5 or "Exp".
struct PatchValue {
    std::variant<bool, int64_t, double, std::string> value;
    Where where;
};

// "instance.pin name": the instance name ends at the first dot.
struct PinRef {
    std::string instance;
    std::string pin;
    Where where;
    std::string text() const { return instance + "." + pin; }
};

struct PinSetting {
    std::string pin;
    PatchValue value;
};

struct PatchModule {
    std::string name;
    std::string plugin;  // deliverable name, or a path (resolved against the patch's folder)
    bool keepPanelValues = false;
    std::vector<PinSetting> pins;
    Where where;
};

struct PatchWire {
    PinRef from;
    PinRef to;
};

struct TempoChange {
    int64_t at = 0;  // sample
    std::optional<double> tempo;
    std::optional<bool> running;
    Where where;
};

struct TimeRecord {
    double tempo = 120.0;
    bool running = true;
    double startBeat = 0.0;  // musical position at sample 0
    std::vector<TempoChange> changes;
};

enum class Waveform { Sine, Square, Saw, Triangle };

struct TimedMidi {
    int64_t at = 0;
    int32_t message = 0;  // packed
};

// What feeds one input. Times are samples; levels are volts for audio pins
// and plain values for the others.
struct PatchSource {
    enum class Type { Constant, Breakpoints, Gate, Oscillator, Wav, MidiFile, MidiList };
    Type type = Type::Constant;
    PinRef to;
    Where where;
    double level = 0.0;                              // Constant
    std::vector<std::pair<int64_t, double>> points;  // Breakpoints, sorted by time
    bool steps = false;                              // Breakpoints hold instead of ramping
    std::vector<std::pair<int64_t, int64_t>> gates;  // Gate: [on, off) stretches, sorted
    double high = 10.0, low = 0.0;                   // Gate levels
    Waveform waveform = Waveform::Sine;              // Oscillator
    double frequency = 1.0, amplitude = 5.0, offset = 0.0, phase = 0.0;
    std::string file;  // Wav, MidiFile: resolved path
    int32_t channel = 0;
    std::vector<TimedMidi> midi;  // MidiList, sorted
};

// A user's action: sets a pin at a sample, as a click on the panel does.
struct PatchSet {
    PinRef pin;
    int64_t at = 0;
    PatchValue value;
};

struct PatchOutput {
    enum class Type { Wav, Csv, MidiFile, MidiLog, Picture };
    Type type = Type::Csv;
    std::string file;  // as written; relative names go into the output folder
    std::vector<PinRef> pins;
    Where where;
    bool everySample = false;  // Csv: one row per sample (audio pins) instead of per report
    int64_t step = 1;          // Csv with everySample: one row every `step` samples
    std::string title;         // Picture
    bool overlay = false;      // Picture: one frame for all signals instead of one each
    std::string sampleFormat = "float";  // Wav: float, pcm16 or pcm24
};

struct Patch {
    std::string file;
    std::string folder;  // the patch file's folder; relative input files are found there
    double sampleRate = 44100.0;
    int32_t blockSize = 64;
    int64_t length = 0;  // samples
    TimeRecord time;
    std::vector<PatchModule> modules;
    std::vector<PatchWire> wires;
    std::vector<PatchSource> sources;
    std::vector<PatchSet> sets;
    std::vector<PatchOutput> outputs;
};

}  // namespace modhost
