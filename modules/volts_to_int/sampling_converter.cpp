#include "sampling_converter.h"

#include <algorithm>

#include "modframe/module_entries.h"
#include "sampling_window.h"

namespace sampling {

using modframe::routine;

void SamplingConverter::open() {
    setProcessRoutine(routine<&SamplingConverter::processTrackLast>());
    ProcessingModule::open();
    scaled = 0.0f;
    clearOutput();
    holdCount = 0;
    samplingStopped = true;
    openSampleRate = sampleRate();
    firstSample = lastSample = windowSum = 0.0f;
    windowLength = boundedLength(double(openSampleRate));  // one second's worth
}

void SamplingConverter::onPlugStateChange(modframe::Plug& plug) {
    if (!hasPlugs()) return;
    if (plug.index() == plugs_.volts || plug.index() == plugs_.method) followInput();
    if (plug.index() == plugs_.rate) acceptSamplingRate();
}

void SamplingConverter::followInput() {
    windowSum = 0.0f;
    windowCount = 0;
    const modframe::Plug& input = plug(plugs_.volts);
    if (input.isStreaming())
        startSampling();
    else
        holdConstantInput(input);
}

// The first window is one block long. A windowEnd still pending from the
// last stretch of sampling carries the chain on, so there is never more
// than one.
void SamplingConverter::startSampling() {
    setProcessRoutine(samplingRoutine());
    if (samplingStopped) {
        if (!windowEndPending) queueWindowEnd(boundedLength(double(blockSize())));
        plug(plugs_.announced).transmitStatus(sampleClock(), PinStatus::OneOff);
    }
    samplingStopped = false;
}

// A pending windowEnd keeps firing until the countdown has stopped sampling.
void SamplingConverter::holdConstantInput(const modframe::Plug& input) {
    scaled = scaleSample(input.currentValue());
    publish();
    holdCount = blockSize();
    setProcessRoutine(constantRoutine());
}

// The new length applies from the next window end on.
void SamplingConverter::acceptSamplingRate() {
    samplingRate = sampling::acceptedSamplingRate(samplingRate);
    windowLength = sampling::windowLength(openSampleRate, samplingRate);
}

void SamplingConverter::queueWindowEnd(int32_t samples) {
    queueDeferredCall(clockPlus(sampleClock(), samples),
                      modframe::deferred<&SamplingConverter::windowEnd>());
    windowEndPending = true;
}

void SamplingConverter::windowEnd() {
    windowEndPending = false;
    if (!hasPlugs()) return;
    reduceWindow();
    publish();
    windowCount = 0;
    windowSum = 0.0f;
    if (samplingStopped)
        requestSleep();
    else
        queueWindowEnd(windowLength);
}

// Start and Start/End take the next window's first sample again.
void SamplingConverter::reduceWindow() {
    switch (samplingMethodOf(samplingMethod)) {
        case SamplingMethod::Start:
            scaled = scaleSample(firstSample);
            setProcessRoutine(routine<&SamplingConverter::processTakeFirst>());
            break;
        case SamplingMethod::End: scaled = scaleSample(lastSample); break;
        case SamplingMethod::StartEnd:
            scaled = scaleStartEnd(firstSample, lastSample);
            setProcessRoutine(routine<&SamplingConverter::processTakeFirstTrackLast>());
            break;
        case SamplingMethod::All: scaled = scaleAll(windowSum, windowCount, scaled); break;
    }
}

ProcessRoutine SamplingConverter::samplingRoutine() const {
    switch (samplingMethodOf(samplingMethod)) {
        case SamplingMethod::Start: return routine<&SamplingConverter::processTakeFirst>();
        case SamplingMethod::End: return routine<&SamplingConverter::processTrackLast>();
        case SamplingMethod::StartEnd:
            return routine<&SamplingConverter::processTakeFirstTrackLast>();
        case SamplingMethod::All: break;
    }
    return routine<&SamplingConverter::processAccumulate>();
}

ProcessRoutine SamplingConverter::constantRoutine() const {
    switch (samplingMethodOf(samplingMethod)) {
        case SamplingMethod::Start: return routine<&SamplingConverter::processConstantFirst>();
        case SamplingMethod::End:
        case SamplingMethod::StartEnd: return routine<&SamplingConverter::processConstantLast>();
        case SamplingMethod::All: break;
    }
    return routine<&SamplingConverter::processConstantAccumulate>();
}

// A call without samples has no first sample to take.
void SamplingConverter::processTakeFirst(int32_t offset, int32_t count) {
    if (volts == nullptr || count <= 0) return;
    firstSample = volts[offset];
    setProcessRoutine(routine<&SamplingConverter::processSkip>());
}

void SamplingConverter::processSkip(int32_t, int32_t) {}

void SamplingConverter::processTrackLast(int32_t offset, int32_t count) {
    if (volts != nullptr && count > 0) lastSample = volts[offset + count - 1];
}

void SamplingConverter::processTakeFirstTrackLast(int32_t offset, int32_t count) {
    if (volts == nullptr || count <= 0) return;
    firstSample = volts[offset];
    lastSample = volts[offset + count - 1];
    setProcessRoutine(routine<&SamplingConverter::processTrackLast>());
}

// The sum is rounded to single precision after every sample.
void SamplingConverter::processAccumulate(int32_t offset, int32_t count) {
    if (volts == nullptr || count <= 0) return;
    float sum = windowSum;
    for (int32_t i = offset; i < offset + count; ++i) sum += volts[i];
    windowSum = sum;
    windowCount = int32_t(std::min<int64_t>(int64_t(windowCount) + count, INT32_MAX));
}

void SamplingConverter::processConstantFirst(int32_t, int32_t) {
    samplingStopped = true;
    requestSleep();
}

void SamplingConverter::processConstantLast(int32_t offset, int32_t count) {
    processTrackLast(offset, count);
    finishCountdown(count);
}

void SamplingConverter::processConstantAccumulate(int32_t offset, int32_t count) {
    processAccumulate(offset, count);
    finishCountdown(count);
}

// Saturates instead of wrapping for a host that keeps calling after sleep was asked.
void SamplingConverter::finishCountdown(int32_t count) {
    holdCount = int32_t(std::clamp<int64_t>(int64_t(holdCount) - count, INT32_MIN, INT32_MAX));
    if (holdCount > 0) return;
    samplingStopped = true;
    requestSleep();
}

}  // namespace sampling
