// The pins of a module as the host sees them: the module's own listing, the
// plug index each pin has on the processing side, and readable names.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "modframe/host_interface.h"

namespace modhost {

// More pins than this means a plug-in that never ends its list.
inline constexpr int32_t kMaxPins = 4096;

struct PinInfo {
    int32_t listingIndex = 0;  // position in the module's pin list
    int32_t plugIndex = -1;    // number among the processing object's pins; -1 for none
    std::string name;
    PinDirection direction = PinDirection::In;
    PinKind kind = PinKind::Enum;
    std::optional<std::string> defaultValue;
    std::optional<std::string> kindExtra;
    int32_t flags = 0;
    void* variable = nullptr;
    bool repeated = false;  // a host-counted repeat of an AutoDuplicate pin
};

struct EnumItem {
    std::string label;
    int32_t value = 0;
};

// "Linear,Exp" or "Truncate=0,Round Off": an item without "=value" takes the
// previous item's value plus one, the first item 0.
std::vector<EnumItem> parseEnumItems(const std::string& list);

std::string kindName(PinKind kind);
std::string directionName(PinDirection direction);
// Names of the set flag bits joined by "|", unknown bits in hex; "" for none.
std::string flagNames(int32_t flags);

// Whether the processing object gives the pin a plug under the library's revision.
bool hasProcessingPlug(int32_t flags, int32_t interfaceVersion);

// Lists the pins through a record dispatcher, numbers their plugs and appends
// `repeats` copies of a trailing AutoDuplicate pin. Throws HostError when the
// list does not end within kMaxPins.
std::vector<PinInfo> listPins(RecordDispatcher dispatcher, void* record, int32_t interfaceVersion,
                              int32_t repeats = 0);

// The processing object's pin count as GetPinCount answers it.
int32_t countPlugs(const std::vector<PinInfo>& pins);

}  // namespace modhost
