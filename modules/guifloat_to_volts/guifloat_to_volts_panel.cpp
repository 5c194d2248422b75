#include "modules/guifloat_to_volts/guifloat_to_volts_panel.h"

#include "modules/guifloat_to_volts/guifloat_to_volts_module.h"

namespace value_converters {

using namespace guifloat_to_volts;

void GuiFloatToVoltsPanel::open(bool keepValues) {
    if (!keepValues) {
        guard = true;
        setPinFloat(kGuiToDsp, 0.0f);
        setPinFloat(kFloat, 0.0f);
    }
    guard = false;
}

void GuiFloatToVoltsPanel::pinChanged(modframe::PanelPin* changed) {
    if (guard || changed == nullptr) return;
    int32_t index = changed->index();
    guard = true;
    if (index == kFloat) setPinFloat(kGuiToDsp, getPinFloat(kFloat));
    guard = false;
}

void GuiFloatToVoltsPanel::onOpcode12(int32_t index) {
    if (index != 1) return;
    guard = true;
    setPinFloat(kGuiToDsp, 0.0f);
    setPinFloat(kFloat, 0.0f);
    guard = false;
}

}  // namespace value_converters
