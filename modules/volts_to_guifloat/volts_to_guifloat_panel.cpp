#include "volts_to_guifloat_panel.h"

namespace volts_to_guifloat {

namespace {

enum PanelPinIndex : int32_t { kDspToGuiIn = 1, kFloat = 3 };

}  // namespace

void VoltsToGuiFloatPanel::open(bool keepValues) {
    if (keepValues) return;
    setPinFloat(kFloat, 0.0f);
    setPinFloat(kDspToGuiIn, 0.0f);
}

// Writing "Float" announces "Float", which changes nothing, so no guard is needed.
void VoltsToGuiFloatPanel::pinChanged(modframe::PanelPin* pin) {
    float arrived = getPinFloat(kDspToGuiIn);
    if (pin != nullptr && pin->index() == kDspToGuiIn) setPinFloat(kFloat, arrived);
}

}  // namespace volts_to_guifloat
