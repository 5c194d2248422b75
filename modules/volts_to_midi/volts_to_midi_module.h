// Reads five voltages as whole numbers, builds one legal MIDI message from
// them and sends it when "Trigger" goes true or, in the time-based mode, at
// the chosen rate while an input streams.
#pragma once

#include "message_assembler.h"
#include "modframe/processing_module.h"

namespace volts_to_midi {

class VoltsToMidiModule final : public modframe::ProcessingModule {
public:
    using ProcessingModule::ProcessingModule;

protected:
    void open() override;
    bool getPinProperties(int32_t index, PinProperties* out) override;
    void onPlugStateChange(modframe::Plug& plug) override;

private:
    void processIdle(int32_t offset, int32_t count);
    void processStreaming(int32_t offset, int32_t count);
    void onTimer();

    void chooseRoutine();
    bool anyVoltageStreaming();
    void readInputs();
    void assembleAndSend();
    void queueTimer(int32_t delay);

    int16_t triggerSource = 1;
    float samplingRate = 40.0f;
    uint8_t trigger = 0;
    bool timerIdle = true;     // no time-based chain is running
    bool timerQueued = false;  // a timer call is pending with the host
    int32_t countdown = 0;     // samples left before the idle routine sleeps
    int32_t period = 0;        // samples between timer calls
    float openSampleRate = 0.0f;
    MessageAssembler assembler;
    int32_t sneakyGit = 0;
    Readings readings;
    float* inputBuffers[5] = {};
};

}  // namespace volts_to_midi
