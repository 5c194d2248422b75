// What the streaming benchmarks share: plug-ins opened in the reference host
// and driven through the record's process entry, the block sizes, and the
// bare-loop and memcpy baselines that every routine is reported beside.
//
// Names follow "<routine>/<kind>/<block size>", where kind is "plugin" (the
// routine through its process entry), "bare" (the same arithmetic in a plain
// loop over plain arrays, same flags) or "memcpy" (a copy of the bytes the
// routine reads and writes). bench/run reads the names to build its tables.
#pragma once

#include <benchmark/benchmark.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/instance.h"

namespace bench {

inline constexpr int64_t kBlockSizes[] = {16, 64, 256, 1024};

inline std::shared_ptr<const modhost::PluginLibrary> plugin(const std::string& deliverable) {
    return std::make_shared<modhost::PluginLibrary>(std::string(PLUGIN_DIR) + "/" + deliverable +
                                                    ".so");
}

// An instance with one block of `frames` samples that records no traffic.
inline std::unique_ptr<modhost::Instance> instance(const std::string& deliverable, int64_t frames,
                                                   bool initialStatus = true) {
    return std::make_unique<modhost::Instance>(
        plugin(deliverable), modhost::InstanceOptions{.blockSize = int32_t(frames),
                                                      .recordTraffic = false,
                                                      .initialStatus = initialStatus,
                                                      .recordSent = false});
}

// Bare routines are called through a pointer the compiler cannot see
// through, as a host calls the process entry of a plug-in.
template <class Function>
Function* opaque(Function* f) {
    benchmark::DoNotOptimize(f);
    return f;
}

inline void countSamples(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// Calls the process entry the module last gave the host, over the whole
// block at the block's first sample, with the buffers the host handed out.
inline void runPlugin(benchmark::State& state, modhost::Instance& m) {
    const auto frames = int32_t(state.range(0));
    void* object = m.record()->object;
    for (auto _ : state) {
        m.hostRoutine()(object, 0, frames);
        benchmark::ClobberMemory();
    }
    countSamples(state);
}

// Copies `bytes(frames)` bytes per call: the memory traffic of the routine.
inline void runMemcpy(benchmark::State& state, size_t bytes) {
    std::vector<char> from(bytes, 1), to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    countSamples(state);
}

using Run = std::function<void(benchmark::State&)>;

// A copy of `buffers` whole blocks, for a routine that touches that many.
inline Run copyBuffers(int buffers) {
    return [buffers](benchmark::State& s) {
        runMemcpy(s, size_t(s.range(0)) * size_t(buffers) * sizeof(float));
    };
}
// A copy of `samples` floats per call, for a routine that reads only those.
inline Run copySamples(int samples) {
    return [samples](benchmark::State& s) { runMemcpy(s, size_t(samples) * sizeof(float)); };
}

inline void add(const std::string& routine, const std::string& kind, Run run) {
    auto* b = benchmark::RegisterBenchmark((routine + "/" + kind).c_str(),
                                           [run](benchmark::State& state) { run(state); });
    for (int64_t frames : kBlockSizes) b->Arg(frames);
}

// The three rows of one routine: through the plug-in, bare, and memcpy.
inline void addRoutine(const std::string& routine, Run plugin, Run bare, Run memory) {
    add(routine, "plugin", std::move(plugin));
    add(routine, "bare", std::move(bare));
    add(routine, "memcpy", std::move(memory));
}

// Registers benchmarks while the program starts.
struct Registration {
    explicit Registration(void (*registerAll)()) { registerAll(); }
};

}  // namespace bench
