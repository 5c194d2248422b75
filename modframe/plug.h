// Runtime handle on one pin of a processing object.
#pragma once

#include "modframe/host_interface.h"

namespace modframe {

class ProcessingModule;

// Which plug-building rules the module's interface revision follows.
struct PlugRules {
    bool testsPanelSide;  // PanelSide pins without VisibleToProcessing get no plug
    bool intHasStorage;   // repeated Int pins keep a value of their own
};

inline constexpr PlugRules kCurrentPlugRules{true, true};
inline constexpr PlugRules kRev2120PlugRules{false, false};

class Plug {
public:
    void initialize(ProcessingModule* module, int32_t index, PinKind kind, void* variable,
                    PlugRules rules = kCurrentPlugRules);

    // Tells the host that this output has `status` from sample-clock `time` on.
    void transmitStatus(int32_t time, PinStatus status) const;
    void sendMidi(int32_t time, int32_t message) const;
    bool isConnected() const;
    // The sample of an audio input's buffer at the current sample clock.
    float currentValue() const;
    // Records an arriving status, lets the module react, then lets OneOff fall back to Static.
    void notifyStatusChange(PinStatus status);

    PinStatus status() const { return status_; }
    bool isStreaming() const { return int32_t(status_) >= int32_t(PinStatus::Streaming); }
    int32_t index() const { return index_; }
    PinKind kind() const { return kind_; }
    void* valuePtr() const { return valuePtr_; }
    bool isEmpty() const { return module_ == nullptr; }
    bool hasOwnStorage() const { return valuePtr_ == &storage_; }

private:
    union Storage {
        int16_t enumValue;
        uint8_t boolValue;
        float floatValue;
        int32_t intValue;
        float* buffer;
    };

    void* valuePtr_ = nullptr;
    ProcessingModule* module_ = nullptr;
    int32_t index_ = 0;
    PinStatus status_ = PinStatus::Static;
    PinKind kind_ = PinKind::Enum;
    Storage storage_{};
};

}  // namespace modframe
