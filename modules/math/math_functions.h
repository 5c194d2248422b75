// The three per-sample functions. Products are formed in double precision in
// the order written and rounded once to float when stored.
#pragma once

#include <cmath>

#include "math_blocks.h"
#include "modframe/plugin_entry.h"

namespace math_modules {

inline constexpr double kTen = double(10.0f);

struct Sine {
    static float apply(float x) { return float(std::sin(double(x))); }
    static void applyBlock(const float* in, float* out, int32_t count) {
        for (int32_t i = 0; i < count; ++i) out[i] = apply(in[i]);
    }
    static constexpr modframe::ModuleTexts texts{
        "OXB Sin(x)", "OXB Sin(x)",
        "OXB Math Module (Sin)\nOXB Modules\nwww.oxb-modules.example\n2026",
        InterfaceRevision::Rev2120};
};

// Output volts are the input volts squared: (10x)^2 / 10 = 10x^2.
struct Square {
    static float apply(float x) {
        double v = x;
        return float((v * v) * kTen);
    }
    static void applyBlock(const float* in, float* out, int32_t count) {
        squareBlock(in, out, count);
    }
    static constexpr modframe::ModuleTexts texts{
        "OXB Pow2(X)", "OXB Pow2(x)",
        "OXB Math Module (Pow2)\nOXB Modules\nwww.oxb-modules.example\n2026",
        InterfaceRevision::Rev2120};
};

// Output volts are the input volts cubed: (10x)^3 / 10 = 100x^3.
struct Cube {
    static float apply(float x) {
        double v = x;
        return float(((v * v) * kTen) * (v * kTen));
    }
    static void applyBlock(const float* in, float* out, int32_t count) {
        cubeBlock(in, out, count);
    }
    static constexpr modframe::ModuleTexts texts{
        "OXB Pow3(X)", "OXB Pow3(x)",
        "OXB Math Module (Pow3)\nOXB Modules\nwww.oxb-modules.example\n2026",
        InterfaceRevision::Rev2120};
};

}  // namespace math_modules
