// One module instance driven by the reference host: creates the processing
// object, owns its block buffers and pin values, answers its host calls,
// delivers events at their sample and records every call it receives.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/panel_half.h"
#include "host/pin_table.h"
#include "host/plugin_library.h"

namespace modhost {

// One call the module made to the host, as it was made.
struct HostCall {
    int32_t opcode;
    int32_t index;
    int32_t value;
    intptr_t ptr;
    float opt;
};

struct StatusReport {
    PinStatus status = PinStatus::Static;
    int32_t time = 0;
    bool reported = false;
};

struct MidiMessage {
    int32_t time;
    int32_t plug;
    int32_t message;
};

// The host's value of one pin: numbers for bool, int, enum and float pins,
// text for text pins.
struct PinValue {
    double number = 0.0;
    std::string text;
    bool operator==(const PinValue&) const = default;
};

struct InstanceOptions {
    float sampleRate = 44100.0f;
    int32_t blockSize = 1024;          // at most 2^20, the longest buffer the host keeps
    int32_t autoDuplicateRepeats = 0;  // extra pins the host counts for an AutoDuplicate pin
    std::string fileBase = ".";        // folder that relative file names are resolved against
    bool recordTraffic = true;
    // Write default values, open, and announce every input's status at clock 0.
    bool initialStatus = true;
    bool createPanel = true;       // make the panel half when the library has one
    bool keepPanelValues = false;  // open the panel with keepValues
    // Keep every MIDI message and data message the module sends (sentMidi,
    // sentData); a long render turns this off and listens instead.
    bool recordSent = true;
};

class Instance {
public:
    // Creates the processing object and lists its pins; throws HostError when
    // the library makes no object or its pin list is broken. Does not open it.
    explicit Instance(std::shared_ptr<const PluginLibrary> library, InstanceOptions options = {});
    ~Instance();
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    const ModuleInfo& info() const { return info_; }
    const PluginLibrary& library() const { return *library_; }
    ModuleRecord* record() const { return record_; }
    intptr_t dispatch(DispatchOp opcode, int32_t index = 0, int32_t value = 0, void* ptr = nullptr,
                      float opt = 0.0f);

    // Sets rate and block size, writes pin defaults and buffers, opens the
    // object and queues the inputs' initial status (see InstanceOptions).
    void open();
    void close();
    bool isOpen() const { return open_; }
    void setSampleRate(float rate);
    void setBlockSize(int32_t size);
    int32_t blockSize() const { return blockSize_; }

    const std::vector<PinInfo>& pins() const { return pins_; }
    int32_t plugCount() const { return plugCount_; }
    // Throws HostError naming the closest pin when there is none of that name.
    const PinInfo& pin(std::string_view name) const;
    int32_t plug(std::string_view name) const;

    // Input values: written into the pin's member when the status change that
    // announces them is delivered, at `time` (default: the next sample).
    void setValue(int32_t plug, double value, int64_t time = -1);
    void setText(int32_t plug, const std::string& text, int64_t time = -1);
    void setConnected(int32_t plug, bool connected);
    void queueStatus(int32_t plug, PinStatus status, int64_t time = -1);
    // MIDI reaches a processing object without a pin index.
    void queueMidi(int32_t message, int64_t time = -1, int32_t value2 = 0);
    // The block buffer of an audio pin (blockSize samples), or null.
    float* buffer(int32_t plug);
    // Fills the pin's own buffer; does nothing for an input that reads another's.
    void fillBuffer(int32_t plug, float sample);
    // Makes an audio input read `samples` (another instance's output buffer)
    // instead of a buffer of its own.
    void readFrom(int32_t plug, float* samples);

    // Called for every status the module reports for one of its outputs.
    using StatusListener = std::function<void(int32_t plug, PinStatus status, int64_t time)>;
    void setStatusListener(StatusListener listener) { statusListener_ = std::move(listener); }
    // Called for every MIDI message the module sends.
    using MidiListener = std::function<void(int32_t plug, int32_t message, int64_t time)>;
    void setMidiListener(MidiListener listener) { midiListener_ = std::move(listener); }
    // Called for every change the panel half writes to a pin, after it has
    // been stored and carried to the processing half.
    using PanelWriteListener = std::function<void(int32_t listingIndex, int64_t time)>;
    void setPanelWriteListener(PanelWriteListener listener) {
        panelWriteListener_ = std::move(listener);
    }
    // A sample-clock word as the module passes it, widened to the host's clock.
    int64_t clockFromWord(int32_t word) const;

