// Entries of the envelope segment library.
#include "envelope_segment.h"
#include "modframe/plugin_entry.h"

namespace {

constexpr modframe::ModuleTexts kTexts{
    "QV_EnvSeg", "QV_EnvSeg 1.4+",
    "QV_EnvSeg module V1.4.4\nQV Modules\nwww.qv-modules.example\n2026",
    InterfaceRevision::Rev2230};

}  // namespace

extern "C" int32_t getModuleProperties(int32_t index, ModuleDescriptor* descriptor) noexcept {
    return modframe::describeModule(kTexts, index, descriptor);
}

extern "C" void* makeModule(int32_t index, int32_t kind, HostCallback callback,
                            void* hostPtr) noexcept {
    return modframe::makeProcessingOnly<envelope_segment::EnvelopeSegment>(index, kind, callback,
                                                                           hostPtr);
}
