// Rendering a patch offline: the instances of the patch wired in a rack,
// fed by the patch's sources and actions, processed block by block in
// wiring order for the patch's length, their outputs written to files.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/outputs.h"
#include "host/patch.h"
#include "host/rack.h"
#include "host/sources.h"

namespace modhost {

class EventTrace;

struct RenderOptions {
    std::string outputFolder = ".";  // where relative output files go
    std::string traceFile;           // every host call of every instance, when not empty
    bool progress = true;            // a progress bar on a terminal for long renders
};

struct InstanceStats {
    std::string name;
    std::string plugin;
    int64_t processCalls = 0;
    int64_t skippedAsleep = 0;
};

struct RenderStats {
    int64_t samples = 0;
    int64_t blocks = 0;
    double sampleRate = 0.0;
    int32_t blockSize = 0;
    double wallSeconds = 0.0;     // the render itself: instances, sources and what they record
    double writingSeconds = 0.0;  // writing the output files afterwards
    std::vector<InstanceStats> instances;
    std::vector<std::string> files;
};

class Render {
public:
    // Loads the plug-ins, checks every name, value and wire of the patch and
    // prepares sources and outputs; throws HostError ("file:line: what").
    // The patch is kept by reference and must outlive the render.
    Render(const Patch& patch, RenderOptions options);
    ~Render();
    Render(const Render&) = delete;
    Render& operator=(const Render&) = delete;

    RenderStats run();
    Rack& rack() { return *rack_; }
    // The instance of that name in the patch, or null.
    Instance* instance(const std::string& name) const;

private:
    struct Tap {
        Recorder* recorder;
        size_t probe;
    };
    class Setup;

    void block(int64_t start, int32_t frames);
    void setTimeRecord(int64_t start, int32_t frames);
    std::vector<std::string> finish();

    const Patch& patch_;
    RenderOptions options_;
    std::unique_ptr<Rack> rack_;
    std::vector<std::pair<std::string, Instance*>> named_;
    std::vector<std::unique_ptr<Feed>> feeds_;
    std::vector<std::unique_ptr<Recorder>> recorders_;
    std::map<std::pair<const Instance*, int32_t>, std::vector<Tap>> taps_;
    std::unique_ptr<EventTrace> trace_;
    size_t nextChange_ = 0;
    TimeRecord time_;  // as it stands at the current block
    double beat_ = 0.0;
};

// "rendered 4.000 s …" and the table of instances, for the user.
std::string renderSummary(const RenderStats& stats);

}  // namespace modhost
