// Pictures of signals over time, drawn by gnuplot: one frame per signal
// (or one for all), time in seconds across, volts (audio) or the pin's value
// up. Audio is kept as the lowest and highest sample of each short stretch,
// so a one-sample pulse still shows.
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "host/outputs.h"
#include "host/plugin_library.h"

namespace modhost {

namespace {

constexpr int64_t kColumns = 3000;  // stretches across the picture

struct Trace {
    std::vector<std::pair<double, float>> points;  // seconds, volts or value
    float low = 0.0f, high = 0.0f;
    int64_t filled = 0;
};

std::string quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("''") : std::string(1, c);
    return out + "'";
}

class PictureRecorder final : public Recorder {
public:
    PictureRecorder(const PatchOutput& output, const std::string& path, std::vector<Probe> probes,
                    const RenderFacts& facts)
        : Recorder(path),
          probes_(std::move(probes)),
          title_(output.title),
          overlay_(output.overlay),
          svg_(std::filesystem::path(path).extension() == ".svg"),
          facts_(facts),
          stretch_(std::max<int64_t>(1, (facts.length + kColumns - 1) / kColumns)),
          traces_(probes_.size()) {
        for (size_t i = 0; i < probes_.size(); ++i) {
            traces_[i].points.reserve(size_t(2 * kColumns + 16));
            if (probes_[i].pin->kind != PinKind::Audio)
                traces_[i].points.emplace_back(0.0, valueOf(i));
        }
    }

    void report(size_t probe, PinStatus, int64_t time) override {
        if (probes_[probe].pin->kind == PinKind::Audio) return;
        traces_[probe].points.emplace_back(double(time) / facts_.sampleRate, valueOf(probe));
    }

    void block(int64_t start, int32_t frames) override {
        for (size_t i = 0; i < probes_.size(); ++i) {
            if (probes_[i].pin->kind != PinKind::Audio) continue;
            const float* samples = probes_[i].instance->buffer(probes_[i].pin->plugIndex);
            for (int32_t k = 0; k < frames;) {
                auto n = int32_t(std::min<int64_t>(frames - k, stretch_ - traces_[i].filled));
                add(traces_[i], start + k, samples + k, n);
                k += n;
            }
        }
    }

    void finish() override {
        double end = double(facts_.length) / facts_.sampleRate;
        for (size_t i = 0; i < probes_.size(); ++i)
            if (probes_[i].pin->kind != PinKind::Audio) {
                traces_[i].points.emplace_back(end, valueOf(i));
                std::stable_sort(traces_[i].points.begin(), traces_[i].points.end(),
                                 [](auto& a, auto& b) { return a.first < b.first; });
            }
        std::string script = header(end);
        for (size_t i = 0; i < traces_.size(); ++i) script += data(i);
        script += overlay_ ? overlayPlot() : stackedPlots();
        draw(script);
    }

private:
    float valueOf(size_t probe) const {
        const Probe& p = probes_[probe];
        return float(p.instance->pinValue(p.pin->listingIndex).number);
    }

    // Takes `n` samples from `t` on, never past the end of the current stretch.
    void add(Trace& trace, int64_t t, const float* samples, int32_t n) {
        if (trace.filled == 0) trace.low = trace.high = samples[0];
        widen(samples, n, trace.low, trace.high);
        trace.filled += n;
        if (trace.filled < stretch_ && t + n < facts_.length) return;
        double seconds = double(t + n - trace.filled) / facts_.sampleRate;
        float low = trace.low * 10.0f, high = trace.high * 10.0f;
        // The end nearer the line drawn so far comes first, so slopes stay thin.
        bool highFirst = !trace.points.empty() && std::abs(trace.points.back().second - high) <
                                                      std::abs(trace.points.back().second - low);
        trace.points.emplace_back(seconds, highFirst ? high : low);
        if (high != low) trace.points.emplace_back(seconds, highFirst ? low : high);
        trace.filled = 0;
    }

    // Four lanes at a time keep the comparisons from waiting on each other.
    static void widen(const float* samples, int32_t n, float& low, float& high) {
        float lows[4] = {low, low, low, low}, highs[4] = {high, high, high, high};
        int32_t i = 0;
        for (; i + 4 <= n; i += 4)
            for (int lane = 0; lane < 4; ++lane) {
                lows[lane] = std::min(lows[lane], samples[i + lane]);
                highs[lane] = std::max(highs[lane], samples[i + lane]);
            }
        for (; i < n; ++i)
            lows[0] = std::min(lows[0], samples[i]), highs[0] = std::max(highs[0], samples[i]);
        low = std::min(std::min(lows[0], lows[1]), std::min(lows[2], lows[3]));
        high = std::max(std::max(highs[0], highs[1]), std::max(highs[2], highs[3]));
    }

