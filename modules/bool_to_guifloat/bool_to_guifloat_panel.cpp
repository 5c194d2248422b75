#include "modules/bool_to_guifloat/bool_to_guifloat_panel.h"

#include <cmath>

#include "modules/bool_to_guifloat/bool_to_guifloat_module.h"

namespace value_converters {

using namespace bool_to_guifloat;

namespace {

// A comparison with a value that is not a number counts as equal.
bool countsAsEqual(float a, float b) {
    return std::isnan(a) || std::isnan(b) || a == b;
}

}  // namespace

void BoolToGuiFloatPanel::open(bool keepValues) {
    if (!keepValues) {
        guard = true;
        setPinFloat(kFloat, 0.0f);
        setPinFloat(kGuiIn, 0.0f);
    }
    guard = false;
    shownValue = kShowsFalseValue;
    resetPending = false;
}

void BoolToGuiFloatPanel::pinChanged(modframe::PanelPin* changed) {
    if (guard || changed == nullptr) return;
    int32_t index = changed->index();
    float arrived = getPinFloat(kGuiIn);
    switch (index) {
        case kGuiIn: showArrivedValue(arrived); break;
        case kFloat:
            if (resetPending) resetShownValue();
            break;
        case kValueIfFalse:
            if (shownValue == kShowsFalseValue) setPinFloat(kGuiIn, getPinFloat(kValueIfFalse));
            break;
        case kValueIfTrue:
            if (shownValue == kShowsTrueValue) setPinFloat(kGuiIn, getPinFloat(kValueIfTrue));
            break;
        default: break;
    }
}

void BoolToGuiFloatPanel::showArrivedValue(float arrived) {
    resetPending = false;
    setPinFloat(kFloat, arrived);
    shownValue =
        countsAsEqual(getPinFloat(kValueIfFalse), arrived) ? kShowsFalseValue : kShowsTrueValue;
}

// Cleared before the writes: the write to "Float" is announced back at once,
// and a value that always counts as changed (not a number) would otherwise
// come back into this branch again and again.
void BoolToGuiFloatPanel::resetShownValue() {
    resetPending = false;
    setPinFloat(kFloat, getPinFloat(kValueIfFalse));
    setPinFloat(kGuiIn, getPinFloat(kValueIfFalse));
}

void BoolToGuiFloatPanel::expectReset() {
    shownValue = kShowsFalseValue;
    resetPending = true;
}

}  // namespace value_converters
