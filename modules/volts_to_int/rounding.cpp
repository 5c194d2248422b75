#include "rounding.h"

#include <cmath>

namespace sampling {

double roundingOffset(int16_t mode) {
    switch (RoundingMode(mode)) {
        case RoundingMode::RoundOff: return kRoundOffOffset;
        case RoundingMode::RoundUp: return kRoundUpOffset;
        default: return kTruncateOffset;
    }
}

double roundHalfEven(double x) {
    double nearest = std::round(x);  // halves away from zero
    // Both are within a factor of two of each other, so the difference is exact.
    if (std::fabs(nearest - x) == 0.5) nearest = 2.0 * std::round(x * 0.5);
    return nearest;
}

int32_t roundedResult(float scaled, double offset) {
    double rounded = roundHalfEven(double(scaled) - offset);
    if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0)) return INT32_MIN;
    return int32_t(rounded);
}

}  // namespace sampling
