#include "shape_tables.h"

#include <bit>
#include <cmath>

namespace envelope_segment {

namespace {

// Single-precision constants, given by their bits so that no decimal rounding
// can shift a table entry.
constexpr float kStep = std::bit_cast<float>(0x3C23D70Au);         // 0.01
constexpr float kCosineStep = std::bit_cast<float>(0x3B509B89u);   // 0.0031830987
constexpr float kCurveOffset = std::bit_cast<float>(0x3F000347u);  // 0.50005

}  // namespace

ShapeTables computeShapeTables() {
    ShapeTables t{};
    const auto expScale = float(1.0 / (std::exp(10.0) - 1.0));
    const auto logScale = float(1.0 / std::log(11.0));
    for (int32_t i = 0; i < kShapeEntries; ++i) {
        const float index = float(i);
        const double x = double(index * kStep);
        t.exp[size_t(i)] = float((std::exp(x) - 1.0) * double(expScale));
        t.log[size_t(i)] = float(std::log(x + 1.0) * double(logScale));
        t.sCurve[size_t(i)] =
            float((std::tanh(x - 5.0) - std::cos(double(index) * double(kCosineStep))) * 0.25 +
                  double(kCurveOffset));
    }
    return t;
}

const ShapeTables& buildShapeTables() {
    // Initialised once, and other threads asking meanwhile wait until it is complete.
    static const ShapeTables tables = computeShapeTables();
    return tables;
}

const float* shapeTable(const ShapeTables& tables, int32_t curve) {
    if (curve == int32_t(ResponseCurve::Exp)) return tables.exp.data();
    if (curve == int32_t(ResponseCurve::Log)) return tables.log.data();
    if (curve == int32_t(ResponseCurve::SCurve)) return tables.sCurve.data();
    return nullptr;
}

float shapeValue(int32_t curve, float x) {
    const float* table = shapeTable(buildShapeTables(), curve);
    return table ? interpolateShape(table, x) : 0.0f;
}

}  // namespace envelope_segment
