// Builds one legal MIDI message from the five voltage readings of the module:
// a combined message, status, channel, data 1 and data 2. A message is built
// only when a reading changed since the last assembly; the changed input of
// highest priority (combined, then status, channel, data 1, data 2) decides
// from which step on the stored values are legalised.
#pragma once

#include <climits>
#include <cstdint>

namespace volts_to_midi {

// Latest samples of the five voltage inputs, in host units (1.0 is 10 volts).
struct Readings {
    float combined = 0.0f;
    float status = 0.0f;
    float channel = 0.0f;
    float data1 = 0.0f;
    float data2 = 0.0f;
};

// What a reading without an int32 whole number of volts gives: NaN, infinite
// or beyond the range. No step takes it for a status byte, so it makes no
// message by itself; as a channel it is channel 1 and as data 0.
inline constexpr int32_t kNoWholeNumber = INT32_MIN;

// A reading as a whole number of volts, truncated downwards.
int32_t wholeVolts(float reading);

// Whether `status` is one a message may carry: a channel message kind with
// channel 0, or a system message.
bool isLegalStatus(int32_t status);

class MessageAssembler {
public:
    // The packed message to send for these readings, or 0 when nothing is to
    // be sent. A dropped message also zeroes the status reading.
    int32_t assemble(Readings& readings);
    int32_t lastSent() const { return lastSent_; }

private:
    enum class Step { None = 0, Combined = 3, Status = 4, Channel = 5, Data1 = 6, Data2 = 7 };
    struct WholeNumbers {
        int32_t combined, status, channel, data1, data2;
    };

    Step storeChanges(const WholeNumbers& n);
    bool takeCombined(int32_t& channelNumber);
    void legaliseChannel(int32_t channelNumber);
    int32_t drop(Readings& readings);

    int32_t combined_ = 0;
    int32_t status_ = 0;
    int32_t channel_ = 0;  // 0-based while a channel message is assembled
    int32_t data1_ = 0;
    int32_t data2_ = 0;
    int32_t channelUsed_ = 0;  // 1 when the last status was a channel message
    int32_t lastSent_ = 0;
};

}  // namespace volts_to_midi
