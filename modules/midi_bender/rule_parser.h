// The text form of one rule: thirteen values, optionally two swap markers,
// separated by any run of ",;:", tab, space, line feed or carriage return.
#pragma once

#include "remap_rule.h"

namespace midi_bender {

// Longest rule text the parser accepts; longer texts are rejected whole,
// since a cut rule could read as a different, valid rule.
inline constexpr int kMaxRuleTextLength = 127;

// The status code a token names, compared without regard to letter case;
// false when the token names none.
bool lookupStatus(const char* token, int32_t& code);

// "*" exactly gives Wildcard; anything else reads an optional sign and the
// digits that follow it, ignoring the rest (no digits: 0). Values beyond the
// 32-bit range saturate.
int32_t convertNumber(const char* token);

// Parses one zero-terminated text. On failure (a missing value, an unknown
// status token, a text longer than kMaxRuleTextLength, or null) the rule is
// left empty and false is returned.
bool parseRuleText(const char* text, RemapRule& rule);

}  // namespace midi_bender
