#include "bool_to_voltage_module.h"

#include <chrono>
#include <thread>

#include "countdown.h"
#include "data_messages.h"
#include "modframe/module_entries.h"

namespace bool_to_voltage {

namespace {

constexpr int32_t kVoltageOutPlug = 0;  // the panel-side pins have no plug
constexpr auto kCloseWait = std::chrono::milliseconds(5);

PinProperties pin(void* variable, PinDirection direction, PinKind kind, const char* name,
                  const char* defaultValue, int32_t flags) {
    PinProperties p{};
    p.variable = variable;
    p.direction = direction;
    p.kind = kind;
    p.name = name;
    p.defaultValue = defaultValue;
    p.flags = flags;
    return p;
}

}  // namespace

void BoolToVoltage::open() {
    ProcessingModule::open();
    setProcessRoutine(modframe::routine<&BoolToVoltage::processFill>());
    blockLength = blockSize();
    sendLetter(data_messages::kOpened);
}

// Tells the panel half to stop sending, then leaves the host 5 ms to hand
// "s" over before this object goes.
void BoolToVoltage::close() {
    sendLetter(data_messages::kStopped);
    std::this_thread::sleep_for(kCloseWait);
}

bool BoolToVoltage::getPinProperties(int32_t index, PinProperties* out) {
    constexpr auto panel = int32_t(PinFlag::PanelSide);
    switch (index) {
        case 0:
            *out = pin(&boolIn, PinDirection::In, PinKind::Bool, "Bool In", nullptr, panel);
            break;
        case 1: *out = pin(&loVal, PinDirection::In, PinKind::Float, "Lo Val", "0", panel); break;
        case 2: *out = pin(&hiVal, PinDirection::In, PinKind::Float, "Hi Val", "10", panel); break;
        case 3:
            *out = pin(&voltageOut, PinDirection::Out, PinKind::Audio, "Voltage Out", nullptr, 0);
            break;
        default: return false;
    }
    return true;
}

void BoolToVoltage::receiveData(int32_t, int32_t index, void* data) {
    if (data_messages::letterOf(data, index) != data_messages::kLevel) return;
    outputValue = data_messages::numberAfterLetter(data, index);
    holdCount = blockLength;
    if (plugCount() > kVoltageOutPlug)
        plug(kVoltageOutPlug).transmitStatus(sampleClock(), PinStatus::OneOff);
}

// Writes the level for at least one block after it arrived, then asks to
// sleep; the buffer keeps the level meanwhile.
void BoolToVoltage::processFill(int32_t offset, int32_t count) {
    if (voltageOut != nullptr)
        for (int32_t i = offset; i < offset + count; ++i) voltageOut[i] = outputValue;
    if (quorvex::countDown(holdCount, count)) requestSleep();
}

void BoolToVoltage::sendLetter(char letter) {
    data_messages::Message message = data_messages::letterMessage(letter);
    callHost(HostOp::SendData, message.byteCount, 0, message.text);
}

}  // namespace bool_to_voltage
