#include "host/render.h"

#include <chrono>

#include "host/event_trace.h"
#include "host/progress_bar.h"

namespace modhost {

Render::~Render() = default;

Instance* Render::instance(const std::string& name) const {
    for (const auto& [n, instance] : named_)
        if (n == name) return instance;
    return nullptr;
}

// The time record holds for a whole block: a change takes effect with the
// first block that starts at or after its time.
void Render::setTimeRecord(int64_t start, int32_t frames) {
    for (; nextChange_ < patch_.time.changes.size() && patch_.time.changes[nextChange_].at <= start;
         ++nextChange_) {
        const TempoChange& change = patch_.time.changes[nextChange_];
        if (change.tempo) time_.tempo = *change.tempo;
        if (change.running) time_.running = *change.running;
    }
    for (auto& [name, instance] : named_) {
        TimeInfo& info = instance->timeInfo();
        info.ppqPosition = beat_;
        info.tempo = time_.tempo;
        info.flags = time_.running ? kTransportRunning : 0;
    }
    if (time_.running) beat_ += double(frames) * time_.tempo / 60.0 / patch_.sampleRate;
}

void Render::block(int64_t start, int32_t frames) {
    setTimeRecord(start, frames);
    for (auto& feed : feeds_) feed->feed(start, frames);
    rack_->processBlock(frames);
    for (auto& recorder : recorders_) recorder->block(start, frames);
    if (trace_) trace_->flush(std::to_string(start));
}

std::vector<std::string> Render::finish() {
    std::vector<std::string> files;
    std::string failures;
    for (auto& recorder : recorders_) {
        try {
            recorder->finish();
            files.push_back(recorder->path());
        } catch (const HostError& e) {
            failures += (failures.empty() ? "" : "\n") + std::string(e.what());
        }
    }
    if (trace_) {
        trace_->close();
        files.push_back(options_.traceFile);
    }
    if (!failures.empty()) throw HostError(failures);
    return files;
}

RenderStats Render::run() {
    using Clock = std::chrono::steady_clock;
    RenderStats stats;
    stats.sampleRate = patch_.sampleRate;
    stats.blockSize = patch_.blockSize;
    stats.samples = patch_.length;
    ProgressBar progress(options_.progress, patch_.length, patch_.sampleRate);
    auto begin = Clock::now();
    rack_->open();
    if (trace_) trace_->flush("open");
    for (int64_t start = 0; start < patch_.length; start += patch_.blockSize) {
        auto frames = int32_t(std::min<int64_t>(patch_.blockSize, patch_.length - start));
        block(start, frames);
        ++stats.blocks;
        progress.update(start + frames);
    }
    stats.wallSeconds = std::chrono::duration<double>(Clock::now() - begin).count();
    progress.done();
    for (const auto& [name, instance] : named_)
        stats.instances.push_back(InstanceStats{name, instance->library().deliverable(),
                                                instance->processCalls(),
                                                instance->skippedCalls()});
    auto writing = Clock::now();
    stats.files = finish();
    stats.writingSeconds = std::chrono::duration<double>(Clock::now() - writing).count();
    return stats;
}

}  // namespace modhost
