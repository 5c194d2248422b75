// Panel half of "ZRM Volts2GuiFloat": shows every value arriving on
// "DSP 2 GUI - In" on "Float".
#pragma once

#include "modframe/panel_module.h"

namespace volts_to_guifloat {

class VoltsToGuiFloatPanel final : public modframe::PanelModule {
public:
    using PanelModule::PanelModule;

protected:
    void open(bool keepValues) override;
    void pinChanged(modframe::PanelPin* pin) override;
};

}  // namespace volts_to_guifloat
