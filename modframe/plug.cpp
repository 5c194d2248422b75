#include "modframe/plug.h"

#include "modframe/processing_module.h"

namespace modframe {

void Plug::initialize(ProcessingModule* module, int32_t index, PinKind kind, void* variable,
                      PlugRules rules) {
    module_ = module;
    index_ = index;
    kind_ = kind;
    valuePtr_ = variable;
    status_ = PinStatus::Static;
    storage_ = Storage{};
    if (variable != nullptr) return;

    switch (kind) {
        case PinKind::Audio:
            storage_.buffer =
                reinterpret_cast<float*>(module->callHost(HostOp::GetPinBuffer, index, 0, nullptr));
            valuePtr_ = &storage_;
            break;
        case PinKind::Int:
            if (rules.intHasStorage) valuePtr_ = &storage_;
            break;
        case PinKind::Enum:
        case PinKind::Bool:
        case PinKind::Float: valuePtr_ = &storage_; break;
        default:  // Text, Midi and unused kinds keep no value
            break;
    }
}

void Plug::transmitStatus(int32_t time, PinStatus status) const {
    module_->callHost(HostOp::SetPinStatus, index_, int32_t(status), timeArgument(time));
}

void Plug::sendMidi(int32_t time, int32_t message) const {
    module_->callHost(HostOp::SendMidi, index_, message, timeArgument(time));
}

bool Plug::isConnected() const {
    return module_->callHost(HostOp::IsPinConnected, index_, 0, nullptr) != 0;
}

float Plug::currentValue() const {
    const float* buffer = valuePtr_ ? *static_cast<float* const*>(valuePtr_) : nullptr;
    if (buffer == nullptr) return 0.0f;
    auto start = int32_t(module_->callHost(HostOp::GetBlockStartClock, index_, 0, nullptr));
    int64_t position = int64_t(module_->sampleClock()) - start;
    // A host that reports clocks outside the current block must not make us read past it.
    if (position < 0 || position >= module_->blockSize()) return 0.0f;
    return buffer[position];
}

void Plug::notifyStatusChange(PinStatus status) {
    status_ = status;
    module_->onPlugStateChange(*this);
    if (status == PinStatus::OneOff) status_ = PinStatus::Static;
}

}  // namespace modframe
