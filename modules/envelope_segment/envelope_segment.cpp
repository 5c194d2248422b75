#include "envelope_segment.h"

#include <algorithm>
#include <cmath>

namespace envelope_segment {

namespace {

struct PinRow {
    const char* name;
    PinDirection direction;
    const char* defaultValue;
    int32_t flags;
};

constexpr auto kSampledAtStart = int32_t(PinFlag::Bit200);

constexpr PinRow kPins[] = {
    {"Gate In", PinDirection::In, "0", 0},
    {"Start Level", PinDirection::In, "0", kSampledAtStart},
    {"End Level", PinDirection::In, "0", kSampledAtStart},
    {"Duration", PinDirection::In, "0", kSampledAtStart},
    {"Release Gate", PinDirection::In, "1", 0},
    {"Loop", PinDirection::In, "0", kSampledAtStart},
    {"Response Curve", PinDirection::In, "0", 0},
    {"Gate Out", PinDirection::Out, "0", 0},
    {"Level Out", PinDirection::Out, "0", 0},
    {"Envelope Out", PinDirection::Out, "0", 0},
};

constexpr const char* kCurveItems = "Linear,Exp,Log,S-curve";

// The first count c at which a steady run must leave the sample to
// runningSample: the segment is complete (double(c) >= length) or the count
// can grow no further. Counts below it neither complete nor saturate.
int32_t steadyCountLimit(double length) {
    constexpr int32_t kLargest = std::numeric_limits<int32_t>::max();
    if (!(length > 0.0)) return std::isnan(length) ? kLargest : 0;
    if (length >= double(kLargest)) return kLargest;
    return int32_t(std::ceil(length));
}

}  // namespace

// Linear: the level grows by `slope` per sample, and a segment that has run its
// full length ends on the End Level of its last sample.
struct EnvelopeSegment::LinearStep {
    // The step with the segment's values read once, for a run of samples.
    struct Run {
        float slope;
        float next(float level, int32_t, int32_t) const { return level + slope; }
    };
    Run run(const EnvelopeSegment& m) const { return Run{m.slope}; }
    void advance(EnvelopeSegment& m, int32_t at) const {
        m.level = run(m).next(m.level, m.sampleCount, at);
    }
    void beforeFinish(EnvelopeSegment& m, int32_t at) const {
        if (double(m.sampleCount) >= double(m.durationSamples)) m.level = m.endLevel[at];
    }
};

// Exp, Log and S-curve: the level is read from the curve's table at the
// position reached; past the end of the table it is the End Level.
struct EnvelopeSegment::CurveStep {
    const float* table;  // null for an item without table: the level stays

    struct Run {
        const float* table;
        const float* endLevel;
        double positionScale;
        double range;
        double segmentStart;