    // Pins by listing index, as both halves share them (see panel_half.h).
    const PinInfo* pinAt(int32_t listingIndex) const;
    const PinValue& pinValue(int32_t listingIndex) const;
    // Sets a pin the way a user does on the panel or in the property sheet.
    // The panel hears of it at once; what it writes in answer is carried to
    // the processing half at `time` too.
    void setPin(int32_t listingIndex, PinValue value, int64_t time = -1);
    void setPin(std::string_view name, double number, int64_t time = -1);
    void setPin(std::string_view name, const std::string& text, int64_t time = -1);
    // Restores a stored value (a saved patch) without announcing it: both
    // halves find it from open on.
    void restorePin(int32_t listingIndex, PinValue value);
    PanelHalf* panel() { return panel_ && panel_->isMade() ? panel_.get() : nullptr; }
    // What the panel half does through the host.
    void panelWrote(int32_t listingIndex, const PinValue& value);
    void panelSentData(const uint8_t* bytes, int32_t count);

    // Output values as the module left them in its members.
    double value(int32_t plug) const;
    std::string text(int32_t plug) const;

    // Runs one block of `frames` samples (default and maximum: the block
    // size): splits it at pending events, delivers each at its sample and
    // calls the current routine for the stretches between, unless asleep.
    void processBlock(int32_t frames = -1);
    // Calls the current routine once at the current block, sleep or not.
    void callProcess(int32_t offset, int32_t count);
    int64_t blockStart() const { return blockStart_; }
    bool asleep() const { return asleep_; }
    int64_t processCalls() const { return processCalls_; }
    // Stretches that were not processed because the module was asleep.
    int64_t skippedCalls() const { return skippedCalls_; }
    ProcessEntry hostRoutine() const { return routine_; }

    TimeInfo& timeInfo() { return timeInfo_; }
    void setTimeInfoAvailable(bool available) { timeInfoAvailable_ = available; }

    const std::vector<HostCall>& traffic() const { return traffic_; }
    void clearTraffic() { traffic_.clear(); }
    void reserveTraffic(size_t calls) { traffic_.reserve(calls); }
    const StatusReport& outputStatus(int32_t plug) const;
    const std::vector<MidiMessage>& sentMidi() const { return sentMidi_; }
    const std::vector<std::vector<uint8_t>>& sentData() const { return sentData_; }
    // Data messages the panel half sent to the processing half, in order.
    const std::vector<std::vector<uint8_t>>& dataFromPanel() const { return dataFromPanel_; }

private:
    struct PendingEvent;
    struct PlugState;

    static intptr_t hostCallback(void* record, int32_t opcode, int32_t index, int32_t value,
                                 void* ptr, float opt) noexcept;
    intptr_t answer(HostOp opcode, int32_t index, int32_t value, void* ptr);
    intptr_t filePath(int32_t plug, int32_t size, char* out) const;
    PendingEvent statusChange(int32_t plug, PinStatus status, int64_t time) const;
    void queue(PendingEvent event);
    void deliver(PendingEvent& event);
    void runStretch(int32_t offset, int32_t count);
    void writeMember(int32_t plug, const PendingEvent& event);
    void writeDefaults();
    void publish(int32_t plug);
    void carryToProcessing(const PinInfo& pin, const PinValue& value, int64_t time);
    void attachBuffers();
    PlugState* state(int32_t plug);
    const PlugState* state(int32_t plug) const;
    int64_t nextSample(int64_t time) const { return time < 0 ? blockStart_ : time; }

    std::shared_ptr<const PluginLibrary> library_;
    InstanceOptions options_;
    ModuleInfo info_;
    ModuleRecord* record_ = nullptr;
    std::vector<PinInfo> pins_;
    int32_t plugCount_ = 0;
    std::vector<std::unique_ptr<PlugState>> plugs_;
    std::vector<PinValue> values_;  // by listing index
    std::vector<int32_t> partner_;  // the panel pin a processing output is carried to, or -1
    std::unique_ptr<PanelHalf> panel_;
    std::vector<PendingEvent> pending_;
    uint64_t eventSequence_ = 0;

    bool open_ = false;
    float sampleRate_;
    int32_t blockSize_;
    int64_t blockStart_ = 0;
    int64_t clock_ = 0;
    bool asleep_ = false;
    int64_t processCalls_ = 0;
    int64_t skippedCalls_ = 0;
    ProcessEntry routine_ = nullptr;

    TimeInfo timeInfo_{};
    bool timeInfoAvailable_ = true;

    StatusListener statusListener_;
    MidiListener midiListener_;
    PanelWriteListener panelWriteListener_;
    std::vector<HostCall> traffic_;
    std::vector<MidiMessage> sentMidi_;
    std::vector<std::vector<uint8_t>> sentData_;
    std::vector<std::vector<uint8_t>> dataFromPanel_;
};

}  // namespace modhost
