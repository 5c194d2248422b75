// Panel half of panel_switch6. The position lives only in the pins: the
// selected one's switch input holds 1.0 and its output is true.
#pragma once

#include "modframe/panel_module.h"

namespace value_converters {

class PanelSwitch6Panel final : public modframe::PanelModule {
public:
    using PanelModule::PanelModule;

    // Position k + 1 for k from 0 to 5; any other k writes nothing.
    void select(int32_t k);

protected:
    // Starts at position 1, or with kept values at the position the switch
    // inputs hold.
    void open(bool keepValues) override;
    // Any change of a switch input selects its position, whatever the value.
    void pinChanged(modframe::PanelPin* changed) override;

private:
    void announceOutputsAgain();
    int32_t storedPosition();

    bool guard = false;  // set while this panel writes its own pins
};

}  // namespace value_converters