        float next(float level, int32_t sampleCount, int32_t at) const {
            const double position = double(sampleCount) * positionScale;
            if (!(position <= double(kLastPosition))) [[unlikely]]
                return endLevel[at];
            if (table == nullptr) [[unlikely]]
                return level;
            const double shape = interpolateShape(table, float(position));
            return float(shape * range + segmentStart);
        }
    };
    Run run(const EnvelopeSegment& m) const {
        return Run{table, m.endLevel, double(m.positionScale), double(m.range),
                   double(m.segmentStart)};
    }
    void advance(EnvelopeSegment& m, int32_t at) const {
        m.level = run(m).next(m.level, m.sampleCount, at);
    }
    void beforeFinish(EnvelopeSegment&, int32_t) const {}
};

void EnvelopeSegment::open() {
    ProcessingModule::open();
    shapes = &buildShapeTables();
    sharedDurationTable().publish(computeDurationEntries(sampleRate()));
}

bool EnvelopeSegment::getPinProperties(int32_t index, PinProperties* out) {
    if (index < 0 || index >= PinCount) return false;
    float** const buffers[] = {&gateIn, &startLevel, &endLevel, &duration, &releaseGate,
                               &loop,   nullptr,     &gateOut,  &levelOut, &envelopeOut};
    const PinRow& row = kPins[index];
    const bool isCurve = index == Curve;
    out->variable = isCurve ? static_cast<void*>(&curve.item) : buffers[index];
    out->direction = row.direction;
    out->kind = isCurve ? PinKind::Enum : PinKind::Audio;
    out->name = row.name;
    out->defaultValue = row.defaultValue;
    if (isCurve) out->kindExtra = kCurveItems;
    out->flags = row.flags;
    return true;
}

void EnvelopeSegment::onPlugStateChange(Plug&) {
    if (plugCount() < PinCount) return;
    const int32_t strongest = strongestInputStatus();
    if (strongest < int32_t(PinStatus::Streaming) && !running)
        setProcessRoutine(modframe::routine<&EnvelopeSegment::processStatic>());
    else if (!plug(Duration).isConnected())
        setProcessRoutine(modframe::routine<&EnvelopeSegment::processHold>());
    else if (curveItem() == int16_t(ResponseCurve::Linear))
        setProcessRoutine(modframe::routine<&EnvelopeSegment::processLinear>());
    else
        setProcessRoutine(modframe::routine<&EnvelopeSegment::processCurve>());
    plug(EnvelopeOut)
        .transmitStatus(sampleClock(), running ? PinStatus::Streaming : PinStatus(strongest));
}

// Idle with constant inputs: runs the step the connection of "Duration" and
// the curve call for, and asks to sleep once nothing is left to do.
void EnvelopeSegment::processStatic(int32_t offset, int32_t count) {
    if (!buffersReady()) return;
    if (plug(Duration).isConnected())
        runTimedForCurve(offset, count);
    else
        runHold(offset, count);
    // A streaming input may bring a trigger in any sample: stay awake for it.
    if (!running && tailCountdown <= 0 && strongestInputStatus() < int32_t(PinStatus::Streaming))
        requestSleep();
}

void EnvelopeSegment::processLinear(int32_t offset, int32_t count) {
    if (buffersReady()) runTimed(offset, count, LinearStep{});
}

void EnvelopeSegment::processCurve(int32_t offset, int32_t count) {
    if (buffersReady()) runTimed(offset, count, CurveStep{shapeTable(*shapes, curveItem())});
}

void EnvelopeSegment::processHold(int32_t offset, int32_t count) {
    if (buffersReady()) runHold(offset, count);
}

void EnvelopeSegment::runTimedForCurve(int32_t offset, int32_t count) {
    if (curveItem() == int16_t(ResponseCurve::Linear))
        runTimed(offset, count, LinearStep{});
    else
        runTimed(offset, count, CurveStep{shapeTable(*shapes, curveItem())});
}

template <class Step>
void EnvelopeSegment::runTimed(int32_t offset, int32_t count, Step step) {
    int32_t i = 0;
    while (i < count) {
        i = runSteadily(offset, i, count, step);
        if (i < count) timedSample(offset + i, i, step);
        ++i;
    }
}

// Runs the samples of a running segment up to the first that holds a
// trigger, a release or the segment's end, and returns its index, or the
// index after it when that sample has been handled. The state lives in
// locals meanwhile: kept in the object, every store to an output buffer
// (which might alias it) would force it to be written and read again.
// Buffers are read and written in the order timedSample uses.
template <class Step>
int32_t EnvelopeSegment::runSteadily(int32_t offset, int32_t i, int32_t count, Step step) {
    if (!running) return i;
    const auto run = step.run(*this);
    const int32_t stop = steadyCountLimit(double(durationSamples));
    const float* const gates = gateIn + offset;
    const float* const releases = releaseGate + offset;
    float* const gatesOut = gateOut + offset;
    float* const envelope = envelopeOut + offset;
    float* const levels = levelOut + offset;
    float gateBefore = previousGate;
    float current = level;
    int32_t samples = sampleCount;
    bool ending = false;  // sample i is released or reached the segment's end
    for (; i < count; ++i) {
        const float gate = gates[i];
        if (gate > 0.0f && gateBefore <= 0.0f) break;
        gateBefore = gate;
        gatesOut[i] = 0.0f;
        envelope[i] = 0.0f;
        levels[i] = 0.0f;
        if (releases[i] == 0.0f || samples >= stop) {
            ending = true;
            break;
        }
        envelope[i] = current;
        ++samples;
        current = run.next(current, samples, offset + i);
    }
    previousGate = gateBefore;
    level = current;
    sampleCount = samples;
    if (!ending) return i;
    runningSample(offset + i, i, step);
    return i + 1;
}

template <class Step>
void EnvelopeSegment::timedSample(int32_t at, int32_t i, Step step) {
    const float gate = gateIn[at];
    if (isTrigger(gate)) startSegment(duration[at], startLevel[at], endLevel[at], i);
    previousGate = gate;
    gateOut[at] = 0.0f;
    envelopeOut[at] = 0.0f;
    levelOut[at] = 0.0f;
    if (running)
        runningSample(at, i, step);
    else
        idleSample(i, PulseOrder::GateFirst);
}

// A running sample once its gate has been read and its outputs cleared.
template <class Step>
void EnvelopeSegment::runningSample(int32_t at, int32_t i, Step step) {
    const bool released = releaseGate[at] == 0.0f;  // either sign; negative values run
    const bool complete = double(sampleCount) >= double(durationSamples);
    if (released || (complete && !(loop[at] > 0.0f))) {
        step.beforeFinish(*this, at);
        finish(at, i, PulseOrder::GateFirst);
        return;
    }
    if (complete) startSegment(duration[at], startLevel[at], endLevel[at], i);
    envelopeOut[at] = level;
    // A count that cannot grow further stands for a length no segment reaches.
    if (sampleCount < std::numeric_limits<int32_t>::max()) ++sampleCount;
    step.advance(*this, at);
}

// "Duration" unconnected: a segment holds the Start Level of its trigger until
// "Release Gate" is 0; "Loop", "End Level" and the curve are not read.
void EnvelopeSegment::runHold(int32_t offset, int32_t count) {
    int32_t i = 0;
    while (i < count) {
        i = holdSteadily(offset, i, count);
        if (i < count) holdSample(offset + i, i);
        ++i;
    }
}

// The held samples up to the first trigger or release, as runSteadily does
// for timed segments.
int32_t EnvelopeSegment::holdSteadily(int32_t offset, int32_t i, int32_t count) {
    if (!running) return i;
    const float held = level;
    const float* const gates = gateIn + offset;
    const float* const releases = releaseGate + offset;
    float* const gatesOut = gateOut + offset;
    float* const envelope = envelopeOut + offset;
    float* const levels = levelOut + offset;
    float gateBefore = previousGate;
    for (; i < count; ++i) {
        const float gate = gates[i];
        if (gate > 0.0f && gateBefore <= 0.0f) break;
        gateBefore = gate;
        gatesOut[i] = 0.0f;
        envelope[i] = 0.0f;
        levels[i] = 0.0f;
        if (releases[i] == 0.0f) {
            previousGate = gateBefore;
            finish(offset + i, i, PulseOrder::LevelFirst);
            return i + 1;
        }
        envelope[i] = held;
    }
    previousGate = gateBefore;
    return i;
}

void EnvelopeSegment::holdSample(int32_t at, int32_t i) {
    const float gate = gateIn[at];
    if (isTrigger(gate)) {
        endPendingPulse(i, PulseOrder::LevelFirst);
        running = true;
        tailCountdown = 0;
        level = startLevel[at];
        report(EnvelopeOut, i, PinStatus::Streaming);
    }
    previousGate = gate;
    gateOut[at] = 0.0f;
    envelopeOut[at] = 0.0f;
    levelOut[at] = 0.0f;
    if (!running)
        idleSample(i, PulseOrder::LevelFirst);
    else if (releaseGate[at] == 0.0f)
        finish(at, i, PulseOrder::LevelFirst);
    else
        envelopeOut[at] = level;
}

void EnvelopeSegment::startSegment(float d, float start, float end, int32_t i) {
    endPendingPulse(i, PulseOrder::GateFirst);
    if (!(d == lastDuration)) {
        lastDuration = d;
        durationSamples = durationToSamples(d, sampleRate(), sharedDurationTable());
        const float reciprocal = 1.0f / durationSamples;
        slope = reciprocal * range;
        positionScale = reciprocal * kLastPosition;
    }
    if (start != segmentStart || end != segmentEnd) {
        segmentStart = start;
        segmentEnd = end;
        range = end - start;
        slope = range / durationSamples;
    }
    level = start;
    running = true;
    tailCountdown = 0;
    sampleCount = 0;
    report(EnvelopeOut, i, PinStatus::Streaming);
    report(LevelOut, i, PinStatus::OneOff);
}

void EnvelopeSegment::finish(int32_t at, int32_t i, PulseOrder order) {
    running = false;
    gateOut[at] = 1.0f;
    endPulsePending = true;
    levelOut[at] = level;
    reportPulse(i, order);
    tailCountdown = tailLength();
}

void EnvelopeSegment::idleSample(int32_t i, PulseOrder order) {
    endPendingPulse(i, order);
    if (tailCountdown > 0 && --tailCountdown == 0) {
        report(EnvelopeOut, i, PinStatus::OneOff);
        setProcessRoutine(modframe::routine<&EnvelopeSegment::processStatic>());
    }
}

// Gate Out and Level Out both changed in sample i: into the pulse or back to 0.
void EnvelopeSegment::reportPulse(int32_t i, PulseOrder order) {
    const Pin first = order == PulseOrder::GateFirst ? GateOut : LevelOut;
    const Pin second = order == PulseOrder::GateFirst ? LevelOut : GateOut;
    report(first, i, PinStatus::OneOff);
    report(second, i, PinStatus::OneOff);
}

// The pulse of a finish lasts one sample; its end is reported in the next
// sample, whether that sample is idle or starts a new segment.
void EnvelopeSegment::endPendingPulse(int32_t i, PulseOrder order) {
    if (!endPulsePending) return;
    endPulsePending = false;
    reportPulse(i, order);
}

void EnvelopeSegment::report(Pin pin, int32_t i, PinStatus status) {
    // The sample clock wraps like the host's.
    const auto time = int32_t(uint32_t(sampleClock()) + uint32_t(i));
    plug(pin).transmitStatus(time, status);
}

// The lasting status of the busiest input, as a report of "Envelope Out" gives
// it when idle: at least a one-off change, at most streaming.
int32_t EnvelopeSegment::strongestInputStatus() {
    int32_t strongest = int32_t(PinStatus::OneOff);
    for (int32_t p = GateIn; p <= Curve; ++p)
        strongest = std::max(strongest, int32_t(plug(p).status()));
    return std::min(strongest, int32_t(PinStatus::Streaming));
}

bool EnvelopeSegment::buffersReady() const {
    return gateIn && duration && startLevel && endLevel && loop && releaseGate && gateOut &&
           levelOut && envelopeOut && shapes;
}

}  // namespace envelope_segment
