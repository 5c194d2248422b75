// The files a render writes. Each recorder watches a few pins (probes) and
// hears of their reports and MIDI as they happen and of each finished block;
// audio is copied out of the buffers after the block, so a sleeping
// instance's buffer is recorded with the contents it kept.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/instance.h"
#include "host/patch.h"

namespace modhost {

struct Probe {
    Instance* instance = nullptr;
    const PinInfo* pin = nullptr;
    std::string label;  // "instance.pin name"
};

struct RenderFacts {
    double sampleRate = 44100.0;
    int64_t length = 0;
    double tempo = 120.0;  // at sample 0, for the MIDI files' tempo map
};

class Recorder {
public:
    explicit Recorder(std::string path) : path_(std::move(path)) {}
    virtual ~Recorder() = default;
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    const std::string& path() const { return path_; }
    // A status report or panel write of probe `probe` at `time`.
    virtual void report(size_t probe, PinStatus status, int64_t time);
    virtual void midi(size_t probe, int32_t message, int64_t time);
    // After the instances have processed the block [start, start + frames).
    virtual void block(int64_t start, int32_t frames);
    // Writes what is still to be written; throws HostError.
    virtual void finish() = 0;

private:
    std::string path_;
};

// Throws HostError naming the output's line when the pins do not suit the file.
std::unique_ptr<Recorder> makeRecorder(const PatchOutput& output, const std::string& path,
                                       std::vector<Probe> probes, const RenderFacts& facts);

std::unique_ptr<Recorder> makeWavRecorder(const PatchOutput&, const std::string& path,
                                          std::vector<Probe>, const RenderFacts&);
std::unique_ptr<Recorder> makeSampleCsvRecorder(const PatchOutput&, const std::string& path,
                                                std::vector<Probe>, const RenderFacts&);
std::unique_ptr<Recorder> makeReportCsvRecorder(const PatchOutput&, const std::string& path,
                                                std::vector<Probe>, const RenderFacts&);
std::unique_ptr<Recorder> makeMidiRecorder(const PatchOutput&, const std::string& path,
                                           std::vector<Probe>, const RenderFacts&);
std::unique_ptr<Recorder> makePictureRecorder(const PatchOutput&, const std::string& path,
                                              std::vector<Probe>, const RenderFacts&);

// Numbers as CSV cells: the shortest text that reads back as the same float.
std::string floatCell(float value);
// A pin's value as a CSV cell: numbers for bool, int, enum and float pins,
// quoted text for text pins.
std::string valueCell(const PinInfo& pin, const PinValue& value);

}  // namespace modhost
