// Panel half of guibool_to_volts: whenever "Bool" or one of the two values
// changes, the chosen value goes to "GUI 2 DSP" for the processing half.
#pragma once

#include "modframe/panel_module.h"

namespace value_converters {

class GuiBoolToVoltsPanel final : public modframe::PanelModule {
public:
    using PanelModule::PanelModule;

protected:
    void open(bool keepValues) override;
    void pinChanged(modframe::PanelPin* changed) override;
    // Index 1 resets the module: "Bool" false, its FALSE value on "GUI 2 DSP".
    void onOpcode12(int32_t index) override;

private:
    bool guard = false;  // set while this panel writes its own pins
};

}  // namespace value_converters
