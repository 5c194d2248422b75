// The arithmetic of the tempo clock: how long each half pulse lasts at the
// host's tempo, which pulses start beats and bars, and the pull of the
// clock's phase towards the host's musical position. All of it happens once
// per edge; nothing here touches the host.
#pragma once

#include <cstdint>

namespace bpm_clock {

inline constexpr int32_t kBeatsPerBar = 4;
// Before the host has reported a usable tempo the clock runs at 100 beats per
// minute, the tempo that Tempo Out shows (10.0) until then.
inline constexpr double kFallbackTempo = 100.0;
// A half pulse is never shorter than two samples.
inline constexpr float kMinHalfPeriod = 2.0f;
// Nor longer than 2^30 samples, so the samples to the next edge stay an int32
// and the sample clock plus that count never wraps into the past.
inline constexpr float kMaxHalfPeriod = 1073741824.0f;

// A tempo the schedule can follow: finite and above zero.
bool isUsableTempo(double tempo);
// The "Pulse Divide" value the clock counts with: values below 1 count as 1,
// values above the largest item (64) as 64.
int32_t countablePulseDivide(int32_t pulseDivide);
// Tempo Out in host units: a tenth of the tempo, or 10.0 for a tempo of 0 or
// one that gives no finite voltage.
float tempoVoltage(double tempo);

class PulseSchedule {
public:
    // Counts one rising edge; returns true when that pulse starts a bar.
    bool countRisingEdge(int32_t pulseDivide);
    // Takes the tempo for the coming edges. An unusable tempo leaves the clock
    // running at the last usable one. Returns whether `tempo` was usable.
    bool followTempo(double tempo, float sampleRate, int32_t pulseDivide);
    // Goes on at the last usable tempo, with the current sample rate and divide.
    void keepTempo(float sampleRate, int32_t pulseDivide);
    // Pulls the phase towards the host's position at this edge, in beats.
    void followPosition(double ppqAtEdge, bool fallingEdge, int32_t pulseDivide);
    // Samples from this edge to the next one.
    int32_t scheduleNextEdge();

    double beatsPerSample() const { return beatsPerSample_; }
    float halfPeriod() const { return halfPeriod_; }
    float phaseError() const { return phaseError_; }
    float carry() const { return carry_; }
    int32_t beatIndex() const { return beatIndex_; }

private:
    float clockPhase(bool fallingEdge, int32_t pulseDivide) const;

    float phaseError_ = 0.0f;
    float carry_ = 0.0f;  // fractional samples carried to the next edge
    int32_t pulseIndex_ = -1;
    int32_t beatIndex_ = -1;
    double lastUsableTempo_ = kFallbackTempo;
    double beatsPerSample_ = 0.0;
    float halfPeriod_ = kMinHalfPeriod;
};

}  // namespace bpm_clock
