// Entries of the voltage_to_float library.
#include "modframe/plugin_entry.h"
#include "quorvex_id.h"
#include "voltage_to_float_module.h"
#include "voltage_to_float_panel.h"

namespace {

constexpr const char* kName = "QV_VoltageToFloat";
constexpr const char* kAbout =
    "QV_VoltageToFloat module v2.0\n"
    "Quorvex Modules\n"
    "www.quorvex-modules.example";

}  // namespace

extern "C" int32_t getModuleProperties(int32_t index, ModuleDescriptor* descriptor) noexcept {
    return quorvex::describeModule(kName, kAbout, index, descriptor);
}

extern "C" void* makeModule(int32_t index, int32_t kind, HostCallback callback,
                            void* hostPtr) noexcept {
    return modframe::makeWithPanel<voltage_to_float::VoltageToFloat,
                                   voltage_to_float::VoltageToFloatPanel>(index, kind, callback,
                                                                          hostPtr);
}
