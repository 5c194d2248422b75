// The math plug-ins through their process entry, beside the same products in
// a bare loop built the way the plug-ins build theirs (one build per
// instruction set, the widest chosen at load), and beside the same loop built
// for one instruction set only: x86-64 (the baseline) and AVX2.
#include <cmath>

#include "bench_support.h"

namespace {

float sine(float x) {
    return float(std::sin(double(x)));
}
float square(float x) {
    double v = x;
    return float((v * v) * 10.0);
}
float cube(float x) {
    double v = x;
    return float(((v * v) * 10.0) * (v * 10.0));
}

#define WIDEST __attribute__((target_clones("avx512f", "avx2", "default")))
#define BASELINE __attribute__((noinline))
#define AVX2 __attribute__((noinline, target("avx2")))

BASELINE void sineBare(const float* in, float* out, int32_t n) {
    for (int32_t i = 0; i < n; ++i) out[i] = sine(in[i]);
}
WIDEST void squareBare(const float* in, float* out, int32_t n) {
    for (int32_t i = 0; i < n; ++i) out[i] = square(in[i]);
}
WIDEST void cubeBare(const float* in, float* out, int32_t n) {
    for (int32_t i = 0; i < n; ++i) out[i] = cube(in[i]);
}
BASELINE void squareBaseline(const float* in, float* out, int32_t n) {
    for (int32_t i = 0; i < n; ++i) out[i] = square(in[i]);
}
BASELINE void cubeBaseline(const float* in, float* out, int32_t n) {
    for (int32_t i = 0; i < n; ++i) out[i] = cube(in[i]);
}
AVX2 void squareAvx2(const float* in, float* out, int32_t n) {
    for (int32_t i = 0; i < n; ++i) out[i] = square(in[i]);
}
AVX2 void cubeAvx2(const float* in, float* out, int32_t n) {
    for (int32_t i = 0; i < n; ++i) out[i] = cube(in[i]);
}

float input(int64_t i) {
    return 0.001f * float(i % 997);
}

void throughPlugin(benchmark::State& state, const char* deliverable) {
    auto m = bench::instance(deliverable, state.range(0));
    m->open();
    for (int64_t i = 0; i < state.range(0); ++i) m->buffer(0)[i] = input(i);
    m->queueStatus(0, PinStatus::Streaming);
    m->processBlock();
    bench::runPlugin(state, *m);
}

using Block = void (*)(const float*, float*, int32_t);

void bare(benchmark::State& state, Block block) {
    const auto frames = int32_t(state.range(0));
    std::vector<float> in(static_cast<size_t>(frames)), out(static_cast<size_t>(frames));
    for (int32_t i = 0; i < frames; ++i) in[size_t(i)] = input(i);
    for (auto _ : state) {
        bench::opaque(block)(in.data(), out.data(), frames);
        benchmark::ClobberMemory();
    }
    bench::countSamples(state);
}

void addMath(const char* deliverable, Block sameFlags) {
    bench::addRoutine(
        deliverable, [deliverable](benchmark::State& s) { throughPlugin(s, deliverable); },
        [sameFlags](benchmark::State& s) { bare(s, sameFlags); }, bench::copyBuffers(1));
}

void registerAll() {
    addMath("math_sin", sineBare);
    addMath("math_pow2", squareBare);
    addMath("math_pow3", cubeBare);
    bench::add("math_pow2", "x86-64", [](benchmark::State& s) { bare(s, squareBaseline); });
    bench::add("math_pow2", "avx2", [](benchmark::State& s) { bare(s, squareAvx2); });
    bench::add("math_pow3", "x86-64", [](benchmark::State& s) { bare(s, cubeBaseline); });
    bench::add("math_pow3", "avx2", [](benchmark::State& s) { bare(s, cubeAvx2); });
}

const bench::Registration registration(registerAll);

}  // namespace
