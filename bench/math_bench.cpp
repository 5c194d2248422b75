// Streaming routines of the math plug-ins, called through the record's
// process entry as the host calls them, beside the same arithmetic in a
// bare loop. Reported per sample.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "host/instance.h"

namespace {

void streamThroughPlugin(benchmark::State& state, const char* deliverable) {
    auto library = std::make_shared<modhost::PluginLibrary>(std::string(PLUGIN_DIR) + "/" +
                                                            deliverable + ".so");
    auto frames = int32_t(state.range(0));
    modhost::Instance m(library,
                        modhost::InstanceOptions{.blockSize = frames, .recordTraffic = false});
    m.open();
    for (int32_t i = 0; i < frames; ++i) m.buffer(0)[i] = 0.001f * float(i % 997);
    m.queueStatus(0, PinStatus::Streaming);
    m.processBlock(0);
    for (auto _ : state) {
        m.callProcess(0, frames);
        benchmark::DoNotOptimize(m.buffer(1)[frames - 1]);
    }
    state.SetItemsProcessed(state.iterations() * frames);
}

template <class Function>
void bareLoop(benchmark::State& state, Function f) {
    auto frames = size_t(state.range(0));
    std::vector<float> in(frames), out(frames);
    for (size_t i = 0; i < frames; ++i) in[i] = 0.001f * float(i % 997);
    for (auto _ : state) {
        for (size_t i = 0; i < frames; ++i) out[i] = f(in[i]);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * int64_t(frames));
}

float sine(float x) {
    return float(std::sin(double(x)));
}
float square(float x) {
    return float((double(x) * x) * 10.0);
}
float cube(float x) {
    return float(((double(x) * x) * 10.0) * (double(x) * 10.0));
}

BENCHMARK_CAPTURE(streamThroughPlugin, math_sin, "math_sin")->RangeMultiplier(4)->Range(16, 1024);
BENCHMARK_CAPTURE(bareLoop, sin_bare, sine)->RangeMultiplier(4)->Range(16, 1024);
BENCHMARK_CAPTURE(streamThroughPlugin, math_pow2, "math_pow2")->RangeMultiplier(4)->Range(16, 1024);
BENCHMARK_CAPTURE(bareLoop, pow2_bare, square)->RangeMultiplier(4)->Range(16, 1024);
BENCHMARK_CAPTURE(streamThroughPlugin, math_pow3, "math_pow3")->RangeMultiplier(4)->Range(16, 1024);
BENCHMARK_CAPTURE(bareLoop, pow3_bare, cube)->RangeMultiplier(4)->Range(16, 1024);

}  // namespace
