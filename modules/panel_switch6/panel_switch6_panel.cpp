#include "modules/panel_switch6/panel_switch6_panel.h"

#include "modules/panel_switch6/panel_switch6_module.h"

namespace value_converters {

using namespace panel_switch6;

// Every other position is switched off before the new one goes on, so two
// positions are never on together.
void PanelSwitch6Panel::select(int32_t k) {
    if (k < 0 || k >= kPositions) return;
    for (int32_t i = 0; i < kPositions; ++i)
        if (i != k) setPinFloat(switchPin(i), 0.0f);
    for (int32_t i = 0; i < kPositions; ++i)
        if (i != k) setPinBool(outputPin(i), false);
    setPinFloat(switchPin(k), 1.0f);
    setPinBool(outputPin(k), true);
}

void PanelSwitch6Panel::open(bool keepValues) {
    guard = true;
    int32_t k = 0;
    if (keepValues) {
        announceOutputsAgain();
        k = storedPosition();
    }
    select(k);
    guard = false;
}

// Each output is written inverted and then with its stored value, so that the
// host announces it once more with that value.
void PanelSwitch6Panel::announceOutputsAgain() {
    for (int32_t i = 0; i < kPositions; ++i) {
        bool stored = getPinBool(outputPin(i));
        setPinBool(outputPin(i), !stored);
        setPinBool(outputPin(i), stored);
    }
}

// The first position whose switch input holds 0.5 or more (a value that is
// not a number never does), else position 1.
int32_t PanelSwitch6Panel::storedPosition() {
    for (int32_t i = 0; i < kPositions; ++i)
        if (getPinFloat(switchPin(i)) >= 0.5f) return i;
    return 0;
}

void PanelSwitch6Panel::pinChanged(modframe::PanelPin* changed) {
    if (guard || changed == nullptr) return;
    int32_t index = changed->index();
    guard = true;
    if (index >= 0 && index < 2 * kPositions && index % 2 == 0) select(index / 2);
    guard = false;
}

}  // namespace value_converters
