// Several instances in one host, processed block by block, with wires from
// output pins to input pins:
//  - audio: the input reads the output's buffer itself, and each status the
//    output reports reaches the input as a status change at the same sample;
//  - values (bool, int, float, enum, text): when the output publishes a new
//    value (a status report of the processing half, or a write of the panel
//    half to a panel pin), the input is set to that value at that sample, as
//    a user would set it: a panel pin is announced to its panel, a pin with a
//    plug gets its member and a status change;
//  - MIDI: each message the output sends reaches the input at its time.
// Instances run in the order they were added, or, after orderByWires(), in
// wiring order: every instance after those it reads from. A wire whose
// destination runs before its source (a feedback wire: only a loop of wires
// makes one in wiring order) delays by exactly one block: its input reads the
// buffer the source filled in the previous block, and its statuses, values
// and MIDI messages arrive one block size after the sample they were sent at.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/instance.h"

namespace modhost {

class Rack {
public:
    Rack(float sampleRate, int32_t blockSize);
    // Closes the instances with the wires already cut, so that nothing a
    // module does while it closes is carried along them.
    ~Rack();
    Rack(const Rack&) = delete;
    Rack& operator=(const Rack&) = delete;

    // Options' rate and block size are replaced by the rack's.
    Instance& add(std::shared_ptr<const PluginLibrary> library, InstanceOptions options = {});
    // Throws HostError when the pins cannot be wired: not an output into an
    // input, different kinds, or an input that is wired already.
    void wire(Instance& from, int32_t outputPlug, Instance& to, int32_t inputPlug);
    // The same by listing index, so that panel pins can be wired too.
    void wirePins(Instance& from, int32_t outputPin, Instance& to, int32_t inputPin);

    // Processes the instances in wiring order from now on.
    void orderByWires();
    // The instances in the order they are processed.
    const std::vector<Instance*>& order() const { return order_; }
    const std::vector<std::unique_ptr<Instance>>& instances() const { return instances_; }
    bool isFeedback(const Instance& from, int32_t outputPin, const Instance& to) const;

    // Sees every status report, panel write and MIDI message of every
    // instance's outputs, after the rack has carried it along the wires.
    using ReportListener =
        std::function<void(const Instance&, const PinInfo& pin, PinStatus status, int64_t time)>;
    using MidiListener =
        std::function<void(const Instance&, const PinInfo& pin, int32_t message, int64_t time)>;
    void setReportListener(ReportListener listener) { reportListener_ = std::move(listener); }
    void setMidiListener(MidiListener listener) { midiListener_ = std::move(listener); }

    void open();
    void processBlock(int32_t frames = -1);
    int32_t blockSize() const { return blockSize_; }

private:
    struct Wire {
        Instance* from = nullptr;
        int32_t outputPin = 0;
        Instance* to = nullptr;
        int32_t inputPin = 0;
        PinKind kind{};
        bool feedback = false;
    };

    void settleOrder();
    int64_t arrival(const Wire& w, int64_t time) const;
    void carryStatus(const Instance& from, int32_t plug, PinStatus status, int64_t time);
    void carryPanelWrite(const Instance& from, int32_t pin, int64_t time);
    void carryValue(const Wire& w, int64_t time);
    void carryMidi(const Instance& from, int32_t plug, int32_t message, int64_t time);

    float sampleRate_;
    int32_t blockSize_;
    bool byWires_ = false;
    std::vector<std::unique_ptr<Instance>> instances_;
    std::vector<Instance*> order_;
    std::vector<Wire> wires_;
    ReportListener reportListener_;
    MidiListener midiListener_;
};

}  // namespace modhost
