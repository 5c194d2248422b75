// A broken property stops the fuzzer at once, with the reason on stderr.
#pragma once

#include <cstdio>

#define FUZZ_CHECK(condition)                                                            \
    do {                                                                                 \
        if (!(condition)) {                                                              \
            std::fprintf(stderr, "%s:%d: broken: %s\n", __FILE__, __LINE__, #condition); \
            __builtin_trap();                                                            \
        }                                                                                \
    } while (0)
