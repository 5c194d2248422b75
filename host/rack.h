// Several instances in one host, processed block by block in the order they
// were added, with wires from output pins to input pins:
//  - audio: the input reads the output's buffer itself, and each status the
//    output reports reaches the input as a status change at the same sample;
//  - values (bool, int, float, enum, text): when the output publishes a new
//    value (a status report), the input gets that value and a status change
//    at the reported sample;
//  - MIDI: each message the output sends reaches the input at its time.
// An instance wired to one added after it (a feedback wire) sees that
// output one block late.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/instance.h"

namespace modhost {

class Rack {
public:
    Rack(float sampleRate, int32_t blockSize);

    // Options' rate and block size are replaced by the rack's.
    Instance& add(std::shared_ptr<const PluginLibrary> library, InstanceOptions options = {});
    // Throws HostError when the pins cannot be wired: not an output into an
    // input, different kinds, or an input that is wired already.
    void wire(Instance& from, int32_t outputPlug, Instance& to, int32_t inputPlug);

    void open();
    void processBlock(int32_t frames = -1);
    int32_t blockSize() const { return blockSize_; }

private:
    struct Wire {
        Instance* from;
        int32_t outputPlug;
        Instance* to;
        int32_t inputPlug;
        PinKind kind;
    };

    void carryStatus(const Instance& from, int32_t plug, PinStatus status, int64_t time);
    void carryMidi(const Instance& from, int32_t plug, int32_t message, int64_t time);

    float sampleRate_;
    int32_t blockSize_;
    std::vector<std::unique_ptr<Instance>> instances_;
    std::vector<Wire> wires_;
};

}  // namespace modhost
