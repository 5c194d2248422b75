// Entries of the guibool_to_volts library.
#include "modframe/plugin_entry.h"
#include "modules/guibool_to_volts/guibool_to_volts_module.h"
#include "modules/guibool_to_volts/guibool_to_volts_panel.h"

namespace {

constexpr modframe::ModuleTexts kTexts{
    "ZRM GuiBool2Volts", "ZRM GuiBool2Volts",
    "ZRM GuiBool To Volts - v1.1.0\n"
    "\n"
    "ZRM Modules\n"
    "\n"
    "Converts incoming booleans to the voltage chosen in the parameters.\n"
    "\n"
    "Parameter changes reflect in the output immediately.",
    InterfaceRevision::Rev2230};

}  // namespace

extern "C" int32_t getModuleProperties(int32_t index, ModuleDescriptor* descriptor) noexcept {
    return modframe::describeModule(kTexts, index, descriptor);
}

extern "C" void* makeModule(int32_t index, int32_t kind, HostCallback callback,
                            void* hostPtr) noexcept {
    return modframe::makeWithPanel<value_converters::GuiBoolToVolts,
                                   value_converters::GuiBoolToVoltsPanel>(index, kind, callback,
                                                                          hostPtr);
}
