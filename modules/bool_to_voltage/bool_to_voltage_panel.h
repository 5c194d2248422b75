// Panel half of "QV_BoolToVoltage": sends the level that "Bool In" chooses,
// "Hi Val" or "Lo Val", to the processing half while that half is open.
#pragma once

#include "modframe/panel_module.h"

namespace bool_to_voltage {

class BoolToVoltagePanel final : public modframe::PanelModule {
public:
    using PanelModule::PanelModule;

protected:
    void open(bool keepValues) override;
    void receiveData(int32_t value, int32_t index, void* data) override;
    void pinChanged(modframe::PanelPin* pin) override;

private:
    void sendValue();

    bool sendingEnabled = false;  // the processing half has announced itself and not yet stopped
};

}  // namespace bool_to_voltage
