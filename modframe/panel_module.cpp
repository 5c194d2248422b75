#include "modframe/panel_module.h"

#include <bit>
#include <vector>

namespace modframe {

namespace {

// A host asking for more wide text than this is answered with none.
constexpr int32_t kMaxWideTextUnits = 1 << 20;

uint32_t bitsOf(float opt) {
    return std::bit_cast<uint32_t>(opt);
}

}  // namespace

int32_t PanelPin::getInt() const {
    int32_t cell = 0;
    owner_->callHost(PanelHostOp::GetPinValue, index_, 0, &cell);
    return cell;
}

float PanelPin::getFloat() const {
    int32_t cell = 0;
    owner_->callHost(PanelHostOp::GetPinValue, index_, 0, &cell);
    return std::bit_cast<float>(cell);
}

void PanelPin::setInt(int32_t value) const {
    owner_->callHost(PanelHostOp::SetPinValue, index_, value, nullptr);
}

void PanelPin::setFloat(float value) const {
    owner_->callHost(PanelHostOp::SetPinValue, index_, 0, nullptr, value);
}

void PanelPin::setText(const char* text) const {
    owner_->callHost(PanelHostOp::SetPinText, index_, 0, const_cast<char*>(text ? text : ""));
}

std::string PanelPin::getText() const {
    auto* text = reinterpret_cast<const char*>(
        owner_->callHost(PanelHostOp::GetPinText, index_, 0, nullptr));
    return text ? std::string(text) : std::string();
}

std::u16string PanelPin::getWideText() const {
    auto units = int32_t(owner_->callHost(PanelHostOp::GetPinWideText, index_, 0, nullptr));
    if (units <= 0 || units > kMaxWideTextUnits) return {};
    std::vector<char16_t> buffer(size_t(units), u'\0');
    owner_->callHost(PanelHostOp::GetPinWideText, index_, units, buffer.data());
    size_t length = 0;
    while (length < buffer.size() && buffer[length] != u'\0') ++length;
    return std::u16string(buffer.data(), length);
}

// One per thread: panel operations on one thread never overlap.
thread_local PanelPin PanelModule::sharedPin_{0, nullptr};

PanelModule::PanelModule(HostCallback callback, void* hostPtr) : hostCallback_(callback) {
    record_.magic = kPanelRecordMagic;
    record_.recordVersion = 1;
    record_.dispatcher = &dispatcherEntry;
    record_.hostPtr = hostPtr;
    record_.object = this;
}

PanelModule::~PanelModule() = default;

intptr_t PanelModule::dispatcherEntry(void* record, int32_t opcode, int32_t index, int32_t value,
                                      void* ptr, float opt) noexcept {
    if (record == nullptr) return 0;
    auto* module = static_cast<PanelModule*>(static_cast<PanelRecord*>(record)->object);
    return module->dispatch(opcode, index, value, ptr, opt);
}

intptr_t PanelModule::dispatch(int32_t opcode, int32_t index, int32_t value, void* ptr, float opt) {
    IndexValuePair pair{index, value};
    switch (PanelOp(opcode)) {
        case PanelOp::Open: open(index == 1); return 0;
        case PanelOp::Close:
            close();
            delete this;
            return 1;
        case PanelOp::Opcode2: onOpcode2(index, ptr); return 0;
        case PanelOp::Opcode3: onOpcode3(ptr, bitsOf(opt), pair); return 0;
        case PanelOp::Opcode4: onOpcode4(ptr, bitsOf(opt), pair); return 0;
        case PanelOp::Opcode5: onOpcode5(ptr, bitsOf(opt), pair); return 0;
        case PanelOp::ReceiveData: receiveData(value, index, ptr); return 0;
        case PanelOp::PinChanged: {
            PanelPin changed(index, this);
            pinChanged(&changed);
            return 0;
        }
        case PanelOp::Opcode8: onOpcode8(ptr); return 0;
        case PanelOp::Opcode9: onOpcode9(ptr); return 0;
        case PanelOp::Opcode10: return onOpcode10() ? 1 : 0;
        case PanelOp::Opcode11: onOpcode11(index); return 0;
        case PanelOp::Opcode12: onOpcode12(index); return 0;
    }
    return 0;
}

intptr_t PanelModule::callHost(PanelHostOp opcode, int32_t index, int32_t value, void* ptr,
                               float opt) {
    if (hostCallback_ == nullptr) return 0;
    return hostCallback_(&record_, int32_t(opcode), index, value, ptr, opt);
}

PanelPin& PanelModule::pin(int32_t index) {
    sharedPin_ = PanelPin(index, this);
    return sharedPin_;
}

}  // namespace modframe
