#include "modules/guibool_to_volts/guibool_to_volts_panel.h"

#include "modules/guibool_to_volts/guibool_to_volts_module.h"

namespace value_converters {

using namespace guibool_to_volts;

void GuiBoolToVoltsPanel::open(bool keepValues) {
    if (!keepValues) {
        guard = true;
        setPinFloat(kGuiToDsp, 0.0f);
        setPinBool(kBool, false);
        setPinFloat(kValueIfFalse, 0.0f);
        setPinFloat(kValueIfTrue, 10.0f);
    }
    guard = false;
}

void GuiBoolToVoltsPanel::pinChanged(modframe::PanelPin* changed) {
    if (guard || changed == nullptr) return;
    int32_t index = changed->index();
    guard = true;
    bool chosen = getPinBool(kBool);
    if (index == kBool || index == kValueIfFalse || index == kValueIfTrue)
        setPinFloat(kGuiToDsp, getPinFloat(chosen ? kValueIfTrue : kValueIfFalse));
    guard = false;
}

void GuiBoolToVoltsPanel::onOpcode12(int32_t index) {
    if (index != 1) return;
    guard = true;
    setPinFloat(kGuiToDsp, getPinFloat(kValueIfFalse));
    setPinBool(kBool, false);
    guard = false;
}

}  // namespace value_converters