    std::string header(double end) const {
        int frames = overlay_ ? 1 : int(probes_.size());
        int height = std::max(360, 60 + (frames > 6 ? 95 : 150) * frames);
        std::string script =
            svg_ ? "set terminal svg size 1100," + std::to_string(height) + " font ',10'\n"
                 : "set terminal pngcairo size 1100," + std::to_string(height) + " font ',9'\n";
        script += "set termoption noenhanced\nset output " + quoted(path()) + "\n";
        script +=
            "set xrange [0:" + std::to_string(end) + "]\nset grid\nset key outside right top\n";
        script +=
            "set offsets 0, 0, graph 0.08, graph 0.08\n"
            "set lmargin at screen 0.07\nset rmargin at screen 0.78\n";
        return script;
    }

    std::string data(size_t i) const {
        std::string block = "$d" + std::to_string(i) + " << EOD\n";
        char line[64];
        for (auto [t, v] : traces_[i].points) {
            std::snprintf(line, sizeof line, "%.7f %.7g\n", t, double(v));
            block += line;
        }
        return block + "EOD\n";
    }

    std::string plotOf(size_t i) const {
        const char* style = probes_[i].pin->kind == PinKind::Audio ? "lines" : "steps";
        return "$d" + std::to_string(i) + " using 1:2 with " + style + " lw 1.5 title " +
               quoted(probes_[i].label);
    }

    std::string unitOf(size_t i) const {
        return probes_[i].pin->kind == PinKind::Audio
                   ? "volts"
                   : "value (" + kindName(probes_[i].pin->kind) + ")";
    }

    // gnuplot cannot scale a flat line by itself.
    std::string yRange(size_t i) const {
        const auto& points = traces_[i].points;
        auto [low, high] = std::minmax_element(
            points.begin(), points.end(), [](auto& a, auto& b) { return a.second < b.second; });
        if (points.empty() || low->second != high->second) return "set yrange [*:*]\n";
        double v = low->second;
        return "set yrange [" + std::to_string(v - 1.0) + ":" + std::to_string(v + 1.0) + "]\n";
    }

    std::string overlayPlot() const {
        std::string script = "set title " + quoted(title_) + "\nset xlabel 'time (seconds)'\n";
        script += "set ylabel " + quoted(unitOf(0)) + "\nplot ";
        for (size_t i = 0; i < probes_.size(); ++i) script += (i ? ", " : "") + plotOf(i);
        return script + "\n";
    }

    std::string stackedPlots() const {
        std::string script = "set multiplot layout " + std::to_string(probes_.size()) +
                             ",1 title " + quoted(title_) + "\n";
        for (size_t i = 0; i < probes_.size(); ++i) {
            bool last = i + 1 == probes_.size();
            // With many frames only the lowest one names the time axis.
            script +=
                last || probes_.size() <= 6 ? "set xlabel 'time (seconds)'\n" : "unset xlabel\n";
            script +=
                "set ylabel " + quoted(unitOf(i)) + "\n" + yRange(i) + "plot " + plotOf(i) + "\n";
        }
        return script + "unset multiplot\n";
    }

    void draw(const std::string& script) const {
        // NOLINTNEXTLINE(cert-env33-c): a fixed command; the script goes down the pipe.
        std::FILE* gnuplot = popen("gnuplot 1>&2", "w");
        if (gnuplot == nullptr) throw HostError(path() + ": cannot start gnuplot to draw it");
        // A short write means gnuplot stopped early, which its exit status reports.
        (void)std::fwrite(script.data(), 1, script.size(), gnuplot);
        int status = pclose(gnuplot);
        if (status != 0)
            throw HostError(path() + ": gnuplot could not draw it" +
                            (WIFEXITED(status) && WEXITSTATUS(status) == 127
                                 ? " (gnuplot is not installed)"
                                 : ""));
    }

    std::vector<Probe> probes_;
    std::string title_;
    bool overlay_;
    bool svg_;
    RenderFacts facts_;
    int64_t stretch_;
    std::vector<Trace> traces_;
};

}  // namespace

std::unique_ptr<Recorder> makePictureRecorder(const PatchOutput& output, const std::string& path,
                                              std::vector<Probe> probes, const RenderFacts& facts) {
    return std::make_unique<PictureRecorder>(output, path, std::move(probes), facts);
}

}  // namespace modhost
