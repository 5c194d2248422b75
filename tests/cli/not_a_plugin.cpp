// A shared library that is no plug-in: it exports one of the two entries, not both.
#include <cstdint>

extern "C" __attribute__((visibility("default"))) int32_t getModuleProperties(int32_t, void*) {
    return 0;
}
