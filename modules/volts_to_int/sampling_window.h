// The sampling windows of the ZRM sampling converters: their length, and
// how a window's samples reduce to one value in volts.
#pragma once

#include <cstdint>

namespace sampling {

// The "Sampling Method" items; any other value takes the mean of all samples.
enum class SamplingMethod : int16_t { Start = 0, End = 1, StartEnd = 2, All = 3 };
SamplingMethod samplingMethodOf(int16_t value);

// Windows stay at or below 2^30 samples, so the sample clock plus a window
// is always read as a time to come, never one in the past.
inline constexpr int32_t kMaxWindowLength = 1 << 30;

// Below 0.0001 Hz (or not a number) the rate is 0.0001 Hz; above 500 Hz it
// falls back to 100 Hz.
float acceptedSamplingRate(float rate);
// `samples` truncated toward zero and kept between 1 and kMaxWindowLength:
// a window of no samples would end at the very sample it is queued at.
int32_t boundedLength(double samples);
// The sample rate over the sampling rate, as a bounded length.
int32_t windowLength(float sampleRate, float samplingRate);

// A single sample in volts (a float product).
float scaleSample(float sample);
// The mean of a window's first and last samples, in volts.
float scaleStartEnd(float first, float last);
// The mean of a window's `count` samples summed in `sum`, in volts;
// `previous` when the window holds none.
float scaleAll(float sum, int32_t count, float previous);

// The sample clock `samples` later, wrapping as the host's clock does.
inline int32_t clockPlus(int32_t clock, int32_t samples) {
    return int32_t(uint32_t(clock) + uint32_t(samples));
}

}  // namespace sampling
