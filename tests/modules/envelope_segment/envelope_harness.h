// Drives one envelope segment through the reference host: inputs as signals
// over the sample clock, outputs recorded sample by sample, status reports
// read back from the host's record of calls.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "host/instance.h"

namespace envelope_test {

enum Pin : int32_t {
    GateIn,
    StartLevel,
    EndLevel,
    Duration,
    ReleaseGate,
    Loop,
    Curve,
    GateOut,
    LevelOut,
    EnvelopeOut
};

struct Report {
    int32_t plug;
    PinStatus status;
    int32_t time;
    bool operator==(const Report&) const = default;
};
void PrintTo(const Report& r, std::ostream* os);

using Signal = std::function<float(int64_t clock)>;

std::shared_ptr<const modhost::PluginLibrary> library();

class Envelope {
public:
    explicit Envelope(modhost::InstanceOptions options = {.blockSize = 64});

    modhost::Instance& host() { return host_; }

    // From `time` on the input carries `signal`; the host announces `status` then.
    void drive(Pin pin, Signal signal, PinStatus status, int64_t time = 0);
    // A constant from `time` on, announced as a one-off change.
    void set(Pin pin, float value, int64_t time = 0);
    // Connects "Duration" (timed segments) and gives it a constant value.
    void timed(float duration, int64_t time = 0);
    void curve(int16_t item, int64_t time = 0) { host_.setValue(Curve, item, time); }
    // Replaces the gate from clock 0 on: high for `width` samples at each of
    // `starts`, announced once as streaming or as a one-off change at every edge.
    void gatePulses(std::vector<int64_t> starts, int64_t width = 1,
                    PinStatus status = PinStatus::OneOff);

    // Runs `samples` more samples in blocks of at most the block size.
    void run(int64_t samples);
    void runTo(int64_t clock) { run(clock - now()); }
    int64_t now() const { return host_.blockStart(); }

    // Outputs from clock 0 on.
    float out(Pin pin, int64_t clock) const;
    const std::vector<float>& trace(Pin pin) const;
    // Every clock from `from` on at which Gate Out is 1.0.
    std::vector<int64_t> finishes(int64_t from = 0) const;

    std::vector<Report> reports() const;
    std::vector<Report> reportsFrom(int64_t clock) const;
    int routineChanges() const;
    int sleepRequests() const;

private:
    struct Piece {
        int64_t from;
        Signal signal;
    };
    float input(Pin pin, int64_t clock) const;

    modhost::Instance host_;
    std::map<int32_t, std::vector<Piece>> inputs_;
    std::map<int32_t, std::vector<float>> outputs_;
};

// Default values of the inputs, in signal units.
float defaultInput(Pin pin);

}  // namespace envelope_test
