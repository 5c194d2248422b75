// Reports of pins to CSV files, and MIDI outputs to Standard MIDI Files and
// readable logs.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "host/line_file.h"
#include "host/midi_file.h"
#include "host/midi_words.h"
#include "host/outputs.h"

namespace modhost {

namespace {

const char* statusName(PinStatus status) {
    switch (status) {
        case PinStatus::Static: return "Static";
        case PinStatus::OneOff: return "OneOff";
        case PinStatus::Streaming: return "Streaming";
    }
    return int32_t(status) >= 2 ? "Streaming" : "Static";
}

std::string timeCells(int64_t t, double rate) {
    char text[64];
    std::snprintf(text, sizeof text, "%lld,%.6f", (long long)t, double(t) / rate);
    return text;
}

// One row per report: the value a value pin holds at the report, or the
// sample an audio pin carries at the reported time (known once its block
// has been processed).
class ReportCsvRecorder final : public Recorder {
public:
    ReportCsvRecorder(const std::string& path, std::vector<Probe> probes, const RenderFacts& facts)
        : Recorder(path), probes_(std::move(probes)), file_(path), rate_(facts.sampleRate) {
        file_.line("sample,seconds,pin,status,value");
        waiting_.reserve(256);
    }

    void report(size_t probe, PinStatus status, int64_t time) override {
        const Probe& p = probes_[probe];
        Row row{time, probe, status, ""};
        if (p.pin->kind != PinKind::Audio)
            row.value = valueCell(*p.pin, p.instance->pinValue(p.pin->listingIndex));
        waiting_.push_back(std::move(row));
    }

    void block(int64_t start, int32_t frames) override {
        size_t kept = 0;
        ready_.clear();
        for (auto& row : waiting_) {
            const Probe& p = probes_[row.probe];
            if (p.pin->kind == PinKind::Audio) {
                if (row.time >= start + frames) {
                    waiting_[kept++] = std::move(row);
                    continue;
                }
                if (row.time >= start)
                    row.value =
                        floatCell(p.instance->buffer(p.pin->plugIndex)[row.time - start] * 10.0f);
            }
            ready_.push_back(std::move(row));
        }
        waiting_.resize(kept);
        // Instances report in processing order; the file reads in time order.
        std::stable_sort(ready_.begin(), ready_.end(),
                         [](const Row& a, const Row& b) { return a.time < b.time; });
        for (const auto& row : ready_) write(row);
    }

    void finish() override {
        for (const auto& row : waiting_) write(row);
        file_.close();
    }

private:
    struct Row {
        int64_t time = 0;
        size_t probe = 0;
        PinStatus status{};
        std::string value;
    };

    void write(const Row& row) {
        file_.line(timeCells(row.time, rate_) + "," + csvText(probes_[row.probe].label) + "," +
                   statusName(row.status) + "," + row.value);
    }

    std::vector<Probe> probes_;
    LineFile file_;
    double rate_;
    std::vector<Row> waiting_;
    std::vector<Row> ready_;
};

class MidiRecorder final : public Recorder {
public:
    MidiRecorder(const PatchOutput& output, const std::string& path, std::vector<Probe> probes,
                 const RenderFacts& facts)
        : Recorder(path),
          probes_(std::move(probes)),
          log_(output.type == PatchOutput::Type::MidiLog),
          facts_(facts),
          tracks_(probes_.size()) {
        if (log_) {
            file_ = std::make_unique<LineFile>(path);
        } else if (!midiFilesSupported()) {
            writeMidiFile(path, 960, {}, {});  // reports what this build lacks
        } else if (facts_.tempo > 0.0 && !(tempoMicros() >= 1.0 && tempoMicros() <= 0xFFFFFF)) {
            // Told now rather than after the render: the file stores 1 to 16777215.
            throw HostError(path + ": a tempo of " + std::to_string(facts_.tempo) +
                            " beats per minute cannot be stored in a MIDI file (about 3.6 to "
                            "120000000)");
        }
    }

    void midi(size_t probe, int32_t message, int64_t time) override {
        if (log_) {
            char head[64];
            std::snprintf(head, sizeof head, "%10lld %12.6f  ", (long long)time,
                          double(time) / facts_.sampleRate);
            char bytes[16];
            std::snprintf(bytes, sizeof bytes, "%-9s", midiBytes(message).c_str());
            file_->line(head + probes_[probe].label + "  " + bytes + " " + midiWords(message));
        } else {
            tracks_[probe].push_back(MidiFileEvent{double(time) / facts_.sampleRate, message});
        }
    }

    void finish() override {
        if (log_) return file_->close();
        std::vector<MidiFileTempo> tempo;
        if (facts_.tempo > 0.0) tempo.push_back(MidiFileTempo{0, int32_t(tempoMicros())});
        writeMidiFile(path(), 960, tempo, tracks_);
    }

private:
    double tempoMicros() const { return std::round(60.0e6 / facts_.tempo); }

    std::vector<Probe> probes_;
    bool log_;
    RenderFacts facts_;
    std::unique_ptr<LineFile> file_;
    std::vector<std::vector<MidiFileEvent>> tracks_;
};

}  // namespace

std::unique_ptr<Recorder> makeReportCsvRecorder(const PatchOutput&, const std::string& path,
                                                std::vector<Probe> probes,
                                                const RenderFacts& facts) {
    return std::make_unique<ReportCsvRecorder>(path, std::move(probes), facts);
}

std::unique_ptr<Recorder> makeMidiRecorder(const PatchOutput& output, const std::string& path,
                                           std::vector<Probe> probes, const RenderFacts& facts) {
    return std::make_unique<MidiRecorder>(output, path, std::move(probes), facts);
}

}  // namespace modhost
