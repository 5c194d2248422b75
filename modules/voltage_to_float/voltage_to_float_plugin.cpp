// Entries of the voltage_to_float library.
#include "modframe/plugin_entry.h"
#include "quorvex_id.h"
#include "voltage_to_float_module.h"
#include "voltage_to_float_panel.h"

namespace {

constexpr const char* kName = "QV_VoltageToFloat";
constexpr const char* kVersion = "2.0";
constexpr const char* kAbout =
    "QV_VoltageToFloat module v2.0\n"
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
    return modframe::makeWithPanel<voltage_to_float::VoltageToFloat,
                                   voltage_to_float::VoltageToFloatPanel>(index, kind, callback,
                                                                          hostPtr);
}
