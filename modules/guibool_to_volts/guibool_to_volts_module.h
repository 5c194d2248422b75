// A panel boolean chooses one of two panel values, which becomes a constant
// audio voltage. The panel half makes the choice and writes it to "GUI 2 DSP";
// the processing half turns that into samples.
#pragma once

#include "modules/guibool_to_volts/panel_volts_module.h"
#include "modules/guibool_to_volts/pin_rows.h"

namespace value_converters {

namespace guibool_to_volts {

// Listing indices, as the panel half addresses the pins.
enum Pin : int32_t { kGuiToDsp, kBool, kVolts, kValueIfFalse, kValueIfTrue };

inline constexpr PinRow kPins[] = {
    {"GUI 2 DSP", PinDirection::In, PinKind::Float, nullptr,
     pinFlags(PinFlag::Bit20000, PinFlag::VisibleToProcessing, PinFlag::PanelSide,
              PinFlag::Bit100)},
    {"Bool", PinDirection::In, PinKind::Bool, nullptr,
     pinFlags(PinFlag::Bit20000, PinFlag::PanelSide)},
    {"Volts", PinDirection::Out, PinKind::Audio, nullptr, pinFlags(PinFlag::Bit20000)},
    {"Value if FALSE ", PinDirection::Parameter, PinKind::Float, "0.0",
     pinFlags(PinFlag::Bit20000, PinFlag::PanelSide)},
    {"Value if TRUE ", PinDirection::Parameter, PinKind::Float, "10.0",
     pinFlags(PinFlag::Bit20000, PinFlag::PanelSide)},
};

}  // namespace guibool_to_volts

class GuiBoolToVolts final : public PanelVoltsModule {
public:
    using PanelVoltsModule::PanelVoltsModule;

protected:
    bool getPinProperties(int32_t index, PinProperties* out) override {
        void* const members[] = {&panelValue, &panelBool, &volts, &valueIfFalse, &valueIfTrue};
        return describePin(guibool_to_volts::kPins, members, index, out);
    }

private:
    // Panel pins: every pin names a member, though only plugs are read here.
    uint8_t panelBool = 0;
    float valueIfFalse = 0.0f;
    float valueIfTrue = 0.0f;
};

}  // namespace value_converters
