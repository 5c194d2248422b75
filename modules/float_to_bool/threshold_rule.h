// How float_to_bool turns a float into a boolean.
#pragma once

#include <cmath>
#include <cstdint>

namespace value_converters {

// The "Output FALSE if " items; any other value acts as EqualToThreshold.
enum class FalseCondition : int16_t {
    EqualToThreshold = 0,  // "Eq to TH"
    ThresholdOrLess = 1,   // "TH or Less"
};

// False when the input or the threshold is not a number, before any inversion.
inline bool boolForInput(float input, float threshold, int16_t condition, bool invert) {
    bool result = false;
    if (!std::isnan(input) && !std::isnan(threshold))
        result = condition == int16_t(FalseCondition::ThresholdOrLess) ? input > threshold
                                                                       : input != threshold;
    return invert ? !result : result;
}

}  // namespace value_converters
