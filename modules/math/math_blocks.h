// Block loops of the two products. Each is built for several instruction
// sets, and the loader picks the widest the processor has; every build forms
// the same double products in the same order, so results are identical.
#pragma once

#include <cstdint>

namespace math_modules {

void squareBlock(const float* in, float* out, int32_t count);
void cubeBlock(const float* in, float* out, int32_t count);

}  // namespace math_modules
