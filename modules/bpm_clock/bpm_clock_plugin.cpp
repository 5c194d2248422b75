// Entries of the bpm_clock library.
#include "modframe/plugin_entry.h"
#include "tempo_clock.h"

namespace {

constexpr modframe::ModuleTexts kTexts{"BPM Clock2", "Wirescape BPM Clock V2",
                                       "Wirescape Modules - BPM Clock2",
                                       InterfaceRevision::Rev2230};

}  // namespace

extern "C" int32_t getModuleProperties(int32_t index, ModuleDescriptor* descriptor) noexcept {
    return modframe::describeModule(kTexts, index, descriptor);
}

extern "C" void* makeModule(int32_t index, int32_t kind, HostCallback callback,
                            void* hostPtr) noexcept {
    return modframe::makeProcessingOnly<bpm_clock::TempoClock>(index, kind, callback, hostPtr);
}
