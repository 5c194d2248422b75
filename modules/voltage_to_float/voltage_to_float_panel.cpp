#include "voltage_to_float_panel.h"

#include "data_messages.h"

namespace voltage_to_float {

namespace {

constexpr int32_t kValuePin = 1;

}  // namespace

void VoltageToFloatPanel::receiveData(int32_t, int32_t index, void* data) {
    if (data_messages::letterOf(data, index) != data_messages::kDisplay) return;
    setPinFloat(kValuePin, data_messages::numberAfterLetter(data, index));
}

}  // namespace voltage_to_float
