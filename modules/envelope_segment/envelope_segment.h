// "QV_EnvSeg": a gated envelope segment. A rising edge at "Gate In" starts a
// segment from "Start Level" to "End Level" lasting as long as "Duration" says
// and shaped by "Response Curve"; its end puts a one-sample pulse on "Gate Out"
// and the level reached on "Level Out", so that segments chain. "Loop" restarts
// a segment at its end, "Release Gate" at exactly 0 ends it at once, and with
// "Duration" unconnected a segment holds its Start Level until released.
#pragma once

#include <limits>

#include "duration_table.h"
#include "modframe/module_entries.h"
#include "shape_tables.h"

namespace envelope_segment {

using modframe::Plug;

class EnvelopeSegment final : public modframe::ProcessingModule {
public:
    using ProcessingModule::ProcessingModule;

protected:
    void open() override;
    bool getPinProperties(int32_t index, PinProperties* out) override;
    void onPlugStateChange(Plug& changed) override;

private:
    enum Pin : int32_t {
        GateIn,
        StartLevel,
        EndLevel,
        Duration,
        ReleaseGate,
        Loop,
        Curve,
        GateOut,
        LevelOut,
        EnvelopeOut,
        PinCount
    };
    // The order in which the end of a finish pulse is reported.
    enum class PulseOrder { GateFirst, LevelFirst };
    struct LinearStep;
    struct CurveStep;

    void processStatic(int32_t offset, int32_t count);
    void processLinear(int32_t offset, int32_t count);
    void processCurve(int32_t offset, int32_t count);
    void processHold(int32_t offset, int32_t count);

    template <class Step>
    void runTimed(int32_t offset, int32_t count, Step step);
    template <class Step>
    int32_t runSteadily(int32_t offset, int32_t i, int32_t count, Step step);
    template <class Step>
    void timedSample(int32_t at, int32_t i, Step step);
    template <class Step>
    void runningSample(int32_t at, int32_t i, Step step);
    void runHold(int32_t offset, int32_t count);
    int32_t holdSteadily(int32_t offset, int32_t i, int32_t count);
    void holdSample(int32_t at, int32_t i);
    void runTimedForCurve(int32_t offset, int32_t count);

    bool isTrigger(float gate) const { return gate > 0.0f && previousGate <= 0.0f; }
    void startSegment(float duration, float start, float end, int32_t i);
    void finish(int32_t at, int32_t i, PulseOrder order);
    void idleSample(int32_t i, PulseOrder order);
    void reportPulse(int32_t i, PulseOrder order);
    void endPendingPulse(int32_t i, PulseOrder order);

    void report(Pin pin, int32_t i, PinStatus status);
    int32_t strongestInputStatus();
    bool buffersReady() const;
    int16_t curveItem() const { return curve.item; }
    int32_t tailLength() { return blockSize() > 0 ? blockSize() : 1; }

    // Pin buffers.
    float* gateIn = nullptr;
    float* duration = nullptr;
    float* startLevel = nullptr;
    float* endLevel = nullptr;
    float* loop = nullptr;
    float* releaseGate = nullptr;
    float* gateOut = nullptr;
    float* levelOut = nullptr;
    float* envelopeOut = nullptr;

    // Duration value from which durationSamples was last computed; none yet.
    float lastDuration = std::numeric_limits<float>::quiet_NaN();
    float durationSamples = 1.0f;
    float slope = 0.0f;          // level step per sample of the Linear curve
    float positionScale = 0.0f;  // 1000 / durationSamples
    float range = 0.0f;          // End Level minus Start Level of the current segment
    float segmentStart = 0.0f;
    float segmentEnd = 0.0f;
    float previousGate = 0.0f;
    float level = 0.0f;  // what the next running sample outputs
    bool running = false;
    int32_t sampleCount = 0;  // samples output since the segment started or restarted
    // "Response Curve": the host writes the chosen item as 16 bits at the start.
    struct EnumWord {
        int16_t item = 0;
        int16_t unused = 0;
    } curve;
    bool endPulsePending = false;  // the finish pulse was written, its end not yet reported
    int32_t tailCountdown = 0;     // idle samples left before "Envelope Out" is static

    const ShapeTables* shapes = nullptr;
};

}  // namespace envelope_segment
