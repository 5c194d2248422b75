// Driving an open object the way a host does, for the checks that watch it run.
#pragma once

#include <string>
#include <vector>

#include "host/instance.h"
#include "host/validate.h"

namespace modhost::validate {

// Rounds of work for an open raw object: status changes of every input, process
// calls, MIDI and the events it queued, each named for the allocation report.
class Exercise {
public:
    explicit Exercise(const std::vector<PinInfo>& pins);
    // Real-time rounds leave out text and enumeration inputs: a new text is copied,
    // parsed or names a file to read, and a new mode may rebuild what the module
    // holds (the remapper's rule table), which no module can do without the heap.
    void round(RawModule& object, int number, bool realTimeOnly);

private:
    struct Input {
        int32_t plug;
        bool reconfigures;
        std::string label;
    };
    std::vector<Input> inputs_;
    std::vector<int32_t> audioInputs_;
};

void exercise(RawModule& object, const std::vector<PinInfo>& pins, int rounds);

// Sets every input of an open instance to `volts`, as each pin's kind allows.
void setEveryInput(Instance& m, double volts);

}  // namespace modhost::validate
