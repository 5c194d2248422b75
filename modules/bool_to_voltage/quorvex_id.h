// The identifying text of the Quorvex converters, "quorvex <name> <version>+",
// formatted into a text buffer of the library.
#pragma once

#include <cstdio>

#include "modframe/plugin_entry.h"

namespace quorvex {

class RuntimeId {
public:
    RuntimeId(const char* name, const char* version) {
        std::snprintf(text_, sizeof text_, "quorvex %s %s+", name, version);
    }
    const char* text() const { return text_; }

private:
    char text_[250]{};
};

// getModuleProperties of a Quorvex converter: revision 2190, flags 0x100, and
// nothing at all written for an index other than 0. The id is built at the
// first request and kept while the library is loaded; the language makes two
// first requests at the same time safe. Each library describes one module, so
// the one id per library is that module's.
inline int32_t describeModule(const char* name, const char* about, int32_t index,
                              ModuleDescriptor* descriptor) {
    if (index != 0) return 0;
    static const RuntimeId id(name, "2.0");
    const modframe::ModuleTexts texts{.name = name,
                                      .id = id.text(),
                                      .about = about,
                                      .revision = InterfaceRevision::Rev2190,
                                      .flags = 0x100,
                                      .revisionForAnyIndex = false};
    return modframe::describeModule(texts, index, descriptor);
}

}  // namespace quorvex
