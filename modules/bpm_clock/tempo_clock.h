// The tempo clock: a square pulse train at "Pulse Divide" pulses per beat of
// the host's tempo, a bar-start pulse every four beats, the tempo as a
// voltage and the transport state, all from the host's time information.
#pragma once

#include "held_output.h"
#include "pulse_schedule.h"

namespace bpm_clock {

class TempoClock final : public modframe::ProcessingModule {
public:
    TempoClock(HostCallback callback, void* hostPtr);

protected:
    void open() override;
    bool getPinProperties(int32_t index, PinProperties* out) override;

private:
    void processClock(int32_t offset, int32_t count);
    void fillOutputs(int32_t offset, int32_t count);
    void toggle(int32_t time);
    void followHost(int32_t time, int32_t position);
    int32_t pulseDivideNow() const { return countablePulseDivide(pulseDivide); }

    HeldOutput tempoOut{this, 2};
    HeldOutput pulseOut{this, 0};
    HeldOutput barStart{this, 1};
    HeldOutput transportRun{this, 3};
    PulseSchedule schedule;
    int32_t samplesToNextEdge = 0;
    int16_t pulseDivide = 4;
};

}  // namespace bpm_clock
