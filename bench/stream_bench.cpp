// The streaming routines of the clock, the key display and the three
// converters through the process entry, beside the same per-block work over
// plain arrays and a memcpy of what each routine reads or writes.
#include <algorithm>
#include <array>
#include <cmath>

#include "bench_support.h"

namespace {

// ---- bpm_clock: four held outputs, refreshed for one block after each edge.

struct BareHeld {
    float* buffer;
    float value = 0.0f;
    int32_t countdown = 200;

    void fill(int32_t offset, int32_t count) {
        if (countdown < 0 || count <= 0) return;
        int32_t samples = std::min(count, countdown);
        std::fill(buffer + offset, buffer + offset + samples, value);
        countdown -= samples;
    }
    void set(float v, int32_t blockSize) {
        if (v == value) return;
        countdown = blockSize;
        value = v;
    }
};

struct BareClock {
    std::array<BareHeld, 4> outputs;
    int32_t blockSize;
    int32_t samplesToNextEdge = 0;
    int32_t risingEdges = 0;
    float carry = 0.0f;
    // 120 beats a minute, four pulses a beat, at 44100 Hz: half a pulse.
    float halfPeriod = 44100.0f / 16.0f;
};

__attribute__((noinline)) void bareClock(BareClock& c, int32_t count) {
    int32_t remaining = count;
    int32_t position = 0;
    while (true) {
        int32_t samples = std::min(c.samplesToNextEdge, remaining);
        for (auto& output : c.outputs) output.fill(position, samples);
        remaining -= samples;
        c.samplesToNextEdge -= samples;
        if (remaining == 0) return;
        position += samples;
        bool rising = c.outputs[0].value == 0.0f;
        bool bar = rising && ++c.risingEdges % 16 == 0;
        c.outputs[0].set(rising ? 0.5f : 0.0f, c.blockSize);
        c.outputs[1].set(bar ? 0.5f : 0.0f, c.blockSize);
        c.carry += c.halfPeriod;
        auto next = int32_t(std::ceil(c.carry));
        c.carry -= float(next);
        c.samplesToNextEdge = next;
    }
}

void clockPlugin(benchmark::State& state) {
    auto m = bench::instance("bpm_clock", state.range(0));
    m->open();
    m->processBlock();
    bench::runPlugin(state, *m);
}

void clockBare(benchmark::State& state) {
    const auto frames = int32_t(state.range(0));
    std::vector<std::vector<float>> buffers(4, std::vector<float>(size_t(frames)));
    BareClock c{{BareHeld{buffers[0].data()}, BareHeld{buffers[1].data()},
                 BareHeld{buffers[2].data()}, BareHeld{buffers[3].data()}},
                frames};
    for (auto _ : state) {
        bench::opaque (&bareClock)(c, frames);
        benchmark::ClobberMemory();
    }
    bench::countSamples(state);
}

// ---- midi_to_keys: twelve key buffers filled with the keys' levels.

__attribute__((noinline)) void bareKeys(float* const* buffers, const float* keys, int32_t count) {
    for (int32_t k = 0; k < 12; ++k) std::fill(buffers[k], buffers[k] + count, keys[k]);
}

void keysPlugin(benchmark::State& state) {
    auto m = bench::instance("midi_to_keys", state.range(0));
    m->open();
    m->queueMidi(packMidi(0x90, 36 + 4, 100), 0);
    m->processBlock();
    bench::runPlugin(state, *m);
}

void keysBare(benchmark::State& state) {
    const auto frames = int32_t(state.range(0));
    std::vector<std::vector<float>> buffers(12, std::vector<float>(size_t(frames)));
    float* pointers[12];
    for (int k = 0; k < 12; ++k) pointers[k] = buffers[size_t(k)].data();
    float keys[12] = {0, 0, 0, 0, 1.0f};
    for (auto _ : state) {
        bench::opaque (&bareKeys)(pointers, keys, frames);
        benchmark::ClobberMemory();
    }
    bench::countSamples(state);
}

// ---- volts_to_int: the "All" method sums every sample in single precision.

struct BareWindow {
    float sum = 0.0f;
    int32_t count = 0;
};

__attribute__((noinline)) void bareAccumulate(BareWindow& w, const float* volts, int32_t count) {
    float sum = w.sum;
    for (int32_t i = 0; i < count; ++i) sum += volts[i];
    w.sum = sum;
    w.count = int32_t(std::min<int64_t>(int64_t(w.count) + count, INT32_MAX));
}

float voltage(int64_t i) {
    return 0.001f * float(i % 997) - 0.5f;
}

void accumulatePlugin(benchmark::State& state) {
    auto m = bench::instance("volts_to_int", state.range(0));
    m->open();
    for (int64_t i = 0; i < state.range(0); ++i) m->buffer(0)[i] = voltage(i);
    m->setValue(2, 3, 0);  // "Sampling Method": All
    m->queueStatus(0, PinStatus::Streaming, 0);
    m->processBlock();
    bench::runPlugin(state, *m);
}

void accumulateBare(benchmark::State& state) {
    std::vector<float> volts(size_t(state.range(0)));
    for (size_t i = 0; i < volts.size(); ++i) volts[i] = voltage(int64_t(i));
    BareWindow w;
    for (auto _ : state) {
        bench::opaque (&bareAccumulate)(w, volts.data(), int32_t(volts.size()));
        benchmark::DoNotOptimize(w);
    }
    bench::countSamples(state);
}

// ---- voltage_to_float: the first sample of a call against the last sent.

struct BareWatch {
    float lastSent = 0.0f;
    int32_t sent = 0;
};

__attribute__((noinline)) void bareWatch(BareWatch& w, const float* signal, int32_t count) {
    if (count <= 0) return;
    float moved = signal[0] - w.lastSent;
    if (moved > 1e-6f || moved < -1e-6f) {
        w.lastSent = signal[0];
        ++w.sent;
    }
}

void watchPlugin(benchmark::State& state) {
    auto m = bench::instance("voltage_to_float", state.range(0));
    m->open();
    m->fillBuffer(0, 0.25f);
    m->queueStatus(0, PinStatus::Streaming, 0);
    m->processBlock();
    bench::runPlugin(state, *m);
}

void watchBare(benchmark::State& state) {
    std::vector<float> signal(size_t(state.range(0)), 0.25f);
    BareWatch w;
    for (auto _ : state) {
        bench::opaque (&bareWatch)(w, signal.data(), int32_t(signal.size()));
        benchmark::DoNotOptimize(w);
    }
    bench::countSamples(state);
}

// ---- volts_to_midi: the five voltages' current samples, read once a call.

struct Readings {
    float values[5];
};

__attribute__((noinline)) void bareReadings(Readings& r, const float* const* inputs,
                                            int32_t offset) {
    for (int k = 0; k < 5; ++k) r.values[k] = inputs[k][offset];
}

void readingsPlugin(benchmark::State& state) {
    auto m = bench::instance("volts_to_midi", state.range(0));
    m->open();
    for (int32_t k = 3; k < 8; ++k) m->fillBuffer(k, 0.1f * float(k));
    m->queueStatus(3, PinStatus::Streaming, 0);
    m->processBlock();
    bench::runPlugin(state, *m);
}

void readingsBare(benchmark::State& state) {
    std::vector<std::vector<float>> buffers(5, std::vector<float>(size_t(state.range(0)), 0.3f));
    const float* inputs[5];
    for (int k = 0; k < 5; ++k) inputs[k] = buffers[size_t(k)].data();
    Readings r{};
    for (auto _ : state) {
        bench::opaque (&bareReadings)(r, inputs, 0);
        benchmark::DoNotOptimize(r);
    }
    bench::countSamples(state);
}

void registerAll() {
    bench::addRoutine("bpm_clock", clockPlugin, clockBare, bench::copyBuffers(4));
    bench::addRoutine("midi_to_keys", keysPlugin, keysBare, bench::copyBuffers(12));
    bench::addRoutine("volts_to_int accumulate", accumulatePlugin, accumulateBare,
                      bench::copyBuffers(1));
    bench::addRoutine("voltage_to_float watch", watchPlugin, watchBare, bench::copySamples(1));
    bench::addRoutine("volts_to_midi streaming", readingsPlugin, readingsBare,
                      bench::copySamples(5));
}

const bench::Registration registration(registerAll);

}  // namespace
