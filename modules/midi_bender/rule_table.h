// The remapper's rule slots: ten when the rules come from the pins, one per
// used line when they come from a file, none until a source has been chosen.
#pragma once

#include <memory>

#include "remap_rule.h"

namespace midi_bender {

class RuleTable {
public:
    bool hasArray() const { return slots_ != nullptr; }
    int32_t slotCount() const { return count_; }
    // The highest slot a rule was parsed into since the last rebuild.
    int32_t highestSlot() const { return highestSlot_; }
    const RemapRule& slot(int32_t index) const { return slots_[index]; }
    // How many slots, from slot 0 on, a message is tried against.
    int32_t slotsInUse() const;

    // Replaces the array by `count` empty slots and sets highestSlot to 0.
    // When memory runs out the table stays as it was and false is returned.
    bool rebuild(int32_t count);
    // Fills one slot from a rule text; a text that does not parse empties the
    // slot and leaves highestSlot alone. Slots outside the array are ignored.
    void parseRule(const char* text, int32_t slot);

private:
    std::unique_ptr<RemapRule[]> slots_;
    int32_t count_ = 0;
    int32_t highestSlot_ = 0;
};

}  // namespace midi_bender
