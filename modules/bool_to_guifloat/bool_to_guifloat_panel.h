// Panel half of bool_to_guifloat: mirrors "DSP 2 GUI - In" on "Float" and
// keeps track of which of the two values it is showing, so that a change of
// that value shows at once.
#pragma once

#include "modframe/panel_module.h"

namespace value_converters {

class BoolToGuiFloatPanel final : public modframe::PanelModule {
public:
    using PanelModule::PanelModule;

protected:
    void open(bool keepValues) override;
    // Never sets the guard itself: its own writes of "DSP 2 GUI - In" must come
    // back to it, so that the new value reaches "Float".
    void pinChanged(modframe::PanelPin* changed) override;
    void onOpcode11(int32_t) override { expectReset(); }
    void onOpcode12(int32_t) override { expectReset(); }

private:
    static constexpr int32_t kShowsFalseValue = 1;
    static constexpr int32_t kShowsTrueValue = 2;

    void showArrivedValue(float arrived);
    void resetShownValue();
    void expectReset();

    int32_t shownValue = 0;  // kShowsFalseValue or kShowsTrueValue
    bool resetPending = false;
    bool guard = false;  // set while open writes the pins
};

}  // namespace value_converters
