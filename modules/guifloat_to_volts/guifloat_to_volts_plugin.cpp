// Entries of the guifloat_to_volts library.
#include "modframe/plugin_entry.h"
#include "modules/guifloat_to_volts/guifloat_to_volts_module.h"
#include "modules/guifloat_to_volts/guifloat_to_volts_panel.h"

namespace {

constexpr modframe::ModuleTexts kTexts{"ZRM GuiFloat2Volts", "ZRM GuiFloat2Volts",
                                       "ZRM GuiFloat To Volts - v1.1.0\n"
                                       "\n"
                                       "ZRM Modules\n"
                                       "\n"
                                       "Converts incoming floats to voltage.",
                                       InterfaceRevision::Rev2230};

}  // namespace

extern "C" int32_t getModuleProperties(int32_t index, ModuleDescriptor* descriptor) noexcept {
    return modframe::describeModule(kTexts, index, descriptor);
}

extern "C" void* makeModule(int32_t index, int32_t kind, HostCallback callback,
                            void* hostPtr) noexcept {
    return modframe::makeWithPanel<value_converters::GuiFloatToVolts,
                                   value_converters::GuiFloatToVoltsPanel>(index, kind, callback,
                                                                           hostPtr);
}
