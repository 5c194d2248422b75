// Entries of the midi_bender library.
#include "about_text.h"
#include "modframe/plugin_entry.h"
#include "remapper_module.h"

namespace {

constexpr modframe::ModuleTexts kTexts{midi_bender::kModuleName, midi_bender::kModuleId,
                                       midi_bender::kAboutText, InterfaceRevision::Rev2230};

}  // namespace

extern "C" int32_t getModuleProperties(int32_t index, ModuleDescriptor* descriptor) noexcept {
    return modframe::describeModule(kTexts, index, descriptor);
}

extern "C" void* makeModule(int32_t index, int32_t kind, HostCallback callback,
                            void* hostPtr) noexcept {
    return modframe::makeProcessingOnly<midi_bender::RemapperModule>(index, kind, callback,
                                                                     hostPtr);
}
