// Entries of the bool_to_guifloat library.
#include "modframe/plugin_entry.h"
#include "modules/bool_to_guifloat/bool_to_guifloat_module.h"
#include "modules/bool_to_guifloat/bool_to_guifloat_panel.h"

namespace {

constexpr modframe::ModuleTexts kTexts{
    "ZRM Bool2GuiFloat", "ZRM Bool2GuiFloat",
    "ZRM Bool To GuiFloat - v1.0.3\n"
    "\n"
    "ZRM Modules\n"
    "\n"
    "Converts incoming booleans to float values chosen in the parameters.\n"
    "\n"
    "Parameter changes reflect in the output immediately.",
    InterfaceRevision::Rev2230};

}  // namespace

extern "C" int32_t getModuleProperties(int32_t index, ModuleDescriptor* descriptor) noexcept {
    return modframe::describeModule(kTexts, index, descriptor);
}

extern "C" void* makeModule(int32_t index, int32_t kind, HostCallback callback,
                            void* hostPtr) noexcept {
    return modframe::makeWithPanel<value_converters::BoolToGuiFloat,
                                   value_converters::BoolToGuiFloatPanel>(index, kind, callback,
                                                                          hostPtr);
}
