// Entries of the volts_to_midi library.
#include "modframe/plugin_entry.h"
#include "volts_to_midi_module.h"

namespace {

constexpr const char* kAbout =
    "ZRM Volts To MIDI - v1.0.3\n"
    "ZRM Modules\n"
    "\n"
    "2026\n"
    "\n"
    "www.zrm-modules.example\n"
    "\n"
    "modules@zrm-modules.example\n"
    "\n"
    "Converts voltage to a MIDI message. All voltages are internally truncated to be handled as "
    "integers.\n"
    "\n"
    "'Trigger MIDI from' selects which pin causes the MIDI message to send, upon it's change.\n"
    "\n"
    "All messages will be constrained to be legal messages, if possible, or dropped if unclear "
    "what was intended. For example, for either Data pin, only the lower 7 bits will be output. "
    "For 'Channel', a legal channel number (1..16) must be used for all except system events. The "
    "system will default to channel 1 otherwise. For system messages, the value will be set to 0, "
    "regardless of input. For 'Status', the 8th bit MUST be set, or the message will be dropped. "
    "Valid choices for Status are 128 (Note Off), 144 (Note On), 160 (Aftertouch), 176 (Control "
    "Change), 192 (Program Change), 208 (Channel Pressure), 224 (Pitch Wheel), and 240 through "
    "255 inclusive (System Messages).\n"
    "\n"
    "'Voltage Combined' inputs a voltage with all 3 bytes of the MIDI message combined, in the "
    "form 0x00d2d1sc, where d2 = data byte 2, d1 = data byte 1, s = status, and c = channel.\n"
    "\n"
    "This module is NOT capable of outputting SysEx messages.\n"
    "\n"
    "Parameter changes reflect in the output immediately.";

constexpr modframe::ModuleTexts kTexts{"ZRM Volts2MIDI", "ZRM Volts2MIDI", kAbout,
                                       InterfaceRevision::Rev2230};

}  // namespace

extern "C" int32_t getModuleProperties(int32_t index, ModuleDescriptor* descriptor) noexcept {
    return modframe::describeModule(kTexts, index, descriptor);
}

extern "C" void* makeModule(int32_t index, int32_t kind, HostCallback callback,
                            void* hostPtr) noexcept {
    return modframe::makeProcessingOnly<volts_to_midi::VoltsToMidiModule>(index, kind, callback,
                                                                          hostPtr);
}
