#include "math_blocks.h"

#include "math_functions.h"

// Run-time dispatch needs the loader's indirect functions, which x86 has.
#if defined(__x86_64__) || defined(__i386__)
#define MATH_WIDEST_INSTRUCTIONS __attribute__((target_clones("avx512f", "avx2", "default")))
#else
#define MATH_WIDEST_INSTRUCTIONS
#endif

namespace math_modules {

MATH_WIDEST_INSTRUCTIONS void squareBlock(const float* in, float* out, int32_t count) {
    for (int32_t i = 0; i < count; ++i) out[i] = Square::apply(in[i]);
}

MATH_WIDEST_INSTRUCTIONS void cubeBlock(const float* in, float* out, int32_t count) {
    for (int32_t i = 0; i < count; ++i) out[i] = Cube::apply(in[i]);
}

}  // namespace math_modules
