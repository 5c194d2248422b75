// The design that "ZRM Volts2Int" and "ZRM Volts2GuiFloat" share: while
// "Volts" streams, its samples are cut into windows by a chain of deferred
// `windowEnd` calls, and each window is reduced to one value in volts
// (`scaled`) by the chosen sampling method; while it is constant, the
// current sample gives the value at once. Each module publishes the value
// on its own output.
#pragma once

#include "modframe/processing_module.h"

namespace sampling {

// Plug indices of the pins the converter itself handles.
struct ConverterPlugs {
    int32_t volts;
    int32_t method;
    int32_t rate;
    int32_t announced;  // reported as changed when sampling starts
    int32_t needed;     // plugs the module must have to work at all
};

class SamplingConverter : public modframe::ProcessingModule {
public:
    SamplingConverter(HostCallback callback, void* hostPtr, const ConverterPlugs& plugs)
        : ProcessingModule(callback, hostPtr), plugs_(plugs) {}

protected:
    void open() override;
    void onPlugStateChange(modframe::Plug& plug) override;

    // Clears the module's output members when it opens.
    virtual void clearOutput() = 0;
    // Sets the module's output from `scaled` and reports it changed now.
    virtual void publish() = 0;

    bool hasPlugs() const { return plugCount() >= plugs_.needed; }

    float* volts = nullptr;
    float scaled = 0.0f;  // the current result in volts
    int16_t samplingMethod = 1;
    float samplingRate = 40.0f;

private:
    void followInput();
    void startSampling();
    void holdConstantInput(const modframe::Plug& input);
    void acceptSamplingRate();
    void queueWindowEnd(int32_t samples);
    void windowEnd();
    void reduceWindow();
    ProcessRoutine samplingRoutine() const;
    ProcessRoutine constantRoutine() const;

    void processTakeFirst(int32_t offset, int32_t count);
    void processSkip(int32_t offset, int32_t count);
    void processTrackLast(int32_t offset, int32_t count);
    void processTakeFirstTrackLast(int32_t offset, int32_t count);
    void processAccumulate(int32_t offset, int32_t count);
    void processConstantFirst(int32_t offset, int32_t count);
    void processConstantLast(int32_t offset, int32_t count);
    void processConstantAccumulate(int32_t offset, int32_t count);
    void finishCountdown(int32_t count);

    ConverterPlugs plugs_;
    int32_t windowCount = 0;        // samples summed into windowSum in this window
    int32_t holdCount = 0;          // samples left before a constant-input routine sleeps
    bool samplingStopped = true;    // the window timer is stopped: a windowEnd queues no successor
    bool windowEndPending = false;  // a windowEnd is queued with the host
    float firstSample = 0.0f;
    float lastSample = 0.0f;
    float windowSum = 0.0f;
    int32_t windowLength = 0;
    float openSampleRate = 0.0f;
};

}  // namespace sampling
