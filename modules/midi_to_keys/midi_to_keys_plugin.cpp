// Entries of the midi_to_keys library.
#include "midi_to_keys_module.h"
#include "modframe/plugin_entry.h"

namespace {

constexpr modframe::ModuleTexts kTexts{"OXB MIDI to KBD", "OXB MIDI to KBD",
                                       "OXB MIDI to KBD v1.3\n"
                                       "OXB Modules\n"
                                       "www.oxb-modules.example\n"
                                       "2026\n"
                                       "\n"
                                       "Converts MIDI note data to 10v Note On/Note Off\n"
                                       "for animating custom keyboard graphics\n"
                                       "Range:- 10 Octave\n"
                                       "\n",
                                       InterfaceRevision::Rev2120};

}  // namespace

extern "C" int32_t getModuleProperties(int32_t index, ModuleDescriptor* descriptor) noexcept {
    return modframe::describeModule(kTexts, index, descriptor);
}

extern "C" void* makeModule(int32_t index, int32_t kind, HostCallback callback,
                            void* hostPtr) noexcept {
    return modframe::makeProcessingOnly<midi_to_keys::MidiToKeysModule>(index, kind, callback,
                                                                        hostPtr);
}
