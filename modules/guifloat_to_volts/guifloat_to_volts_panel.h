// Panel half of guifloat_to_volts: a change of "Float" goes to "GUI 2 DSP"
// for the processing half.
#pragma once

#include "modframe/panel_module.h"

namespace value_converters {

class GuiFloatToVoltsPanel final : public modframe::PanelModule {
public:
    using PanelModule::PanelModule;

protected:
    void open(bool keepValues) override;
    void pinChanged(modframe::PanelPin* changed) override;
    // Index 1 resets both pins to 0.0.
    void onOpcode12(int32_t index) override;

private:
    bool guard = false;  // set while this panel writes its own pins
};

}  // namespace value_converters
