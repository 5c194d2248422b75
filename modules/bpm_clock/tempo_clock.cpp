#include "tempo_clock.h"

#include <algorithm>

#include "modframe/module_entries.h"

namespace bpm_clock {

namespace {

constexpr float kPulseHigh = 0.5f;  // 5 volts
constexpr float kRunning = 1.0f;    // 10 volts
constexpr float kTempoOutAtOpen = 10.0f;

// Sample-clock words wrap; so does a time stamp counted on from one.
int32_t clockPlus(int32_t clock, int32_t samples) {
    return int32_t(uint32_t(clock) + uint32_t(samples));
}

PinProperties output(float** buffer, const char* name) {
    PinProperties p{};
    p.variable = buffer;
    p.direction = PinDirection::Out;
    p.kind = PinKind::Audio;
    p.name = name;
    return p;
}

}  // namespace

TempoClock::TempoClock(HostCallback callback, void* hostPtr)
    : ProcessingModule(callback, hostPtr) {}

void TempoClock::open() {
    setProcessRoutine(modframe::routine<&TempoClock::processClock>());
    ProcessingModule::open();
    tempoOut.set(sampleClock(), kTempoOutAtOpen);
}

bool TempoClock::getPinProperties(int32_t index, PinProperties* out) {
    switch (index) {
        case 0: *out = output(pulseOut.bufferMember(), "Pulse Out"); return true;
        case 1: *out = output(barStart.bufferMember(), "Bar Start"); return true;
        case 2: *out = output(tempoOut.bufferMember(), "Tempo Out"); return true;
        case 3: *out = output(transportRun.bufferMember(), "Transport Run"); return true;
        case 4:
            *out = PinProperties{};
            out->variable = &pulseDivide;
            out->direction = PinDirection::In;
            out->kind = PinKind::Enum;
            out->name = "Pulse Divide";
            out->defaultValue = "4";
            out->kindExtra = "64=64,32=32,24=24,16=16,12=12,8=8,6=6,4=4,3=3,2=2,1=1";
            return true;
        default: return false;
    }
}

// Copies held values up to each edge, toggles the pulse at the edge and
// schedules the next one; the host's time information is read at the first
// edge of the call only.
void TempoClock::processClock(int32_t offset, int32_t count) {
    if (count <= 0) return;
    int32_t remaining = count;
    int32_t position = offset;
    bool hostFollowed = false;
    while (true) {
        int32_t samples = std::min(samplesToNextEdge, remaining);
        fillOutputs(position, samples);
        remaining -= samples;
        samplesToNextEdge -= samples;
        if (remaining == 0) return;
        position += samples;
        int32_t time = clockPlus(sampleClock(), count - remaining);
        toggle(time);
        if (!hostFollowed) {
            followHost(time, position);
            hostFollowed = true;
        }
        samplesToNextEdge = schedule.scheduleNextEdge();
    }
}

void TempoClock::fillOutputs(int32_t offset, int32_t count) {
    tempoOut.fill(offset, count);
    pulseOut.fill(offset, count);
    barStart.fill(offset, count);
    transportRun.fill(offset, count);
}

// Bar Start is high exactly during the high half of a bar's first pulse.
void TempoClock::toggle(int32_t time) {
    bool rising = pulseOut.value() == 0.0f;
    bool bar = rising && schedule.countRisingEdge(pulseDivideNow());
    pulseOut.set(time, rising ? kPulseHigh : 0.0f);
    barStart.set(time, bar ? kPulseHigh : 0.0f);
}

// Without a time record the clock keeps its tempo and leaves Tempo Out and
// Transport Run as they are.
void TempoClock::followHost(int32_t time, int32_t position) {
    auto* info = reinterpret_cast<const TimeInfo*>(
        callHost(HostOp::GetTimeInfo, 0, kTimeInfoRequest, nullptr));
    if (info == nullptr) {
        schedule.keepTempo(sampleRate(), pulseDivideNow());
        return;
    }
    bool usable = schedule.followTempo(info->tempo, sampleRate(), pulseDivideNow());
    bool running = (info->flags & kTransportRunning) != 0;
    // An unusable tempo says nothing about where the host's beats fall.
    if (running && usable) {
        double ppqAtEdge = info->ppqPosition + position * schedule.beatsPerSample();
        schedule.followPosition(ppqAtEdge, pulseOut.value() == 0.0f, pulseDivideNow());
    }
    tempoOut.set(time, tempoVoltage(info->tempo));
    transportRun.set(time, running ? kRunning : 0.0f);
}

}  // namespace bpm_clock
