// Entries of one math library; MATH_FUNCTION names its per-sample function.
#include "math_functions.h"
#include "math_module.h"

namespace {
using Function = math_modules::MATH_FUNCTION;
using Module = math_modules::MathModule<Function>;
}  // namespace

extern "C" int32_t getModuleProperties(int32_t index, ModuleDescriptor* descriptor) noexcept {
    return modframe::describeModule(Function::texts, index, descriptor);
}

extern "C" void* makeModule(int32_t index, int32_t kind, HostCallback callback,
                            void* hostPtr) noexcept {
    return modframe::makeProcessingOnly<Module>(index, kind, callback, hostPtr);
}
