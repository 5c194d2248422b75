#include "timer_period.h"

#include <cmath>

namespace volts_to_midi {

namespace {

constexpr float kSlowestRate = 0.0001f;
constexpr float kFastestRate = 500.0f;
constexpr float kFallbackRate = 100.0f;

}  // namespace

float acceptedSamplingRate(float rate) {
    if (!(rate >= kSlowestRate)) return kSlowestRate;
    if (rate > kFastestRate) return kFallbackRate;
    return rate;
}

int32_t timerPeriod(float sampleRate, float samplingRate) {
    float samples = sampleRate / samplingRate;
    if (std::isnan(samples) || samples >= float(kMaxTimerPeriod)) return kMaxTimerPeriod;
    // A period of 0 would call the timer again at the very sample it runs in.
    if (samples < 1.0f) return 1;
    return int32_t(samples);
}

}  // namespace volts_to_midi
