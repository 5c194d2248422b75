// Processing half of "QV_VoltageToFloat": sends the value of "Signal In", in
// volts, to its panel half ("d" messages) whenever it moves.
#pragma once

#include "modframe/processing_module.h"

namespace voltage_to_float {

class VoltageToFloat final : public modframe::ProcessingModule {
public:
    using ProcessingModule::ProcessingModule;

protected:
    void open() override;
    bool getPinProperties(int32_t index, PinProperties* out) override;
    void onPlugStateChange(modframe::Plug& plug) override;

private:
    void processWatch(int32_t offset, int32_t count);
    void processWatchCounted(int32_t offset, int32_t count);
    void sendDisplay(float signal);

    float* signalIn = nullptr;
    float value = 0.0f;  // "Value" belongs to the panel half; never read here
    float lastSent = 0.0f;
    int32_t holdCount = 0;
};

}  // namespace voltage_to_float
