// Rule files: one rule per line, LF or CR LF line ends.
#pragma once

#include <cstddef>

#include "rule_table.h"

namespace midi_bender {

// Files with more used lines than this keep only the first ones, so any file
// gives a table of bounded size.
inline constexpr int32_t kMaxFileRules = 65536;

// Rebuilds `table` with one slot per used line of `data` and parses each line
// into its slot. A line runs up to and including its line feed; a new line
// starts only while two or more bytes remain, and a first line that ends
// within the first two bytes is not used. Lines holding a NUL byte leave an
// empty slot. `data` holds `size` bytes and one spare byte after them; the
// line ends are overwritten with terminators. Returns false, leaving the
// table as it was, when the new table cannot be allocated.
bool loadRuleLines(char* data, size_t size, RuleTable& table);

// Reads the regular file at `path` whole and loads its lines. Returns false,
// leaving the table as it was, when the file cannot be opened or read.
bool readRuleFile(const char* path, RuleTable& table);

}  // namespace midi_bender
