// A panel float becomes a constant audio voltage. The panel half copies
// "Float" to "GUI 2 DSP"; the processing half turns that into samples.
#pragma once

#include "modules/guibool_to_volts/panel_volts_module.h"
#include "modules/guibool_to_volts/pin_rows.h"

namespace value_converters {

namespace guifloat_to_volts {

// Listing indices, as the panel half addresses the pins.
enum Pin : int32_t { kGuiToDsp, kFloat, kVolts };

inline constexpr PinRow kPins[] = {
    {"GUI 2 DSP", PinDirection::In, PinKind::Float, nullptr,
     pinFlags(PinFlag::Bit20000, PinFlag::VisibleToProcessing, PinFlag::PanelSide,
              PinFlag::Bit100)},
    {"Float", PinDirection::In, PinKind::Float, nullptr,
     pinFlags(PinFlag::Bit20000, PinFlag::PanelSide)},
    {"Volts", PinDirection::Out, PinKind::Audio, nullptr, pinFlags(PinFlag::Bit20000)},
};

}  // namespace guifloat_to_volts

class GuiFloatToVolts final : public PanelVoltsModule {
public:
    using PanelVoltsModule::PanelVoltsModule;

protected:
    bool getPinProperties(int32_t index, PinProperties* out) override {
        void* const members[] = {&panelValue, &panelFloat, &volts};
        return describePin(guifloat_to_volts::kPins, members, index, out);
    }

private:
    float panelFloat = 0.0f;  // "Float": a panel pin, never read here
};

}  // namespace value_converters
