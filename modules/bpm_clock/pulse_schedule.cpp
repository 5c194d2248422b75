#include "pulse_schedule.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace bpm_clock {

namespace {

constexpr int32_t kLargestPulseDivide = 64;
constexpr float kTempoOutUnknown = 10.0f;

float halfPeriodOf(double pulsesPerSample) {
    if (!(pulsesPerSample > 0.0)) return kMaxHalfPeriod;  // a sample rate of no use
    float pulses = float(std::min(pulsesPerSample, double(FLT_MAX)));
    float half = 0.5f / pulses;  // pulses that round to 0 give infinity, held to the maximum
    return std::min(half, kMaxHalfPeriod);
}

// The host's beat as the counter of beats within the bar sees it. Positions
// too far out for the counter to step on from keep their place in the bar.
int32_t beatOfPosition(double ppq) {
    double beat = std::trunc(ppq);
    if (std::fabs(beat) < 1073741824.0) return int32_t(beat);
    return int32_t(std::fmod(beat, double(kBeatsPerBar)));
}

}  // namespace

bool isUsableTempo(double tempo) {
    return std::isfinite(tempo) && tempo > 0.0;
}

int32_t countablePulseDivide(int32_t pulseDivide) {
    return std::clamp(pulseDivide, int32_t(1), kLargestPulseDivide);
}

float tempoVoltage(double tempo) {
    double volts = tempo * 0.1;
    if (!(std::fabs(volts) <= double(FLT_MAX))) return kTempoOutUnknown;
    float value = float(volts);
    return value == 0.0f ? kTempoOutUnknown : value;
}

bool PulseSchedule::countRisingEdge(int32_t pulseDivide) {
    pulseIndex_ = (pulseIndex_ + 1) % pulseDivide;
    if (pulseIndex_ != 0) return false;
    beatIndex_ = (beatIndex_ + 1) % kBeatsPerBar;
    return beatIndex_ == 0;
}

bool PulseSchedule::followTempo(double tempo, float sampleRate, int32_t pulseDivide) {
    bool usable = isUsableTempo(tempo);
    if (usable) lastUsableTempo_ = tempo;
    keepTempo(sampleRate, pulseDivide);
    return usable;
}

void PulseSchedule::keepTempo(float sampleRate, int32_t pulseDivide) {
    beatsPerSample_ = lastUsableTempo_ / (double(sampleRate) * 60.0);
    halfPeriod_ = halfPeriodOf(pulseDivide * beatsPerSample_);
}

float PulseSchedule::clockPhase(bool fallingEdge, int32_t pulseDivide) const {
    float pulses = float(pulseIndex_) + (fallingEdge ? 0.5f : 0.0f) - carry_ * 0.5f / halfPeriod_;
    return pulses / float(pulseDivide);
}

void PulseSchedule::followPosition(double ppqAtEdge, bool fallingEdge, int32_t pulseDivide) {
    if (!std::isfinite(ppqAtEdge)) return;
    beatIndex_ = beatOfPosition(ppqAtEdge);
    float error = float((ppqAtEdge - std::floor(ppqAtEdge)) - clockPhase(fallingEdge, pulseDivide));
    if (error < -0.5f) error += 1.0f;
    if (error > 0.5f) error -= 1.0f;
    float correction = float(pulseDivide) * error * halfPeriod_ * 2.0f;
    if (!std::isfinite(correction)) return;
    phaseError_ = error;
    carry_ -= correction;
}

int32_t PulseSchedule::scheduleNextEdge() {
    carry_ = halfPeriod_ + carry_;
    if (!(carry_ >= kMinHalfPeriod)) carry_ = kMinHalfPeriod;
    carry_ = std::min(carry_, kMaxHalfPeriod);
    auto samples = int32_t(std::ceil(carry_));
    carry_ -= float(samples);
    return samples;
}

}  // namespace bpm_clock
