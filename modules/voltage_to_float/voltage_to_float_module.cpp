#include "voltage_to_float_module.h"

#include "countdown.h"
#include "data_messages.h"
#include "modframe/module_entries.h"

namespace voltage_to_float {

namespace {

constexpr int32_t kSignalInPlug = 0;  // "Value" is panel-side and has no plug
constexpr float kMoveThreshold = 1e-6f;
constexpr double kSignalToVolts = 10.0;

}  // namespace

void VoltageToFloat::open() {
    ProcessingModule::open();
    data_messages::Message opened = data_messages::letterMessage(data_messages::kOpened);
    callHost(HostOp::SendData, opened.byteCount, 0, opened.text);
    setProcessRoutine(modframe::routine<&VoltageToFloat::processWatch>());
}

bool VoltageToFloat::getPinProperties(int32_t index, PinProperties* out) {
    switch (index) {
        case 0:
            out->variable = &signalIn;
            out->direction = PinDirection::In;
            out->kind = PinKind::Audio;
            out->name = "Signal In";
            out->flags = int32_t(PinFlag::Bit200);
            return true;
        case 1:
            out->variable = &value;
            out->direction = PinDirection::Out;
            out->kind = PinKind::Float;
            out->name = "Value";
            out->flags = int32_t(PinFlag::PanelSide);
            return true;
        default: return false;
    }
}

// A status change always sends the current value, moved or not.
void VoltageToFloat::onPlugStateChange(modframe::Plug& plug) {
    if (plug.index() != kSignalInPlug) return;
    sendDisplay(plug.currentValue());
    if (plug.isStreaming()) {
        setProcessRoutine(modframe::routine<&VoltageToFloat::processWatch>());
    } else {
        holdCount = blockSize();
        setProcessRoutine(modframe::routine<&VoltageToFloat::processWatchCounted>());
    }
}

// Looks at the first sample of the call only: at most one message per call.
void VoltageToFloat::processWatch(int32_t offset, int32_t count) {
    if (signalIn == nullptr || count <= 0) return;
    float signal = signalIn[offset];
    float moved = signal - lastSent;
    if (moved > kMoveThreshold || moved < -kMoveThreshold) {
        lastSent = signal;
        sendDisplay(signal);
    }
}

void VoltageToFloat::processWatchCounted(int32_t offset, int32_t count) {
    processWatch(offset, count);
    if (quorvex::countDown(holdCount, count)) requestSleep();
}

void VoltageToFloat::sendDisplay(float signal) {
    data_messages::Message message =
        data_messages::numberMessage(data_messages::kDisplay, signal * kSignalToVolts);
    callHost(HostOp::SendData, message.byteCount, 0, message.text);
}

}  // namespace voltage_to_float
