// Entries of the bool_to_voltage library.
#include "bool_to_voltage_module.h"
#include "bool_to_voltage_panel.h"
#include "modframe/plugin_entry.h"
#include "quorvex_id.h"

namespace {

constexpr const char* kName = "QV_BoolToVoltage";
constexpr const char* kAbout =
    "QV_BoolToVoltage module v2.0\n"
    "Quorvex Modules\n"
    "www.quorvex-modules.example";

}  // namespace

extern "C" int32_t getModuleProperties(int32_t index, ModuleDescriptor* descriptor) noexcept {
    return quorvex::describeModule(kName, kAbout, index, descriptor);
}

extern "C" void* makeModule(int32_t index, int32_t kind, HostCallback callback,
                            void* hostPtr) noexcept {
    return modframe::makeWithPanel<bool_to_voltage::BoolToVoltage,
                                   bool_to_voltage::BoolToVoltagePanel>(index, kind, callback,
                                                                        hostPtr);
}
