#include "host/panel_half.h"

#include <bit>
#include <cmath>
#include <cstring>

#include "host/instance.h"

namespace modhost {

namespace {

// Announcements a panel may cause from inside its own announcements.
constexpr int kMaxAnnouncementDepth = 16;
constexpr int32_t kMaxDataBytes = 1 << 20;

int32_t wholeNumber(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return INT32_MAX;
    if (value <= -2147483648.0) return INT32_MIN;
    return int32_t(value);
}

std::u16string utf16(const std::string& text) {
    std::u16string out;
    for (size_t i = 0; i < text.size();) {
        auto byte = uint8_t(text[i]);
        int extra = byte >= 0xF0 ? 3 : byte >= 0xE0 ? 2 : byte >= 0xC0 ? 1 : 0;
        uint32_t code = extra == 0 ? byte : byte & (0x3F >> extra);
        size_t end = std::min(text.size(), i + 1 + size_t(extra));
        for (size_t j = i + 1; j < end; ++j) code = (code << 6) | (uint8_t(text[j]) & 0x3F);
        i = end;
        if (code >= 0x10000) {
            code -= 0x10000;
            out.push_back(char16_t(0xD800 + (code >> 10)));
            out.push_back(char16_t(0xDC00 + (code & 0x3FF)));
        } else {
            out.push_back(char16_t(code));
        }
    }
    return out;
}

}  // namespace

PanelHalf::PanelHalf(Instance& owner) : owner_(owner) {
    record_ = static_cast<PanelRecord*>(owner.library().makeModule()(0, 2, &callback, this));
}

PanelHalf::~PanelHalf() {
    close();
}

intptr_t PanelHalf::dispatch(PanelOp opcode, int32_t index, int32_t value, void* ptr, float opt) {
    if (record_ == nullptr) return 0;
    return record_->dispatcher(record_, int32_t(opcode), index, value, ptr, opt);
}

void PanelHalf::open(bool keepValues) {
    dispatch(PanelOp::Open, keepValues ? 1 : 0);
}

void PanelHalf::close() {
    if (record_ == nullptr) return;
    dispatch(PanelOp::Close);
    record_ = nullptr;
}

void PanelHalf::announce(int32_t pin) {
    if (depth_ >= kMaxAnnouncementDepth) return;
    ++depth_;
    dispatch(PanelOp::PinChanged, pin);
    --depth_;
}

void PanelHalf::deliverData(const uint8_t* bytes, int32_t count) {
    std::vector<uint8_t> copy(bytes, bytes + count);
    dispatch(PanelOp::ReceiveData, count, 0, copy.data());
}

intptr_t PanelHalf::callback(void* record, int32_t opcode, int32_t index, int32_t value, void* ptr,
                             float opt) noexcept {
    if (record == nullptr) return 0;
    auto* self = static_cast<PanelHalf*>(static_cast<PanelRecord*>(record)->hostPtr);
    if (self == nullptr) return 0;
    self->traffic_.push_back(HostCall{opcode, index, value, reinterpret_cast<intptr_t>(ptr), opt});
    return self->answer(PanelHostOp(opcode), index, value, ptr, opt);
}

intptr_t PanelHalf::answer(PanelHostOp opcode, int32_t index, int32_t value, void* ptr, float opt) {
    if (opcode == PanelHostOp::SendData) {
        if (ptr != nullptr && index > 0 && index <= kMaxDataBytes)
            owner_.panelSentData(static_cast<const uint8_t*>(ptr), index);
        return 0;
    }
    const PinInfo* pin = owner_.pinAt(index);
    if (pin == nullptr) return 0;
    switch (opcode) {
        case PanelHostOp::SendData: return 0;
        case PanelHostOp::SetPinText:
            owner_.panelWrote(index, PinValue{0.0, ptr ? static_cast<const char*>(ptr) : ""});
            return 0;
        case PanelHostOp::GetPinText:
            return reinterpret_cast<intptr_t>(owner_.pinValue(index).text.c_str());
        case PanelHostOp::GetPinValue: {
            if (ptr == nullptr) return 0;
            double number = owner_.pinValue(index).number;
            int32_t cell = pin->kind == PinKind::Float ? std::bit_cast<int32_t>(float(number))
                                                       : wholeNumber(number);
            std::memcpy(ptr, &cell, sizeof cell);
            return 0;
        }
        case PanelHostOp::SetPinValue:
            // An Int value goes through as it is: past 2^24 a float would round it.
            owner_.panelWrote(
                index, PinValue{pin->kind == PinKind::Float ? double(opt) : double(value), {}});
            return 0;
        case PanelHostOp::GetPinWideText:
            return wideText(index, value, static_cast<char16_t*>(ptr));
    }
    return 0;
}

intptr_t PanelHalf::wideText(int32_t pin, int32_t units, char16_t* out) {
    wide_ = utf16(owner_.pinValue(pin).text);
    auto needed = int32_t(wide_.size() + 1);
    if (out == nullptr || units <= 0) return needed;
    size_t copied = std::min(size_t(units - 1), wide_.size());
    std::memcpy(out, wide_.data(), copied * sizeof(char16_t));
    out[copied] = u'\0';
    return needed;
}

}  // namespace modhost
