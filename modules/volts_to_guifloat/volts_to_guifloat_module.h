// Processing half of "ZRM Volts2GuiFloat": publishes the sampled voltage on
// "DSP 2 GUI - Out", which the host carries to the panel half.
#pragma once

#include "sampling_converter.h"

namespace volts_to_guifloat {

class VoltsToGuiFloat final : public sampling::SamplingConverter {
public:
    VoltsToGuiFloat(HostCallback callback, void* hostPtr);

protected:
    bool getPinProperties(int32_t index, PinProperties* out) override;
    void clearOutput() override;
    void publish() override;

private:
    float dspToGuiOut = 0.0f;
    float dspToGuiIn = 0.0f;  // the panel half's pin; never read here
    float floatOut = 0.0f;    // cleared at open and never written again
};

}  // namespace volts_to_guifloat
