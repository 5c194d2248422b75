// A panel half driven by a host of the test's own: pins answered from a
// table, and every message the panel sends kept as text. The reference
// host hands panel messages on without keeping them.
#pragma once

#include <bit>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "plugin_fixture.h"

namespace plugin_test {

class PanelRecorder {
public:
    explicit PanelRecorder(const modhost::PluginLibrary& library) {
        record_ = static_cast<PanelRecord*>(library.makeModule()(0, 2, &callback, this));
    }
    ~PanelRecorder() {
        if (record_) dispatch(PanelOp::Close);
    }
    PanelRecorder(const PanelRecorder&) = delete;
    PanelRecorder& operator=(const PanelRecorder&) = delete;

    bool isMade() const { return record_ != nullptr; }
    intptr_t dispatch(PanelOp opcode, int32_t index = 0, int32_t value = 0, void* ptr = nullptr) {
        return record_->dispatcher(record_, int32_t(opcode), index, value, ptr, 0.0f);
    }
    void receive(const char* text) {
        std::string copy = text;
        dispatch(PanelOp::ReceiveData, int32_t(copy.size() + 1), 0, copy.data());
    }
    // Sets a pin the way the host does and tells the panel.
    void set(int32_t pin, float value) {
        values[pin] = value;
        dispatch(PanelOp::PinChanged, pin);
    }

    std::map<int32_t, float> values;  // by listing index; pin 0, "Bool In", holds 0 or 1
    std::vector<std::string> sent;

private:
    static intptr_t callback(void* record, int32_t opcode, int32_t index, int32_t value, void* ptr,
                             float opt) {
        auto* self = static_cast<PanelRecorder*>(static_cast<PanelRecord*>(record)->hostPtr);
        switch (PanelHostOp(opcode)) {
            case PanelHostOp::SendData:
                self->sent.emplace_back(static_cast<const char*>(ptr), size_t(index) - 1);
                break;
            case PanelHostOp::GetPinValue: {
                float v = self->values[index];
                int32_t cell = index == 0 ? int32_t(v) : std::bit_cast<int32_t>(v);
                std::memcpy(ptr, &cell, sizeof cell);
                break;
            }
            case PanelHostOp::SetPinValue:
                self->values[index] = index == 0 ? float(value) : opt;
                break;
            default: break;
        }
        return 0;
    }

    PanelRecord* record_ = nullptr;
};

}  // namespace plugin_test
