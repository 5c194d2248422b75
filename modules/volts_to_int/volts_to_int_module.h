// "ZRM Volts2Int": the sampled voltage as a whole number on "Int", rounded
// by the chosen "Rounding Mode".
#pragma once

#include "rounding.h"
#include "sampling_converter.h"

namespace volts_to_int {

class VoltsToInt final : public sampling::SamplingConverter {
public:
    VoltsToInt(HostCallback callback, void* hostPtr);

protected:
    bool getPinProperties(int32_t index, PinProperties* out) override;
    void onPlugStateChange(modframe::Plug& plug) override;
    void clearOutput() override;
    void publish() override;

private:
    double roundingOffset = sampling::kTruncateOffset;
    int32_t intOut = 0;
    int16_t roundingMode = 0;
};

}  // namespace volts_to_int
