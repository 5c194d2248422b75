// The identifying text of the Quorvex converters, "quorvex <name> <version>+",
// formatted into a text buffer of the library.
#pragma once

#include <cstdio>

namespace quorvex {

class RuntimeId {
public:
    RuntimeId(const char* name, const char* version) {
        std::snprintf(text_, sizeof text_, "quorvex %s %s+", name, version);
    }
    const char* text() const { return text_; }

private:
    char text_[250];
};

}  // namespace quorvex
