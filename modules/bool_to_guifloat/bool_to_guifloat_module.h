// A processing boolean chooses one of two values, which the panel half shows
// as a float. The processing half publishes the choice on "DSP 2 GUI - Out";
// the host carries it to the panel's "DSP 2 GUI - In".
#pragma once

#include "modules/guibool_to_volts/pin_rows.h"
#include "modules/guibool_to_volts/sleeping_module.h"

namespace value_converters {

namespace bool_to_guifloat {

// Listing indices, as the panel half addresses the pins.
enum Pin : int32_t { kGuiOut, kGuiIn, kBool, kFloat, kValueIfFalse, kValueIfTrue };

inline constexpr int32_t kValueFlags =
    pinFlags(PinFlag::Bit20000, PinFlag::VisibleToProcessing, PinFlag::PanelSide, PinFlag::Bit02);

inline constexpr PinRow kPins[] = {
    {"DSP 2 GUI - Out", PinDirection::Out, PinKind::Float, nullptr,
     pinFlags(PinFlag::Bit20000, PinFlag::Bit10000, PinFlag::Bit100)},
    {"DSP 2 GUI - In", PinDirection::In, PinKind::Float, nullptr,
     pinFlags(PinFlag::Bit20000, PinFlag::Bit10000, PinFlag::PanelSide, PinFlag::Bit100)},
    {"Bool", PinDirection::In, PinKind::Bool, nullptr, pinFlags(PinFlag::Bit20000)},
    {"Float", PinDirection::Out, PinKind::Float, nullptr,
     pinFlags(PinFlag::Bit20000, PinFlag::PanelSide)},
    {"Value if FALSE ", PinDirection::Parameter, PinKind::Float, "0.0", kValueFlags},
    {"Value if TRUE ", PinDirection::Parameter, PinKind::Float, "10.0", kValueFlags},
};

// Plug indices: the pins the processing half has a plug for.
inline constexpr int32_t kGuiOutPlug = 0;
inline constexpr int32_t kBoolPlug = 1;

}  // namespace bool_to_guifloat

class BoolToGuiFloat final : public SleepingModule {
public:
    using SleepingModule::SleepingModule;

protected:
    void open() override {
        selectProcessSleep();
        SleepingModule::open();
        guiOut = 0.0f;
    }

    bool getPinProperties(int32_t index, PinProperties* out) override {
        void* const members[] = {&guiOut,     &guiIn,        &chooser,
                                 &shownFloat, &valueIfFalse, &valueIfTrue};
        return describePin(bool_to_guifloat::kPins, members, index, out);
    }

    // A change of either value alone publishes nothing: the panel half shows it.
    void onPlugStateChange(modframe::Plug& changed) override {
        if (changed.index() != bool_to_guifloat::kBoolPlug) return;
        guiOut = chooser != 0 ? valueIfTrue : valueIfFalse;
        plug(bool_to_guifloat::kGuiOutPlug).transmitStatus(sampleClock(), PinStatus::OneOff);
    }

private:
    uint8_t chooser = 0;  // "Bool"
    float guiOut = 0.0f;  // "DSP 2 GUI - Out"
    float guiIn = 0.0f;   // "DSP 2 GUI - In": a panel pin, never read here
    float valueIfFalse = 0.0f;
    float valueIfTrue = 0.0f;
    float shownFloat = 0.0f;  // "Float": a panel pin, never read here
};

}  // namespace value_converters
