// Audio pins recorded to WAV files and to CSV files of samples.
#include <algorithm>
#include <cstdio>

#include "host/line_file.h"
#include "host/outputs.h"
#include "host/wav_file.h"

namespace modhost {

namespace {

// Values gathered before they are written out: the render loop only copies
// samples, and the files are written in a few large pieces (for a short
// render, once at the end).
constexpr int64_t kChunkFrames = 1 << 20;
constexpr size_t kChunkValues = 1 << 22;

// Each channel is copied as it stands; the frames are interleaved when the
// chunk is written.
class WavRecorder final : public Recorder {
public:
    WavRecorder(const PatchOutput& output, const std::string& path, std::vector<Probe> probes,
                const RenderFacts& facts)
        : Recorder(path),
          probes_(std::move(probes)),
          writer_(path, int32_t(probes_.size()), facts.sampleRate, output.sampleFormat),
          frames_(std::min(kChunkFrames, facts.length)),
          channels_(probes_.size(), std::vector<float>(size_t(frames_))) {}

    void block(int64_t, int32_t frames) override {
        for (int32_t done = 0; done < frames;) {
            // A full chunk is written when more frames come, or at the end.
            if (filled_ == frames_) flush();
            auto n = int32_t(std::min<int64_t>(frames - done, frames_ - filled_));
            for (size_t c = 0; c < channels_.size(); ++c) {
                const float* in = probes_[c].instance->buffer(probes_[c].pin->plugIndex) + done;
                std::copy(in, in + n, channels_[c].data() + filled_);
            }
            filled_ += n;
            done += n;
        }
    }

    void finish() override {
        flush();
        writer_.close();
    }

private:
    void flush() {
        size_t count = channels_.size();
        std::vector<float> frames(size_t(filled_) * count);
        for (size_t c = 0; c < count; ++c)
            for (int64_t i = 0; i < filled_; ++i)
                frames[size_t(i) * count + c] = channels_[c][size_t(i)];
        writer_.write(frames.data(), filled_);
        filled_ = 0;
    }

    std::vector<Probe> probes_;
    WavWriter writer_;
    int64_t frames_;
    std::vector<std::vector<float>> channels_;
    int64_t filled_ = 0;
};

class SampleCsvRecorder final : public Recorder {
public:
    SampleCsvRecorder(const PatchOutput& output, const std::string& path, std::vector<Probe> probes,
                      const RenderFacts& facts)
        : Recorder(path),
          probes_(std::move(probes)),
          file_(path),
          step_(output.step),
          rate_(facts.sampleRate) {
        values_.reserve(std::min(kChunkValues, size_t(facts.length / step_ + 1) * probes_.size()));
        std::string header = "sample,seconds";
        for (const auto& p : probes_) {
            header += ',';
            header += csvText(p.label + " (V)");
        }
        file_.line(header);
    }

    void block(int64_t start, int32_t frames) override {
        int64_t first = (start + step_ - 1) / step_ * step_;
        for (int64_t t = first; t < start + frames; t += step_)
            for (const auto& p : probes_)
                values_.push_back(p.instance->buffer(p.pin->plugIndex)[t - start]);
        if (values_.size() >= kChunkValues) flush();
    }

    void finish() override {
        flush();
        file_.close();
    }

private:
    void flush() {
        size_t columns = probes_.size();
        for (size_t row = 0; row < values_.size() / columns; ++row) {
            int64_t t = (flushedRows_ + int64_t(row)) * step_;
            char time[64];
            std::snprintf(time, sizeof time, "%lld,%.6f", (long long)t, double(t) / rate_);
            std::string line = time;
            for (size_t c = 0; c < columns; ++c) {
                line += ',';
                line += floatCell(values_[row * columns + c] * 10.0f);
            }
            file_.line(line);
        }
        flushedRows_ += int64_t(values_.size() / columns);
        values_.clear();
    }

    std::vector<Probe> probes_;
    LineFile file_;
    int64_t step_;
    double rate_;
    std::vector<float> values_;  // row by row, signal values
    int64_t flushedRows_ = 0;
};

}  // namespace

std::unique_ptr<Recorder> makeWavRecorder(const PatchOutput& output, const std::string& path,
                                          std::vector<Probe> probes, const RenderFacts& facts) {
    return std::make_unique<WavRecorder>(output, path, std::move(probes), facts);
}

std::unique_ptr<Recorder> makeSampleCsvRecorder(const PatchOutput& output, const std::string& path,
                                                std::vector<Probe> probes,
                                                const RenderFacts& facts) {
    return std::make_unique<SampleCsvRecorder>(output, path, std::move(probes), facts);
}

}  // namespace modhost
