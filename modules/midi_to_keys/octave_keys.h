// The twelve keys of one octave as Note On, Note Off and All Notes Off leave
// them: 1.0 (10 volts) while held, 0 when released.
#pragma once

#include <cstdint>

namespace midi_to_keys {

inline constexpr int32_t kKeyCount = 12;

enum class MessageKind { System, KeyChange, OtherChannel };

// System messages travel whole; Note Off, Note On and Control Change may
// change keys; everything else is passed on as a channel message.
MessageKind kindOf(int32_t message);
// The message as its three bytes: status, data 1, data 2.
inline int32_t threeBytes(int32_t message) {
    return message & 0xFFFFFF;
}

class OctaveKeys {
public:
    // Applies a Note Off, Note On or Control Change for the octave whose C is
    // note `octave`; notes outside it change nothing.
    void apply(int32_t message, int32_t octave);
    void releaseAll();
    float key(int32_t k) const { return keys_[k]; }

private:
    void setNote(int32_t note, int32_t octave, float value);

    float keys_[kKeyCount] = {};
};

}  // namespace midi_to_keys
