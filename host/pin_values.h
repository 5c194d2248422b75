// Pins of a patch's instances found by name, and the values a patch gives
// them checked against the pin's kind and items.
#pragma once

#include <string>
#include <vector>

#include "host/patch.h"
#include "host/sources.h"

namespace modhost {

struct PinPlace {
    Instance* instance = nullptr;
    const PinInfo* pin = nullptr;
    std::string instanceName;
    std::string text() const { return instanceName + ".\"" + pin->name + "\""; }
};

// Throws HostError at `where`, naming the closest pin, when there is none of that name.
PinPlace findPin(Instance& instance, const std::string& instanceName, const std::string& pinName,
                 const Where& where);
// Inputs, parameters and panel pins take values; other outputs and MIDI pins do not.
void requireSettable(const PinPlace& place, const Where& where);
// Audio pins take volts; enumerations an item's label or value; file names
// are found relative to the patch file.
PinValue pinValueOf(const PinPlace& place, const PatchValue& value, const Patch& patch);
// The timed values a constant, breakpoint or gate source gives a value pin.
std::vector<TimedValue> valuesOf(const PatchSource& source, const PinPlace& place,
                                 const Patch& patch);

}  // namespace modhost
