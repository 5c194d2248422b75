// Entries of the volts_to_int library.
#include "modframe/plugin_entry.h"
#include "volts_to_int_module.h"

namespace {

constexpr const char* kAbout =
    "ZRM Volts To Int - v1.0.3\n"
    "ZRM Modules\n"
    "\n"
    "Converts incoming voltage to integer values, dependant on the rounding method chosen in "
    "properties.\n"
    "\n"
    "The rounding is accurate to 5 decimal points.\n"
    "\n"
    "Parameter changes reflect in the output immediately.";

constexpr modframe::ModuleTexts kTexts{.name = "ZRM Volts2Int",
                                       .id = "ZRM Volts2Int",
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
    return modframe::makeProcessingOnly<volts_to_int::VoltsToInt>(index, kind, callback, hostPtr);
}
