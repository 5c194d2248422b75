// How "ZRM Volts2Int" turns a result in volts into a whole number.
#pragma once

#include <bit>
#include <cstdint>

namespace sampling {

// The "Rounding Mode" items; any other value truncates.
enum class RoundingMode : int16_t { Truncate = 0, RoundOff = 1, RoundUp = 2 };

// Offsets subtracted before rounding to the nearest integer. Truncation
// still lets values within about 9e-8 below the next integer go up, and
// rounding up lets values within about 3e-8 above an integer stay.
inline constexpr double kTruncateOffset = std::bit_cast<double>(0x3FDFFFFFA0000000ull);
inline constexpr double kRoundOffOffset = std::bit_cast<double>(0xBE78000000000000ull);
inline constexpr double kRoundUpOffset = std::bit_cast<double>(0xBFDFFFFFE0000000ull);
static_assert(kTruncateOffset == 0.5 - 1.5 / 16777216.0);
static_assert(kRoundOffOffset == -1.5 / 16777216.0);
static_assert(kRoundUpOffset == -(0.5 - 1.0 / 33554432.0));

double roundingOffset(int16_t mode);

// To the nearest integer, ties to even, whatever rounding direction the
// floating-point environment is set to.
double roundHalfEven(double x);

// `scaled` - `offset` in double precision, rounded half to even; -2147483648
// for a result that is not a number or lies outside int32.
int32_t roundedResult(float scaled, double offset);

}  // namespace sampling
