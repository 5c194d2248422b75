#include "volts_to_midi_module.h"

#include "modframe/module_entries.h"
#include "timer_period.h"

namespace volts_to_midi {

namespace {

enum Pin : int32_t {
    kTriggerSource = 0,
    kSamplingRate = 1,
    kTrigger = 2,
    kFirstVoltage = 3,  // combined, status, channel, data 1, data 2
    kVoltageCount = 5,
    kMidi = 8,
    kSneakyGit = 9,
};

enum TriggerSource : int16_t { kFromTrigger = 1, kTimeBased = 2 };

// Settings of the panel half that the processing side reads too.
constexpr int32_t kPanelParameter =
    PinFlag::Bit20000 | PinFlag::VisibleToProcessing | int32_t(PinFlag::PanelSide);
constexpr int32_t kPlain = int32_t(PinFlag::Bit20000);
constexpr int32_t kUnusedParameter = PinFlag::Bit20000 | PinFlag::Bit100;

constexpr const char* kVoltageNames[kVoltageCount] = {"Voltage Combined", "Status", "Channel",
                                                      "Data 1", "Data 2"};

PinProperties pin(void* variable, PinDirection direction, PinKind kind, const char* name,
                  int32_t flags) {
    PinProperties p{};
    p.variable = variable;
    p.direction = direction;
    p.kind = kind;
    p.name = name;
    p.flags = flags;
    return p;
}

int32_t clockPlus(int32_t clock, int32_t samples) {
    return int32_t(uint32_t(clock) + uint32_t(samples));
}

}  // namespace

void VoltsToMidiModule::open() {
    setProcessRoutine(modframe::routine<&VoltsToMidiModule::processIdle>());
    ProcessingModule::open();
    trigger = 0;
    timerIdle = true;
    timerQueued = false;
    countdown = blockSize();
    openSampleRate = sampleRate();
    period = timerPeriod(openSampleRate, 1.0f);
    assembler = MessageAssembler{};
    readings = Readings{};
}

bool VoltsToMidiModule::getPinProperties(int32_t index, PinProperties* out) {
    switch (index) {
        case kTriggerSource:
            *out = pin(&triggerSource, PinDirection::In, PinKind::Enum, "Trigger MIDI from ",
                       kPanelParameter);
            out->defaultValue = "1";
            out->kindExtra = "Trigger=1,Time Based";
            return true;
        case kSamplingRate:
            *out = pin(&samplingRate, PinDirection::Parameter, PinKind::Float, "Sampling Rate (Hz)",
                       kPanelParameter);
            out->defaultValue = "40";
            return true;
        case kTrigger:
            *out = pin(&trigger, PinDirection::In, PinKind::Bool, "Trigger", kPlain);
            return true;
        case kMidi:
            *out = pin(nullptr, PinDirection::Out, PinKind::Midi, "MIDI", kPlain);
            return true;
        case kSneakyGit:
            *out = pin(&sneakyGit, PinDirection::Parameter, PinKind::Int, "SneakyGit",
                       kUnusedParameter);
            return true;
        default:
            if (index < kFirstVoltage || index >= kFirstVoltage + kVoltageCount) return false;
            *out = pin(&inputBuffers[index - kFirstVoltage], PinDirection::In, PinKind::Audio,
                       kVoltageNames[index - kFirstVoltage], kPlain);
            return true;
    }
}

void VoltsToMidiModule::onPlugStateChange(modframe::Plug& plug) {
    countdown = blockSize();
    switch (plug.index()) {
        case kSamplingRate:
            samplingRate = acceptedSamplingRate(samplingRate);
            period = timerPeriod(openSampleRate, samplingRate);
            break;
        case kTrigger:
            if (trigger != 0 && triggerSource == kFromTrigger) assembleAndSend();
            break;
        case kSneakyGit:
            readInputs();
            if (triggerSource == kTimeBased) assembleAndSend();
            if (triggerSource == kFromTrigger && trigger != 0) assembleAndSend();
            break;
        default: break;
    }
    chooseRoutine();
}

// One chain of timer calls at most: an input that starts streaming again
// while the last chain's call is still pending revives that chain.
void VoltsToMidiModule::chooseRoutine() {
    if (!anyVoltageStreaming()) {
        setProcessRoutine(modframe::routine<&VoltsToMidiModule::processIdle>());
        return;
    }
    setProcessRoutine(modframe::routine<&VoltsToMidiModule::processStreaming>());
    if (!timerQueued) queueTimer(blockSize());
    timerIdle = false;
}

bool VoltsToMidiModule::anyVoltageStreaming() {
    for (int32_t i = kFirstVoltage; i < kFirstVoltage + kVoltageCount && i < plugCount(); ++i)
        if (plug(i).isStreaming()) return true;
    return false;
}

void VoltsToMidiModule::processIdle(int32_t, int32_t count) {
    readInputs();
    countdown = countdown > count ? countdown - count : 0;
    if (countdown > 0) return;
    timerIdle = true;
    requestSleep();
}

void VoltsToMidiModule::processStreaming(int32_t, int32_t) {
    readInputs();
}

void VoltsToMidiModule::onTimer() {
    timerQueued = false;
    if (triggerSource == kTimeBased) assembleAndSend();
    if (timerIdle) {
        requestSleep();
        return;
    }
    queueTimer(period);
}

void VoltsToMidiModule::queueTimer(int32_t delay) {
    queueDeferredCall(clockPlus(sampleClock(), delay),
                      modframe::deferred<&VoltsToMidiModule::onTimer>());
    timerQueued = true;
}

void VoltsToMidiModule::readInputs() {
    if (plugCount() < kFirstVoltage + kVoltageCount) return;
    readings.combined = plug(kFirstVoltage).currentValue();
    readings.status = plug(kFirstVoltage + 1).currentValue();
    readings.channel = plug(kFirstVoltage + 2).currentValue();
    readings.data1 = plug(kFirstVoltage + 3).currentValue();
    readings.data2 = plug(kFirstVoltage + 4).currentValue();
}

void VoltsToMidiModule::assembleAndSend() {
    int32_t message = assembler.assemble(readings);
    if (message != 0 && kMidi < plugCount()) plug(kMidi).sendMidi(sampleClock(), message);
}

}  // namespace volts_to_midi
