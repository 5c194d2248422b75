// The time-based mode's rate: the "Sampling Rate (Hz)" value the module
// accepts and the number of samples between two timer calls.
#pragma once

#include <cstdint>

namespace volts_to_midi {

// Periods stay at or below 2^30 samples, so the sample clock plus a period
// never wraps into the past.
inline constexpr int32_t kMaxTimerPeriod = 1 << 30;

// Below 0.0001 Hz (or NaN) the rate is 0.0001 Hz; above 500 Hz it falls back to 100 Hz.
float acceptedSamplingRate(float rate);
// Samples between timer calls: the sample rate over the sampling rate,
// truncated, and kept between 1 and kMaxTimerPeriod.
int32_t timerPeriod(float sampleRate, float samplingRate);

}  // namespace volts_to_midi
