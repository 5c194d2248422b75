#include <algorithm>
#include <cstdio>

#include "host/render.h"

namespace modhost {

std::string renderSummary(const RenderStats& stats) {
    double seconds = double(stats.samples) / stats.sampleRate;
    char line[256];
    std::snprintf(
        line, sizeof line,
        "rendered %.3f s (%lld samples at %g Hz, %lld blocks of %d) in %.3f ms wall time: "
        "%.0fx real time; files written in %.1f ms\n",
        seconds, (long long)stats.samples, stats.sampleRate, (long long)stats.blocks,
        stats.blockSize, stats.wallSeconds * 1000.0,
        stats.wallSeconds > 0.0 ? seconds / stats.wallSeconds : 0.0, stats.writingSeconds * 1000.0);
    std::string text = line;
    size_t nameWidth = 8, pluginWidth = 7;
    for (const auto& i : stats.instances) {
        nameWidth = std::max(nameWidth, i.name.size());
        pluginWidth = std::max(pluginWidth, i.plugin.size());
    }
    std::snprintf(line, sizeof line, "  %-*s  %-*s  %13s  %14s\n", int(nameWidth), "instance",
                  int(pluginWidth), "plug-in", "process calls", "skipped asleep");
    text += line;
    for (const auto& i : stats.instances) {
        std::snprintf(line, sizeof line, "  %-*s  %-*s  %13lld  %14lld\n", int(nameWidth),
                      i.name.c_str(), int(pluginWidth), i.plugin.c_str(), (long long)i.processCalls,
                      (long long)i.skippedAsleep);
        text += line;
    }
    for (const auto& file : stats.files) text += "wrote " + file + "\n";
    return text;
}

}  // namespace modhost
