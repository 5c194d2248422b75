// Processing half of "QV_BoolToVoltage": writes the level its panel half
// sends ("v" messages) to every sample of "Voltage Out".
#pragma once

#include "modframe/processing_module.h"

namespace bool_to_voltage {

class BoolToVoltage final : public modframe::ProcessingModule {
public:
    using ProcessingModule::ProcessingModule;

protected:
    void open() override;
    void close() override;
    bool getPinProperties(int32_t index, PinProperties* out) override;
    void receiveData(int32_t value, int32_t index, void* data) override;

private:
    void processFill(int32_t offset, int32_t count);
    void sendLetter(char letter);

    int32_t blockLength = 0;
    uint8_t boolIn = 0;  // the panel-side pins' members; only the panel half reads them
    float loVal = 0.0f;
    float hiVal = 10.0f;
    float* voltageOut = nullptr;
    float outputValue = 0.0f;
    int32_t holdCount = 0;
};

}  // namespace bool_to_voltage
