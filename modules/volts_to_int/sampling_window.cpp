#include "sampling_window.h"

namespace sampling {

namespace {

constexpr float kSlowestRate = 0.0001f;
constexpr float kFastestRate = 500.0f;
constexpr float kFallbackRate = 100.0f;

}  // namespace

SamplingMethod samplingMethodOf(int16_t value) {
    switch (SamplingMethod(value)) {
        case SamplingMethod::Start:
        case SamplingMethod::End:
        case SamplingMethod::StartEnd: return SamplingMethod(value);
        default: return SamplingMethod::All;
    }
}

float acceptedSamplingRate(float rate) {
    if (!(rate >= kSlowestRate)) rate = kSlowestRate;
    if (rate > kFastestRate) rate = kFallbackRate;
    return rate;
}

int32_t boundedLength(double samples) {
    if (!(samples >= 1.0)) return 1;
    if (samples >= double(kMaxWindowLength)) return kMaxWindowLength;
    return int32_t(samples);
}

int32_t windowLength(float sampleRate, float samplingRate) {
    return boundedLength(double(sampleRate) / double(samplingRate));
}

float scaleSample(float sample) {
    return sample * 10.0f;
}

float scaleStartEnd(float first, float last) {
    return float((double(last) + double(first)) * 5.0);
}

float scaleAll(float sum, int32_t count, float previous) {
    if (count == 0) return previous;
    return float(double(sum) * 10.0 / double(count));
}

}  // namespace sampling
