#include "octave_keys.h"

namespace midi_to_keys {

namespace {

constexpr int32_t kNoteOff = 0x80;
constexpr int32_t kNoteOn = 0x90;
constexpr int32_t kControlChange = 0xB0;
constexpr int32_t kSystem = 0xF0;
constexpr int32_t kAllNotesOff = 123;
constexpr float kHeld = 1.0f;

}  // namespace

MessageKind kindOf(int32_t message) {
    switch (message & 0xF0) {
        case kSystem: return MessageKind::System;
        case kNoteOff:
        case kNoteOn:
        case kControlChange: return MessageKind::KeyChange;
        default: return MessageKind::OtherChannel;
    }
}

void OctaveKeys::apply(int32_t message, int32_t octave) {
    int32_t note = (message >> 8) & 0xFF;
    int32_t velocity = (message >> 16) & 0xFF;
    switch (message & 0xF0) {
        case kNoteOff: setNote(note, octave, 0.0f); break;
        case kNoteOn: setNote(note, octave, velocity == 0 ? 0.0f : kHeld); break;
        case kControlChange:
            if (note == kAllNotesOff) releaseAll();
            break;
        default: break;
    }
}

void OctaveKeys::releaseAll() {
    for (float& key : keys_) key = 0.0f;
}

void OctaveKeys::setNote(int32_t note, int32_t octave, float value) {
    int32_t k = note - octave;
    if (k >= 0 && k < kKeyCount) keys_[k] = value;
}

}  // namespace midi_to_keys
