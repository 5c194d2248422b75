#include "held_output.h"

#include <algorithm>

namespace bpm_clock {

void HeldOutput::fill(int32_t offset, int32_t count) {
    if (countdown_ < 0 || count <= 0) return;
    int32_t samples = std::min(count, countdown_);
    if (buffer_ != nullptr) std::fill(buffer_ + offset, buffer_ + offset + samples, value_);
    countdown_ -= samples;
}

void HeldOutput::set(int32_t time, float value) {
    if (value == value_) return;
    countdown_ = module_->blockSize();
    value_ = value;
    if (pin_ < module_->plugCount()) module_->plug(pin_).transmitStatus(time, PinStatus::OneOff);
}

}  // namespace bpm_clock
