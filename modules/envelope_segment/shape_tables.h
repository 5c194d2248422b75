// The three response-curve tables of the envelope segment and the lookup the
// curved segments make per sample. Entry i stands for x = i * 0.01, so entries
// 0 to 1000 cover one segment (position 0 to 1000) and entry 1001 is the upper
// neighbour that the lookup at position 1000 reads.
#pragma once

#include <array>
#include <cstdint>

namespace envelope_segment {

inline constexpr int32_t kShapeEntries = 1002;
inline constexpr float kLastPosition = 1000.0f;

using ShapeTable = std::array<float, kShapeEntries>;

struct ShapeTables {
    ShapeTable exp;     // (e^x - 1) / (e^10 - 1)
    ShapeTable log;     // ln(x + 1) / ln 11
    ShapeTable sCurve;  // (tanh(x - 5) - cos(i * 0.0031830987)) / 4 + 0.50005
};

// Values of the "Response Curve" pin.
enum class ResponseCurve : int16_t { Linear = 0, Exp = 1, Log = 2, SCurve = 3 };

// The tables of the whole process. The first call fills them; every later fill
// would write the very same values, so later calls (from any thread) only hand
// out the filled tables, and no caller ever sees them partly filled.
const ShapeTables& buildShapeTables();

// The entries of one fill, computed afresh.
ShapeTables computeShapeTables();

// The table of a curve item, or null for Linear and items the list does not offer.
const float* shapeTable(const ShapeTables& tables, int32_t curve);

// The table value at position x, interpolated between the two entries around
// it. Positions outside 0 to 1000 (or not a number) read as the nearest end.
inline float interpolateShape(const float* table, float x) {
    if (!(x >= 0.0f)) [[unlikely]]
        x = 0.0f;
    if (x > kLastPosition) [[unlikely]]
        x = kLastPosition;
    auto j = int32_t(x);
    float f = x - float(j);
    // The tiny constant keeps the difference away from denormals near zero.
    constexpr float kTiny = 1e-37f;
    return (table[j + 1] + kTiny - table[j]) * f + table[j];
}

// interpolateShape on the shared tables; 0 for a curve without table.
float shapeValue(int32_t curve, float x);

}  // namespace envelope_segment
