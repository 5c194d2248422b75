// Entries of the bool_to_voltage library.
#include "bool_to_voltage_module.h"
#include "bool_to_voltage_panel.h"
#include "modframe/plugin_entry.h"
#include "quorvex_id.h"

namespace {

constexpr const char* kName = "QV_BoolToVoltage";
constexpr const char* kVersion = "2.0";
constexpr const char* kAbout =
    "QV_BoolToVoltage module v2.0\n"
    "Quorvex Modules\n"
    "www.quorvex-modules.example";

// Built at the first request and kept while the library is loaded; the
// language makes two first requests at the same time safe.
const char* moduleId() {
    static const quorvex::RuntimeId id(kName, kVersion);
    return id.text();
}

}  // namespace

extern "C" int32_t getModuleProperties(int32_t index, ModuleDescriptor* descriptor) noexcept {
    if (index != 0) return 0;
    const modframe::ModuleTexts texts{.name = kName,
                                      .id = moduleId(),
                                      .about = kAbout,
                                      .revision = InterfaceRevision::Rev2190,
                                      .flags = 0x100,
                                      .revisionForAnyIndex = false};
    return modframe::describeModule(texts, index, descriptor);
}

extern "C" void* makeModule(int32_t index, int32_t kind, HostCallback callback,
                            void* hostPtr) noexcept {
    return modframe::makeWithPanel<bool_to_voltage::BoolToVoltage,
                                   bool_to_voltage::BoolToVoltagePanel>(index, kind, callback,
                                                                        hostPtr);
}
