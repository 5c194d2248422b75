// The remapper's rule slots in words, and the slips that make a rule match nothing.
#pragma once

#include <string>
#include <vector>

#include "remap_rule.h"

namespace modhost {

bool isEmptyRule(const midi_bender::RemapRule& rule);
// "channel 1 Pitch Bend, data 2 65..127 -> Control Change 5, value 0..127, stop"
std::string ruleWords(const midi_bender::RemapRule& rule);
// What can never match, or will not do what it seems to say.
std::vector<std::string> ruleWarnings(const midi_bender::RemapRule& rule);

}  // namespace modhost
