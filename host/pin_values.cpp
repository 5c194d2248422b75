#include "host/pin_values.h"

#include <cmath>

#include "host/closest_name.h"
#include "host/patch_toml.h"

namespace modhost {

namespace {

[[noreturn]] void refuse(const Where& where, const std::string& what) {
    throw HostError(at(where, what));
}

std::string itemList(const std::vector<EnumItem>& items) {
    std::string list;
    for (const auto& item : items)
        list += (list.empty() ? "" : ", ") +
                ("\"" + item.label + "\" (" + std::to_string(item.value) + ")");
    return list;
}

bool isWhole(double x) {
    return std::isfinite(x) && std::floor(x) == x && std::fabs(x) < 9.0e15;
}

PinValue enumValue(const PinPlace& place, const PatchValue& value) {
    auto items = parseEnumItems(place.pin->kindExtra.value_or(""));
    const Where& where = value.where;
    if (const auto* label = std::get_if<std::string>(&value.value)) {
        std::vector<std::string> labels;
        for (const auto& item : items) {
            if (item.label == *label) return PinValue{double(item.value), {}};
            labels.push_back(item.label);
        }
        refuse(where, "\"" + *label + "\" is not an item of " + place.text() + "; the items are " +
                          itemList(items) + didYouMean(*label, labels));
    }
    double number = 0.0;
    if (const auto* i = std::get_if<int64_t>(&value.value))
        number = double(*i);
    else if (const auto* d = std::get_if<double>(&value.value))
        number = *d;
    else
        refuse(where, place.text() + " is an enumeration: give an item's label or value");
    for (const auto& item : items)
        if (double(item.value) == number) return PinValue{number, {}};
    std::string hint;
    for (const auto& item : items)
        if (isWhole(number) && item.label == std::to_string(int64_t(number)))
            hint = "; its label \"" + item.label + "\" (in quotes) stands for " +
                   std::to_string(item.value);
    refuse(where, "no item of " + place.text() + " has the value " +
                      std::to_string(int64_t(number)) + "; the items are " + itemList(items) +
                      hint);
}

double numberIn(const PatchValue& value, bool& ok) {
    ok = true;
    if (const auto* i = std::get_if<int64_t>(&value.value)) return double(*i);
    if (const auto* d = std::get_if<double>(&value.value)) return *d;
    if (const auto* b = std::get_if<bool>(&value.value)) return *b ? 1.0 : 0.0;
    ok = false;
    return 0.0;
}

}  // namespace

PinPlace findPin(Instance& instance, const std::string& instanceName, const std::string& pinName,
                 const Where& where) {
    std::vector<std::string> names;
    for (const auto& pin : instance.pins()) {
        if (pin.name == pinName) return PinPlace{&instance, &pin, instanceName};
        names.push_back(pin.name);
    }
    refuse(where, "\"" + instanceName + "\" (" + instance.library().deliverable() +
                      ") has no pin \"" + pinName + "\"" + didYouMean(pinName, names));
}

void requireSettable(const PinPlace& place, const Where& where) {
    const PinInfo& pin = *place.pin;
    if (pin.kind == PinKind::Midi)
        refuse(where, place.text() + " is a MIDI pin: feed it from a MIDI source");
    if (pin.direction == PinDirection::Out && !hasFlag(pin.flags, PinFlag::PanelSide))
        refuse(where, place.text() + " is an output: its value comes from the module");
}

PinValue pinValueOf(const PinPlace& place, const PatchValue& value, const Patch& patch) {
    const PinInfo& pin = *place.pin;
    bool ok = false;
    double number = numberIn(value, ok);
    bool isBool = std::holds_alternative<bool>(value.value);
    switch (pin.kind) {
        case PinKind::Enum: return enumValue(place, value);
        case PinKind::Text: {
            const auto* text = std::get_if<std::string>(&value.value);
            if (!text) refuse(value.where, place.text() + " is a text pin: give a text in quotes");
            if (hasFlag(pin.flags, PinFlag::FileName) && !text->empty())
                return PinValue{0.0, patch_toml::inputFile(patch, *text)};
            return PinValue{0.0, *text};
        }
        case PinKind::Bool:
            if (!ok || (number != 0.0 && number != 1.0))
                refuse(value.where, place.text() + " is a bool pin: give true or false");
            return PinValue{number, {}};
        case PinKind::Int:
            if (!ok || isBool || !isWhole(number) || number < -2147483648.0 ||
                number > 2147483647.0)
                refuse(value.where, place.text() + " is an int pin: give a whole number");
            return PinValue{number, {}};
        case PinKind::Float:
        case PinKind::Audio:
            if (!ok || isBool)
                refuse(value.where, place.text() + (pin.kind == PinKind::Audio
                                                        ? " is an audio pin: give a number of volts"
                                                        : " is a float pin: give a number"));
            return PinValue{number, {}};
        case PinKind::Midi: break;
    }
    refuse(value.where, place.text() + " is a MIDI pin: feed it from a MIDI source");
}

std::vector<TimedValue> valuesOf(const PatchSource& source, const PinPlace& place,
                                 const Patch& patch) {
    auto value = [&](int64_t at, double level) {
        PatchValue v{level, source.where};
        if (place.pin->kind == PinKind::Bool) v.value = level != 0.0;
        if (place.pin->kind != PinKind::Float && place.pin->kind != PinKind::Bool && isWhole(level))
            v.value = int64_t(level);
        return TimedValue{at, pinValueOf(place, v, patch)};
    };
    std::vector<TimedValue> values;
    switch (source.type) {
        case PatchSource::Type::Constant: values.push_back(value(0, source.level)); break;
        case PatchSource::Type::Breakpoints:
            for (auto [t, v] : source.points) values.push_back(value(t, v));
            break;
        case PatchSource::Type::Gate:
            if (source.gates.empty() || source.gates.front().first > 0)
                values.push_back(value(0, source.low));
            for (auto [on, off] : source.gates) {
                values.push_back(value(on, source.high));
                values.push_back(value(off, source.low));
            }
            break;
        default:
            refuse(source.where, place.text() + " is a " + kindName(place.pin->kind) +
                                     " pin: feed it from a constant, breakpoints or gate source");
    }
    return values;
}

}  // namespace modhost
