#include "midi_to_keys_module.h"

#include <algorithm>

#include "modframe/module_entries.h"

namespace midi_to_keys {

namespace {

enum Pin : int32_t { kOctave = 0, kMidiIn = 1, kMidiOut = 2, kFirstKey = 3 };

// A key event keeps the outputs written for this many process calls.
constexpr int32_t kCallsAfterKeyEvent = 10;

constexpr const char* kKeyNames[kKeyCount] = {"C",  "C#", "D",  "D#", "E",  "F",
                                              "F#", "G",  "G#", "A",  "A#", "B"};

PinProperties pin(void* variable, PinDirection direction, PinKind kind, const char* name) {
    PinProperties p{};
    p.variable = variable;
    p.direction = direction;
    p.kind = kind;
    p.name = name;
    return p;
}

}  // namespace

void MidiToKeysModule::open() {
    keys.releaseAll();
    countdown = 0;
    ProcessingModule2120::open();
    setProcessRoutine(modframe::routine<&MidiToKeysModule::processKeys>());
    char scratch[100] = {};
    callHost(HostOp::FillScratchBuffer, 0, 0, scratch);
}

bool MidiToKeysModule::getPinProperties(int32_t index, PinProperties* out) {
    switch (index) {
        case kOctave:
            *out = pin(&octave, PinDirection::In, PinKind::Enum, "Octave");
            out->defaultValue = "3";
            out->kindExtra = "0=0,1=12,2=24,3=36,4=48,5=60,6=72,7=84,8=96,9=108";
            return true;
        case kMidiIn: *out = pin(nullptr, PinDirection::In, PinKind::Midi, "MIDI In"); return true;
        case kMidiOut:
            *out = pin(nullptr, PinDirection::Out, PinKind::Midi, "MIDI Out");
            return true;
        default:
            if (index < kFirstKey || index >= kFirstKey + kKeyCount) return false;
            *out = pin(&keyBuffers[index - kFirstKey], PinDirection::Out, PinKind::Audio,
                       kKeyNames[index - kFirstKey]);
            out->defaultValue = "0";
            return true;
    }
}

void MidiToKeysModule::onMidiEvent(int32_t time, int32_t message, int16_t) {
    switch (kindOf(message)) {
        case MessageKind::System: passOn(time, message); return;
        case MessageKind::KeyChange:
            countdown = kCallsAfterKeyEvent;
            keys.apply(message, octave);
            reportKeys();
            break;
        case MessageKind::OtherChannel: break;
    }
    passOn(time, threeBytes(message));
}

// Every key output is reported as changed, whether or not its key did.
void MidiToKeysModule::reportKeys() {
    int32_t now = sampleClock();
    for (int32_t i = kFirstKey; i < kFirstKey + kKeyCount && i < plugCount(); ++i)
        plug(i).transmitStatus(now, PinStatus::OneOff);
}

void MidiToKeysModule::passOn(int32_t time, int32_t message) {
    if (kMidiOut < plugCount()) plug(kMidiOut).sendMidi(time, message);
}

void MidiToKeysModule::processKeys(int32_t offset, int32_t count) {
    countdown -= 1;
    for (int32_t k = 0; k < kKeyCount; ++k)
        if (keyBuffers[k] != nullptr && count > 0)
            std::fill(keyBuffers[k] + offset, keyBuffers[k] + offset + count, keys.key(k));
    if (countdown > 0) return;
    countdown = 0;
    requestSleep();
}

}  // namespace midi_to_keys
