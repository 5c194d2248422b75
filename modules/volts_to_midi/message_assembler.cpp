#include "message_assembler.h"

#include <cmath>

namespace volts_to_midi {

namespace {

// Subtracted before rounding to nearest so that the result is the reading
// truncated downwards and a whole number of volts stays that number.
constexpr double kTruncation = 0.49999991059303284;

constexpr int32_t kChannelMessage = 0x80;
constexpr int32_t kSystemMessage = 0xF0;

}  // namespace

int32_t wholeVolts(float reading) {
    double shifted = double(reading * 10.0f) - kTruncation;
    if (!(shifted > double(INT32_MIN) - 0.5 && shifted < double(INT32_MAX) + 0.5))
        return kNoWholeNumber;
    return int32_t(std::nearbyint(shifted));
}

bool isLegalStatus(int32_t status) {
    if (status >= kSystemMessage && status <= 0xFF) return true;
    return status >= kChannelMessage && status < kSystemMessage && (status & 0x0F) == 0;
}

int32_t MessageAssembler::assemble(Readings& readings) {
    WholeNumbers n{wholeVolts(readings.combined), wholeVolts(readings.status),
                   wholeVolts(readings.channel), wholeVolts(readings.data1),
                   wholeVolts(readings.data2)};
    Step step = storeChanges(n);
    // The channel step works on the channel number as users give it, 1 to 16;
    // the stored channel is already 0-based.
    int32_t channelNumber = n.channel;
    switch (step) {
        case Step::None: return 0;
        case Step::Combined:
            if (!takeCombined(channelNumber)) return drop(readings);
            [[fallthrough]];
        case Step::Status:
            if (!isLegalStatus(status_)) return drop(readings);
            [[fallthrough]];
        case Step::Channel: legaliseChannel(channelNumber); [[fallthrough]];
        case Step::Data1: data1_ &= 0x7F; [[fallthrough]];
        case Step::Data2: data2_ &= 0x7F; break;
    }
    if (status_ == 0) return 0;
    lastSent_ = data2_ * 65536 + data1_ * 256 + status_ + channel_;
    return lastSent_;
}

// Stores every changed whole number; the last changed in this order wins.
MessageAssembler::Step MessageAssembler::storeChanges(const WholeNumbers& n) {
    Step step = Step::None;
    if (n.data2 != data2_) data2_ = n.data2, step = Step::Data2;
    if (n.data1 != data1_) data1_ = n.data1, step = Step::Data1;
    if (int64_t(n.channel) - channelUsed_ != channel_) channel_ = n.channel, step = Step::Channel;
    if (n.status != status_) status_ = n.status, step = Step::Status;
    if (n.combined != combined_) combined_ = n.combined, step = Step::Combined;
    return step;
}

// Splits the combined number 0x00d2d1sc into the message's fields. A status
// byte without its top bit says nothing usable: the message is dropped.
bool MessageAssembler::takeCombined(int32_t& channelNumber) {
    int32_t kind = combined_ & 0xF0;
    if (kind < kChannelMessage) return false;
    bool system = kind >= kSystemMessage;
    status_ = system ? combined_ & 0xFF : kind;
    channelNumber = system ? 0 : (combined_ & 0x0F) + 1;
    data1_ = (combined_ / 256) & 0xFF;
    data2_ = (combined_ / 65536) & 0xFF;
    return true;
}

void MessageAssembler::legaliseChannel(int32_t channelNumber) {
    if (status_ >= kSystemMessage) {
        channel_ = 0;
        channelUsed_ = 0;
        return;
    }
    channelUsed_ = 1;
    channel_ = ((channelNumber < 1 ? 1 : channelNumber) - 1) & 0x0F;
}

int32_t MessageAssembler::drop(Readings& readings) {
    status_ = 0;
    readings.status = 0.0f;
    lastSent_ = 0;
    return 0;
}

}  // namespace volts_to_midi
