#include "rule_table.h"

#include <algorithm>
#include <new>

#include "rule_parser.h"

namespace midi_bender {

int32_t RuleTable::slotsInUse() const {
    return hasArray() ? std::min(highestSlot_ + 1, count_) : 0;
}

bool RuleTable::rebuild(int32_t count) {
    if (count < 0) return false;
    std::unique_ptr<RemapRule[]> fresh(new (std::nothrow) RemapRule[size_t(count)]());
    if (!fresh) return false;
    slots_ = std::move(fresh);
    count_ = count;
    highestSlot_ = 0;
    return true;
}

void RuleTable::parseRule(const char* text, int32_t slot) {
    if (!hasArray() || slot < 0 || slot >= count_) return;
    if (parseRuleText(text, slots_[slot]) && highestSlot_ < slot) highestSlot_ = slot;
}

}  // namespace midi_bender
