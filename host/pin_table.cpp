#include "host/pin_table.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "host/plugin_library.h"

namespace modhost {

namespace {

std::optional<std::string> optionalText(const char* s) {
    if (s == nullptr) return std::nullopt;
    return std::string(s);
}

PinInfo describePin(const PinProperties& p, int32_t listingIndex) {
    PinInfo pin;
    pin.listingIndex = listingIndex;
    pin.name = p.name ? p.name : "";
    pin.direction = p.direction;
    pin.kind = p.kind;
    pin.defaultValue = optionalText(p.defaultValue);
    pin.kindExtra = optionalText(p.kindExtra);
    pin.flags = p.flags;
    pin.variable = p.variable;
    return pin;
}

}  // namespace

std::vector<EnumItem> parseEnumItems(const std::string& list) {
    std::vector<EnumItem> items;
    std::stringstream stream(list);
    int32_t next = 0;
    for (std::string item; std::getline(stream, item, ',');) {
        EnumItem entry{item, next};
        if (auto eq = item.find('='); eq != std::string::npos) {
            entry.label = item.substr(0, eq);
            entry.value = int32_t(std::strtol(item.c_str() + eq + 1, nullptr, 10));
        }
        items.push_back(entry);
        next = entry.value + 1;
    }
    return items;
}

std::string kindName(PinKind kind) {
    switch (kind) {
        case PinKind::Enum: return "enum";
        case PinKind::Text: return "text";
        case PinKind::Midi: return "midi";
        case PinKind::Bool: return "bool";
        case PinKind::Audio: return "audio";
        case PinKind::Float: return "float";
        case PinKind::Int: return "int";
    }
    return "kind " + std::to_string(int32_t(kind));
}

std::string directionName(PinDirection direction) {
    switch (direction) {
        case PinDirection::In: return "in";
        case PinDirection::Out: return "out";
        case PinDirection::Parameter: return "parameter";
    }
    return "direction " + std::to_string(int32_t(direction));
}

std::string flagNames(int32_t flags) {
    static constexpr std::pair<PinFlag, const char*> kNames[] = {
        {PinFlag::Bit02, "Bit02"},
        {PinFlag::AutoDuplicate, "AutoDuplicate"},
        {PinFlag::FileName, "FileName"},
        {PinFlag::Bit100, "Bit100"},
        {PinFlag::Bit200, "Bit200"},
        {PinFlag::PanelSide, "PanelSide"},
        {PinFlag::VisibleToProcessing, "VisibleToProcessing"},
        {PinFlag::Bit10000, "Bit10000"},
        {PinFlag::Bit20000, "Bit20000"},
    };
    std::string names;
    uint32_t rest = uint32_t(flags);
    for (auto [flag, name] : kNames) {
        if (!hasFlag(flags, flag)) continue;
        names += names.empty() ? name : std::string("|") + name;
        rest &= ~uint32_t(flag);
    }
    if (rest != 0) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%x", rest);
        names += names.empty() ? hex : std::string("|") + hex;
    }
    return names;
}

bool hasProcessingPlug(int32_t flags, int32_t interfaceVersion) {
    if (interfaceVersion == int32_t(InterfaceRevision::Rev2120)) return true;
    return !hasFlag(flags, PinFlag::PanelSide) || hasFlag(flags, PinFlag::VisibleToProcessing);
}

std::vector<PinInfo> listPins(RecordDispatcher dispatcher, void* record, int32_t interfaceVersion,
                              int32_t repeats) {
    std::vector<PinInfo> pins;
    int32_t plugs = 0;
    for (int32_t j = 0;; ++j) {
        if (j >= kMaxPins)
            throw HostError("the module lists more than " + std::to_string(kMaxPins) +
                            " pins; its pin list does not end");
        PinProperties p{};
        if (dispatcher(record, int32_t(DispatchOp::GetPinProperties), j, 0, &p, 0.0f) == 0) break;
        PinInfo pin = describePin(p, j);
        if (hasProcessingPlug(p.flags, interfaceVersion)) pin.plugIndex = plugs++;
        pins.push_back(std::move(pin));
    }
    if (pins.empty() || !hasFlag(pins.back().flags, PinFlag::AutoDuplicate) ||
        pins.back().plugIndex < 0)
        return pins;
    PinInfo last = pins.back();
    for (int32_t r = 0; r < repeats && plugs < kMaxPins; ++r) {
        PinInfo copy = last;
        copy.listingIndex = int32_t(pins.size());
        copy.plugIndex = plugs++;
        copy.variable = nullptr;
        copy.repeated = true;
        pins.push_back(std::move(copy));
    }
    return pins;
}

int32_t countPlugs(const std::vector<PinInfo>& pins) {
    int32_t count = 0;
    for (const auto& pin : pins)
        if (pin.plugIndex >= 0) ++count;
    return count;
}

}  // namespace modhost
