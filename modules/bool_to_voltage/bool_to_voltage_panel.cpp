#include "bool_to_voltage_panel.h"

#include "data_messages.h"

namespace bool_to_voltage {

namespace {

enum PanelPinIndex : int32_t { kBoolIn = 0, kLoVal = 1, kHiVal = 2 };

// Panel levels are volts; the processing half works in signal units.
constexpr double kVoltsToSignal = double(0.1f);

}  // namespace

void BoolToVoltagePanel::open(bool keepValues) {
    if (keepValues) return;
    setPinFloat(kLoVal, 0.0f);
    setPinFloat(kHiVal, 10.0f);
}

void BoolToVoltagePanel::receiveData(int32_t, int32_t index, void* data) {
    switch (data_messages::letterOf(data, index)) {
        case data_messages::kOpened:
            sendingEnabled = true;
            sendValue();
            break;
        case data_messages::kStopped: sendingEnabled = false; break;
        default: break;
    }
}

// A new "Lo Val" or "Hi Val" goes out with the next change of "Bool In".
void BoolToVoltagePanel::pinChanged(modframe::PanelPin* pin) {
    if (pin != nullptr && pin->index() == kBoolIn) sendValue();
}

void BoolToVoltagePanel::sendValue() {
    bool high = getPinBool(kBoolIn);
    float level = getPinFloat(high ? kHiVal : kLoVal);
    data_messages::Message message =
        data_messages::numberMessage(data_messages::kLevel, level * kVoltsToSignal);
    if (!sendingEnabled) return;
    try {
        callHost(PanelHostOp::SendData, message.byteCount, 0, message.text);
    } catch (...) {
        // The host failed to take the message; the panel carries on as before.
    }
}

}  // namespace bool_to_voltage
