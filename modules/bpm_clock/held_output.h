// One output of the tempo clock: holds a value, writes it into the pin's
// buffer for one block after each change and leaves the buffer alone
// afterwards, since the host has been told the output changed only then.
#pragma once

#include <algorithm>

#include "modframe/processing_module.h"

namespace bpm_clock {

class HeldOutput {
public:
    HeldOutput(modframe::ProcessingModule* module, int32_t pin) : module_(module), pin_(pin) {}

    // The buffer-pointer member the host fills in through the pin's `variable`.
    float** bufferMember() { return &buffer_; }
    float value() const { return value_; }

    // Inline: the clock calls it for every output on every call.
    void fill(int32_t offset, int32_t count) {
        if (countdown_ < 0 || count <= 0) return;
        int32_t samples = std::min(count, countdown_);
        if (buffer_ != nullptr) std::fill(buffer_ + offset, buffer_ + offset + samples, value_);
        countdown_ -= samples;
    }
    // A new value from sample-clock `time` on; the same value again is no change.
    void set(int32_t time, float value);

private:
    float* buffer_ = nullptr;
    float value_ = 0.0f;
    modframe::ProcessingModule* module_;
    int32_t pin_;
    int32_t countdown_ = 200;  // samples still to be written
};

}  // namespace bpm_clock
