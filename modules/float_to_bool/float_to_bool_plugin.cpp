// Entries of the float_to_bool library.
#include "modframe/plugin_entry.h"
#include "modules/float_to_bool/float_to_bool_module.h"

namespace {

constexpr modframe::ModuleTexts kTexts{
    "ZRM Float2Bool", "ZRM Float2Bool",
    "ZRM Float To Bool - v1.0.2\n"
    "\n"
    "ZRM Modules\n"
    "\n"
    "Converts incoming floats to boolean values, dependant on the method chosen in properties.\n"
    "\n"
    "Parameter changes reflect in the output immediately.",
    InterfaceRevision::Rev2230};

}  // namespace

extern "C" int32_t getModuleProperties(int32_t index, ModuleDescriptor* descriptor) noexcept {
    return modframe::describeModule(kTexts, index, descriptor);
}

extern "C" void* makeModule(int32_t index, int32_t kind, HostCallback callback,
                            void* hostPtr) noexcept {
    return modframe::makeProcessingOnly<value_converters::FloatToBool>(index, kind, callback,
                                                                       hostPtr);
}
