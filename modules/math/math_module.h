// The sine, square or cube of an audio stream, sample by sample.
#pragma once

#include "modframe/module_entries.h"

namespace math_modules {

using modframe::Plug;

// Function is one of the policies of math_functions.h: the per-sample
// arithmetic plus the texts that describe the library.
template <class Function>
class MathModule final : public modframe::ProcessingModule2120 {
public:
    using ProcessingModule2120::ProcessingModule2120;

protected:
    void open() override {
        ProcessingModule2120::open();
        setProcessRoutine(modframe::routine<&MathModule::processCompute>());
        char scratch[100] = {};
        callHost(HostOp::FillScratchBuffer, 0, 0, scratch);
    }

    bool getPinProperties(int32_t index, PinProperties* out) override {
        switch (index) {
            case 0: *out = pin(&inputBuffer, PinDirection::In, "Input", "0"); return true;
            case 1: *out = pin(&outputBuffer, PinDirection::Out, "Output", nullptr); return true;
            default: return false;
        }
    }

    // The output carries the input's status, except that a constant input whose
    // current sample is exactly zero is passed on as a one-off change.
    void onPlugStateChange(Plug&) override {
        if (plugCount() < 2) return;
        Plug& input = plug(0);
        PinStatus status = input.status();
        bool constant = int32_t(status) < int32_t(PinStatus::Streaming);
        if (constant && input.currentValue() == 0.0f) status = PinStatus::OneOff;
        plug(1).transmitStatus(sampleClock(), status);
        if (constant) {
            holdCount = blockSize();
            setProcessRoutine(modframe::routine<&MathModule::processComputeCounted>());
        } else {
            setProcessRoutine(modframe::routine<&MathModule::processCompute>());
        }
    }

private:
    static PinProperties pin(float** variable, PinDirection direction, const char* name,
                             const char* defaultValue) {
        PinProperties p{};
        p.variable = variable;
        p.direction = direction;
        p.kind = PinKind::Audio;
        p.name = name;
        p.defaultValue = defaultValue;
        return p;
    }

    void processCompute(int32_t offset, int32_t count) {
        if (inputBuffer == nullptr || outputBuffer == nullptr) return;  // no buffers from the host
        Function::applyBlock(inputBuffer + offset, outputBuffer + offset, count);
    }

    // Computes one block's worth of samples after the input became constant,
    // then asks to sleep on this and every later call.
    void processComputeCounted(int32_t offset, int32_t count) {
        processCompute(offset, count);
        // Stops at 0 rather than wrapping, for a host that keeps calling after
        // sleep was asked or announced a block size of 0 or below.
        holdCount = holdCount > count ? holdCount - count : 0;
        if (holdCount <= 0) requestSleep();
    }

    float* inputBuffer = nullptr;
    float* outputBuffer = nullptr;
    int32_t holdCount = 0;
};

}  // namespace math_modules
