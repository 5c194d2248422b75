// Helpers for the two entries every plug-in library exports. A library's
// entry file defines getModuleProperties and makeModule in terms of these.
#pragma once

#include <new>

#include "modframe/host_interface.h"

namespace modframe {

enum class MakeKind : int32_t { Processing = 1, Panel = 2 };

// What getModuleProperties writes for a module type.
struct ModuleTexts {
    const char* name = nullptr;
    const char* id = nullptr;
    const char* about = nullptr;
    InterfaceRevision revision{};
    int32_t flags = 0;   // written only when nonzero
    int32_t flags2 = 0;  // written only when nonzero
    // Most modules write the revision even when asked for an index other than 0.
    bool revisionForAnyIndex = true;
};

inline int32_t describeModule(const ModuleTexts& texts, int32_t index,
                              ModuleDescriptor* descriptor) noexcept {
    if (descriptor == nullptr) return 0;
    if (texts.revisionForAnyIndex) descriptor->interfaceVersion = int32_t(texts.revision);
    if (index != 0) return 0;
    descriptor->name = texts.name;
    descriptor->id = texts.id;
    descriptor->about = texts.about;
    if (texts.flags != 0) descriptor->flags = texts.flags;
    if (texts.flags2 != 0) descriptor->flags2 = texts.flags2;
    descriptor->interfaceVersion = int32_t(texts.revision);
    return 1;
}

// Creates one half of a module instance and returns the address of its record,
// or null when the half does not exist or memory runs out.
template <class Half>
void* makeHalf(HostCallback callback, void* hostPtr) noexcept {
    try {
        Half* half = new (std::nothrow) Half(callback, hostPtr);
        return half ? half->moduleRecord() : nullptr;
    } catch (...) {
        return nullptr;
    }
}

// makeModule of a library whose module has only a processing half.
template <class Processing>
void* makeProcessingOnly(int32_t index, int32_t kind, HostCallback callback,
                         void* hostPtr) noexcept {
    if (index != 0 || kind != int32_t(MakeKind::Processing)) return nullptr;
    return makeHalf<Processing>(callback, hostPtr);
}

// makeModule of a library whose module has a processing and a panel half.
template <class Processing, class Panel>
void* makeWithPanel(int32_t index, int32_t kind, HostCallback callback, void* hostPtr) noexcept {
    if (index != 0) return nullptr;
    switch (MakeKind(kind)) {
        case MakeKind::Processing: return makeHalf<Processing>(callback, hostPtr);
        case MakeKind::Panel: return makeHalf<Panel>(callback, hostPtr);
    }
    return nullptr;
}

}  // namespace modframe
