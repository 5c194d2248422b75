// The panel half of an instance, for libraries that have one. The host keeps
// one value per pin of the module (by listing index, shared by both halves)
// and carries values and data messages between the halves:
//  - the panel writes a pin (SetPinValue, SetPinText): a write that changes
//    the value is announced back to the panel (pinChanged) and, for a pin the
//    processing half has a plug for, reaches that half's member as a status
//    change at the current sample;
//  - the processing half publishes a value output (a status report): the
//    value is stored and, for an output named "<x> - Out", also carried to
//    the panel pin "<x> - In" and announced there;
//  - a user (a test, a patch) sets a pin: stored, always announced to the
//    panel, and carried to the processing half's plug if it has one;
//  - processing SendData reaches the panel's opcode 6 at once; panel
//    SendData reaches the processing half's ReceiveData at the current sample.
// Data bytes are copied before the send returns.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "modframe/host_interface.h"

namespace modhost {

class Instance;
struct HostCall;

class PanelHalf {
public:
    // Asks the library for its panel object; isMade() tells whether it had one.
    explicit PanelHalf(Instance& owner);
    ~PanelHalf();
    PanelHalf(const PanelHalf&) = delete;
    PanelHalf& operator=(const PanelHalf&) = delete;

    bool isMade() const { return record_ != nullptr; }
    PanelRecord* record() const { return record_; }
    intptr_t dispatch(PanelOp opcode, int32_t index = 0, int32_t value = 0, void* ptr = nullptr,
                      float opt = 0.0f);
    void open(bool keepValues);
    void close();

    void announce(int32_t pin);
    void deliverData(const uint8_t* bytes, int32_t count);
    const std::vector<HostCall>& traffic() const { return traffic_; }

private:
    static intptr_t callback(void* record, int32_t opcode, int32_t index, int32_t value, void* ptr,
                             float opt) noexcept;
    intptr_t answer(PanelHostOp opcode, int32_t index, int32_t value, void* ptr, float opt);
    intptr_t wideText(int32_t pin, int32_t units, char16_t* out);

    Instance& owner_;
    PanelRecord* record_ = nullptr;
    int depth_ = 0;  // nested announcements in progress
    std::u16string wide_;
    std::vector<HostCall> traffic_;
};

}  // namespace modhost
