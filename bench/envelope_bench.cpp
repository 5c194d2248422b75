// The envelope segment's running routines (Linear, the three table curves,
// and hold with Duration unconnected) through the process entry, beside the
// same per-sample steps over plain arrays and a memcpy of its nine buffers.
#include <cstdint>
#include <limits>

#include "bench_support.h"
#include "modules/envelope_segment/shape_tables.h"

namespace {

using envelope_segment::interpolateShape;
using envelope_segment::kLastPosition;

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
};

// A Duration this high gives a segment far longer than any benchmark runs.
constexpr float kLongDuration = 3.0f;
constexpr int kCurveHold = -1;

// The running segment's state and the per-sample work of its routine over
// plain arrays, minus the host calls, which a segment that runs on makes
// none of. The state is kept in locals through the loop.
struct BareSegment {
    const float* gateIn;
    const float* duration;
    const float* startLevel;
    const float* endLevel;
    const float* loop;
    const float* releaseGate;
    float* gateOut;
    float* levelOut;
    float* envelopeOut;
    const float* table = nullptr;
    float durationSamples = 1e12f;
    float slope = 1e-12f;
    float positionScale = 1e-9f;
    float range = 1.0f;
    float segmentStart = 0.0f;
    float previousGate = 1.0f;
    float level = 0.0f;
    bool running = true;
    int32_t sampleCount = 0;
};

template <bool kLinear>
void bareTimed(BareSegment& m, int32_t count) {
    if (!m.running) return;
    const double length = double(m.durationSamples);
    const float slope = m.slope;
    const double positionScale = m.positionScale;
    const double range = m.range;
    const double segmentStart = m.segmentStart;
    const float* const table = m.table;
    const float* const gateIn = m.gateIn;
    const float* const releaseGate = m.releaseGate;
    const float* const loop = m.loop;
    const float* const endLevel = m.endLevel;
    float* const gateOut = m.gateOut;
    float* const envelopeOut = m.envelopeOut;
    float* const levelOut = m.levelOut;
    float gateBefore = m.previousGate;
    float level = m.level;
    int32_t samples = m.sampleCount;
    for (int32_t at = 0; at < count; ++at) {
        const float gate = gateIn[at];
        if (gate > 0.0f && gateBefore <= 0.0f) samples = 0;
        gateBefore = gate;
        gateOut[at] = 0.0f;
        envelopeOut[at] = 0.0f;
        levelOut[at] = 0.0f;
        if (releaseGate[at] == 0.0f || (double(samples) >= length && !(loop[at] > 0.0f))) {
            m.running = false;
            break;
        }
        envelopeOut[at] = level;
        if (samples < std::numeric_limits<int32_t>::max()) ++samples;
        if constexpr (kLinear) {
            level += slope;
        } else {
            const double position = double(samples) * positionScale;
            if (!(position <= double(kLastPosition))) {
                level = endLevel[at];
            } else {
                const double shape = interpolateShape(table, float(position));
                level = float(shape * range + segmentStart);
            }
        }
    }
    m.previousGate = gateBefore;
    m.level = level;
    m.sampleCount = samples;
}

void bareHold(BareSegment& m, int32_t count) {
    if (!m.running) return;
    float gateBefore = m.previousGate;
    float level = m.level;
    for (int32_t at = 0; at < count; ++at) {
        const float gate = m.gateIn[at];
        if (gate > 0.0f && gateBefore <= 0.0f) level = m.startLevel[at];
        gateBefore = gate;
        m.gateOut[at] = 0.0f;
        m.envelopeOut[at] = 0.0f;
        m.levelOut[at] = 0.0f;
        if (m.releaseGate[at] == 0.0f) {
            m.running = false;
            break;
        }
        m.envelopeOut[at] = level;
    }
    m.previousGate = gateBefore;
    m.level = level;
}

void fillInputs(float* const* in, int64_t frames) {
    const float values[] = {1.0f, 0.0f, 1.0f, kLongDuration, 1.0f, 0.0f};
    for (int p = 0; p < 6; ++p)
        for (int64_t i = 0; i < frames; ++i) in[p][i] = values[p];
}

// curve: a "Response Curve" item, or kCurveHold for Duration unconnected.
void throughPlugin(benchmark::State& state, int curve) {
    auto m = bench::instance("envelope_segment", state.range(0));
    m->setConnected(Duration, curve != kCurveHold);
    m->open();
    float* in[] = {m->buffer(GateIn),   m->buffer(StartLevel),  m->buffer(EndLevel),
                   m->buffer(Duration), m->buffer(ReleaseGate), m->buffer(Loop)};
    fillInputs(in, state.range(0));
    if (curve > 0) m->setValue(Curve, curve, 0);
    m->queueStatus(GateIn, PinStatus::Streaming, 0);
    m->processBlock();  // the trigger at sample 0 starts the segment
    bench::runPlugin(state, *m);
}

void bare(benchmark::State& state, int curve) {
    const auto frames = size_t(state.range(0));
    std::vector<std::vector<float>> buffers(9, std::vector<float>(frames));
    float* in[6];
    for (int p = 0; p < 6; ++p) in[p] = buffers[size_t(p)].data();
    fillInputs(in, state.range(0));
    BareSegment m{in[GateIn],      in[Duration],      in[StartLevel],    in[EndLevel],     in[Loop],
                  in[ReleaseGate], buffers[6].data(), buffers[7].data(), buffers[8].data()};
    const auto& tables = envelope_segment::buildShapeTables();
    m.table = envelope_segment::shapeTable(tables, curve < 0 ? 0 : curve);
    for (auto _ : state) {
        if (curve == kCurveHold)
            bench::opaque (&bareHold)(m, int32_t(frames));
        else if (curve == 0)
            bench::opaque (&bareTimed<true>)(m, int32_t(frames));
        else
            bench::opaque (&bareTimed<false>)(m, int32_t(frames));
        benchmark::ClobberMemory();
    }
    bench::countSamples(state);
}

void addEnvelope(const std::string& name, int curve) {
    bench::addRoutine(
        "envelope_segment " + name, [curve](benchmark::State& s) { throughPlugin(s, curve); },
        [curve](benchmark::State& s) { bare(s, curve); }, bench::copyBuffers(9));
}

void registerAll() {
    addEnvelope("Linear", 0);
    addEnvelope("Exp", 1);
    addEnvelope("Log", 2);
    addEnvelope("S-curve", 3);
    addEnvelope("hold", kCurveHold);
}

const bench::Registration registration(registerAll);

}  // namespace
