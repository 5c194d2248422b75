// A float compared with a threshold gives a boolean. Processing half only;
// every pin change is answered at once.
#pragma once

#include "modules/float_to_bool/threshold_rule.h"
#include "modules/guibool_to_volts/pin_rows.h"
#include "modules/guibool_to_volts/sleeping_module.h"

namespace value_converters {

namespace float_to_bool {

// Every pin has a plug, numbered like the listing.
enum Pin : int32_t { kFloat, kBool, kFalseCondition, kThreshold, kInvert };

inline constexpr int32_t kFlags = pinFlags(PinFlag::Bit20000);

inline constexpr PinRow kPins[] = {
    {"Float", PinDirection::In, PinKind::Float, nullptr, kFlags},
    {"Bool", PinDirection::Out, PinKind::Bool, nullptr, kFlags},
    {"Output FALSE if ", PinDirection::Parameter, PinKind::Enum, "0", kFlags,
     "Eq to TH=0,TH or Less"},
    {"Threshold (TH)", PinDirection::Parameter, PinKind::Float, "0", kFlags},
    {"Invert Output", PinDirection::Parameter, PinKind::Bool, "0", kFlags},
};

}  // namespace float_to_bool

class FloatToBool final : public SleepingModule {
public:
    using SleepingModule::SleepingModule;

protected:
    void open() override {
        selectProcessSleep();
        SleepingModule::open();
        input = 0.0f;
        output = 0;
    }

    bool getPinProperties(int32_t index, PinProperties* out) override {
        void* const members[] = {&input, &output, &falseCondition, &threshold, &invert};
        return describePin(float_to_bool::kPins, members, index, out);
    }

    void onPlugStateChange(modframe::Plug&) override {
        if (plugCount() <= float_to_bool::kBool) return;
        output = boolForInput(input, threshold, falseCondition, invert != 0) ? 1 : 0;
        plug(float_to_bool::kBool).transmitStatus(sampleClock(), PinStatus::OneOff);
    }

private:
    float input = 0.0f;          // "Float"
    uint8_t output = 0;          // "Bool"
    int16_t falseCondition = 0;  // "Output FALSE if ": a FalseCondition
    float threshold = 0.0f;      // "Threshold (TH)"
    uint8_t invert = 0;          // "Invert Output"
};

}  // namespace value_converters
