// Shows the twelve keys of the chosen octave of a MIDI stream as gate
// voltages, for animating a keyboard picture, and passes every message on.
#pragma once

#include "modframe/processing_module.h"
#include "octave_keys.h"

namespace midi_to_keys {

class MidiToKeysModule final : public modframe::ProcessingModule2120 {
public:
    using ProcessingModule2120::ProcessingModule2120;

protected:
    void open() override;
    bool getPinProperties(int32_t index, PinProperties* out) override;
    void onMidiEvent(int32_t time, int32_t message, int16_t value2) override;

private:
    void processKeys(int32_t offset, int32_t count);
    void reportKeys();
    void passOn(int32_t time, int32_t message);

    float* keyBuffers[kKeyCount] = {};
    int16_t octave = 36;
    OctaveKeys keys;
    int32_t countdown = 0;  // process calls left before the module sleeps
};

}  // namespace midi_to_keys
