// The reference host's own costs: one block of a thousand envelope segments
// that are all asleep (no process calls are made, so this is the host alone),
// and the real-time factor of rendering each example patch.
#include <cstdlib>
#include <filesystem>

#include "bench_support.h"
#include "host/patch_reader.h"
#include "host/render.h"

namespace {

constexpr int32_t kSleepers = 1000;

void sleepingInstances(benchmark::State& state) {
    modhost::Rack rack(44100.0f, 64);
    auto library = bench::plugin("envelope_segment");
    for (int32_t i = 0; i < kSleepers; ++i)
        rack.add(library, modhost::InstanceOptions{.recordTraffic = false, .recordSent = false});
    rack.open();
    for (int block = 0; block < 4; ++block) rack.processBlock();
    int64_t callsBefore = 0;
    for (const auto& m : rack.instances()) {
        if (!m->asleep()) {
            state.SkipWithError("an envelope segment did not fall asleep");
            return;
        }
        callsBefore += m->processCalls();
    }
    for (auto _ : state) rack.processBlock();
    int64_t callsAfter = 0;
    for (const auto& m : rack.instances()) callsAfter += m->processCalls();
    if (callsAfter != callsBefore) state.SkipWithError("a sleeping instance was processed");
    state.counters["instances"] = kSleepers;
}

// Manual time: the render itself, without loading plug-ins or writing files.
void renderPatch(benchmark::State& state, const std::string& name) {
    setenv("MODHOST_PLUGIN_PATH", PLUGIN_DIR, 1);
    const auto out = std::filesystem::temp_directory_path() / "bench_render";
    std::filesystem::create_directories(out);
    modhost::Patch patch = modhost::readPatchFile(std::string(EXAMPLES_DIR) + "/" + name + ".toml");
    double audioSeconds = 0.0;
    double wallSeconds = 0.0;
    for (auto _ : state) {
        modhost::RenderOptions options;
        options.outputFolder = out.string();
        options.progress = false;
        modhost::Render render(patch, options);
        modhost::RenderStats stats = render.run();
        state.SetIterationTime(stats.wallSeconds);
        audioSeconds += double(stats.samples) / stats.sampleRate;
        wallSeconds += stats.wallSeconds;
    }
    std::filesystem::remove_all(out);
    state.counters["realtime_factor"] = wallSeconds > 0.0 ? audioSeconds / wallSeconds : 0.0;
}

void registerAll() {
    benchmark::RegisterBenchmark("host/1000 sleeping envelope_segment, per block",
                                 sleepingInstances);
    for (const char* patch : {"envelope_chain", "bender_keys", "panel_converters", "volts_notes"})
        benchmark::RegisterBenchmark(
            (std::string("render/") + patch).c_str(),
            [name = std::string(patch)](benchmark::State& s) { renderPatch(s, name); })
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
}

const bench::Registration registration(registerAll);

}  // namespace
