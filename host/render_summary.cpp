#include <algorithm>
#include <cstdio>

#include "host/render.h"

namespace modhost {
namespace {

// Table cells padded with spaces to `width`, never cut: instance names and
// plug-in paths come from the patch and can be of any length.
std::string leftIn(const std::string& text, size_t width) {
    return text + std::string(width > text.size() ? width - text.size() : 0, ' ');
}

std::string rightIn(const std::string& text, size_t width) {
    return std::string(width > text.size() ? width - text.size() : 0, ' ') + text;
}

}  // namespace

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
    text += "  " + leftIn("instance", nameWidth) + "  " + leftIn("plug-in", pluginWidth) +
            "  process calls  skipped asleep\n";
    for (const auto& i : stats.instances) {
        text += "  " + leftIn(i.name, nameWidth) + "  " + leftIn(i.plugin, pluginWidth) + "  " +
                rightIn(std::to_string(i.processCalls), 13) + "  " +
                rightIn(std::to_string(i.skippedAsleep), 14) + "\n";
    }
    for (const auto& file : stats.files) text += "wrote " + file + "\n";
    return text;
}

}  // namespace modhost
