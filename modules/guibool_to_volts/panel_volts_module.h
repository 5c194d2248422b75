// The processing half shared by the modules that turn a panel value into a
// constant voltage: plug 0 carries the panel value in volts, plug 1 is the
// audio output.
#pragma once

#include <algorithm>

#include "modules/guibool_to_volts/sleeping_module.h"

namespace value_converters {

// An audio sample carries volts times 0.1, the product rounded to float.
inline constexpr float kSamplePerVolt = 0.1f;

inline float voltsToSample(float volts) {
    return volts * kSamplePerVolt;
}

class PanelVoltsModule : public SleepingModule {
public:
    using SleepingModule::SleepingModule;

protected:
    static constexpr int32_t kPanelValuePlug = 0;
    static constexpr int32_t kVoltsPlug = 1;

    void open() override {
        selectProcessSleep();
        SleepingModule::open();
        fillCount = blockSize();
    }

    void onPlugStateChange(modframe::Plug& changed) override {
        if (changed.index() != kPanelValuePlug || plugCount() <= kVoltsPlug) return;
        panelValue = voltsToSample(panelValue);
        modframe::Plug& output = plug(kVoltsPlug);
        output.transmitStatus(sampleClock(), PinStatus::Streaming);
        fillVolts(panelValue);
        output.transmitStatus(sampleClock(), PinStatus::OneOff);
    }

    // The whole block from element 0 on, wherever in the block the change fell.
    // The host's buffer holds the current block size, which may have shrunk
    // since open, so the fill never runs past it.
    void fillVolts(float sample) {
        int32_t count = std::min(fillCount, blockSize());
        if (volts != nullptr && count > 0) std::fill_n(volts, count, sample);
    }

    float panelValue = 0.0f;  // "GUI 2 DSP": volts as the host writes it, then its sample
    float* volts = nullptr;   // "Volts"
    int32_t fillCount = 0;    // samples written per change: the block size at open
};

}  // namespace value_converters
