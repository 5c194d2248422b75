// A six-way exclusive switch that lives on the panel side: six float inputs
// select a position, six boolean outputs show it. The processing half has
// no plugs and no work.
#pragma once

#include "modules/guibool_to_volts/pin_rows.h"
#include "modules/guibool_to_volts/sleeping_module.h"

namespace value_converters {

namespace panel_switch6 {

inline constexpr int32_t kPositions = 6;

// Listing indices of position k, from 0 to 5.
constexpr int32_t switchPin(int32_t k) {
    return 2 * k;
}
constexpr int32_t outputPin(int32_t k) {
    return 2 * k + 1;
}

inline constexpr int32_t kFlags = pinFlags(PinFlag::Bit20000, PinFlag::PanelSide);

inline constexpr PinRow kPins[] = {
    {"Switch 1", PinDirection::In, PinKind::Float, nullptr, kFlags},
    {"Panel 1", PinDirection::Out, PinKind::Bool, nullptr, kFlags},
    {"Switch 2", PinDirection::In, PinKind::Float, nullptr, kFlags},
    {"Panel 2", PinDirection::Out, PinKind::Bool, nullptr, kFlags},
    {"Switch 3", PinDirection::In, PinKind::Float, nullptr, kFlags},
    {"Panel 3", PinDirection::Out, PinKind::Bool, nullptr, kFlags},
    {"Switch 4", PinDirection::In, PinKind::Float, nullptr, kFlags},
    {"Panel 4", PinDirection::Out, PinKind::Bool, nullptr, kFlags},
    {"Switch 5", PinDirection::In, PinKind::Float, nullptr, kFlags},
    {"Panel 5", PinDirection::Out, PinKind::Bool, nullptr, kFlags},
    {"Switch 6", PinDirection::In, PinKind::Float, nullptr, kFlags},
    {"Panel 6", PinDirection::Out, PinKind::Bool, nullptr, kFlags},
};

}  // namespace panel_switch6

class PanelSwitch6 final : public SleepingModule {
public:
    using SleepingModule::SleepingModule;

protected:
    void open() override {
        selectProcessSleep();
        SleepingModule::open();
        requestSleep();
    }

    // No pin names a member.
    bool getPinProperties(int32_t index, PinProperties* out) override {
        return describePin(panel_switch6::kPins, {}, index, out);
    }
};

}  // namespace value_converters
