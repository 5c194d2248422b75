// Panel half of "QV_VoltageToFloat": shows each value the processing half
// sends on "Value".
#pragma once

#include "modframe/panel_module.h"

namespace voltage_to_float {

class VoltageToFloatPanel final : public modframe::PanelModule {
public:
    using PanelModule::PanelModule;

protected:
    void receiveData(int32_t value, int32_t index, void* data) override;
};

}  // namespace voltage_to_float
