#include "held_output.h"

namespace bpm_clock {

void HeldOutput::set(int32_t time, float value) {
    if (value == value_) return;
    countdown_ = module_->blockSize();
    value_ = value;
    if (pin_ < module_->plugCount()) module_->plug(pin_).transmitStatus(time, PinStatus::OneOff);
}

}  // namespace bpm_clock
