// Entries of the volts_to_guifloat library.
#include "modframe/plugin_entry.h"
#include "volts_to_guifloat_module.h"
#include "volts_to_guifloat_panel.h"

namespace {

constexpr const char* kAbout =
    "ZRM Volts To GuiFloat - v1.0.4\n"
    "ZRM Modules\n"
    "\n"
    "Converts incoming voltage to float values, dependant on the method chosen in properties.\n"
    "\n"
    "Parameter changes reflect in the output immediately.";

constexpr modframe::ModuleTexts kTexts{.name = "ZRM Volts2GuiFloat",
                                       .id = "ZRM Volts2GuiFloat",
                                       .about = kAbout,
                                       .revision = InterfaceRevision::Rev2230,
                                       .flags2 = 0x40,
                                       .revisionForAnyIndex = false};

}  // namespace

extern "C" int32_t getModuleProperties(int32_t index, ModuleDescriptor* descriptor) noexcept {
    return modframe::describeModule(kTexts, index, descriptor);
}

extern "C" void* makeModule(int32_t index, int32_t kind, HostCallback callback,
                            void* hostPtr) noexcept {
    return modframe::makeWithPanel<volts_to_guifloat::VoltsToGuiFloat,
                                   volts_to_guifloat::VoltsToGuiFloatPanel>(index, kind, callback,
                                                                            hostPtr);
}
