// A module's pin list as a table with one row per listing index.
#pragma once

#include <span>

#include "modframe/host_interface.h"

namespace value_converters {

struct PinRow {
    const char* name = nullptr;
    PinDirection direction{};
    PinKind kind{};
    const char* defaultValue = nullptr;
    int32_t flags = 0;
    const char* items = nullptr;  // the item list of an Enum pin
};

template <class... Flags>
constexpr int32_t pinFlags(Flags... flags) {
    return (int32_t(flags) | ...);
}

// Fills `out` for pin `index`; `members` holds each pin's member, or is empty
// for a module whose pins name none. Writes only the fields the row uses.
inline bool describePin(std::span<const PinRow> rows, std::span<void* const> members, int32_t index,
                        PinProperties* out) {
    if (out == nullptr || index < 0 || size_t(index) >= rows.size()) return false;
    const PinRow& row = rows[size_t(index)];
    if (size_t(index) < members.size()) out->variable = members[size_t(index)];
    out->direction = row.direction;
    out->kind = row.kind;
    out->name = row.name;
    if (row.defaultValue != nullptr) out->defaultValue = row.defaultValue;
    if (row.items != nullptr) out->kindExtra = row.items;
    out->flags = row.flags;
    return true;
}

}  // namespace value_converters
