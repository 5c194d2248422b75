// What feeds an input during a render, block by block: an audio source
// fills the input's buffer, and timed statuses, values and MIDI messages are
// queued with the instance for the block in which they fall. Everything is
// worked out before the render starts; a block costs one call per feed.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "host/instance.h"
#include "host/patch.h"

namespace modhost {

class AudioSource {
public:
    virtual ~AudioSource() = default;
    // Writes the `frames` samples from sample `start` on into `out`.
    virtual void fill(float* out, int64_t start, int32_t frames) = 0;
};

// A signal made of straight pieces, in volts: constants, breakpoint
// envelopes and gates.
struct Piece {
    int64_t start;  // first sample of the piece; it lasts until the next one starts
    double volts;   // at `start`
    double slope;   // volts per sample
};

std::unique_ptr<AudioSource> makePieceSource(std::vector<Piece> pieces);
std::unique_ptr<AudioSource> makeOscillator(Waveform waveform, double cyclesPerSample,
                                            double amplitude, double offset, double phase);
// Plays `samples` (signal values, 1.0 = 10 V) from sample 0 on, then silence.
std::unique_ptr<AudioSource> makeSampleSource(std::vector<float> samples);

// The pieces of a constant, breakpoint or gate source.
std::vector<Piece> piecesOf(const PatchSource& source);
// Where a piecewise signal starts to change every sample (Streaming) or
// takes a new constant value (OneOff).
struct TimedStatus {
    int64_t at = 0;
    PinStatus status{};
};
std::vector<TimedStatus> statusesOf(const std::vector<Piece>& pieces);

struct TimedValue {
    int64_t at = 0;
    PinValue value;
};

class Feed {
public:
    Feed(Instance& instance, const PinInfo& pin) : instance_(instance), pin_(pin) {}

    Instance& instance() const { return instance_; }
    const PinInfo& pin() const { return pin_; }
    void setAudio(std::unique_ptr<AudioSource> audio) { audio_ = std::move(audio); }
    void addStatuses(std::vector<TimedStatus> statuses);
    void addValues(std::vector<TimedValue> values);
    void addMidi(std::vector<TimedMidi> midi);

    // Fills the block's samples and queues what falls in [start, start + frames).
    void feed(int64_t start, int32_t frames);

private:
    Instance& instance_;
    const PinInfo& pin_;
    std::unique_ptr<AudioSource> audio_;
    std::vector<TimedStatus> statuses_;
    std::vector<TimedValue> values_;
    std::vector<TimedMidi> midi_;
    size_t nextStatus_ = 0, nextValue_ = 0, nextMidi_ = 0;
};

}  // namespace modhost
