// The short texts that the two halves of the Quorvex converters send each
// other through the host: a letter, optionally followed by a number.
#pragma once

#include <cstddef>
#include <cstdint>

namespace data_messages {

inline constexpr char kOpened = 'O';   // the processing half has opened
inline constexpr char kStopped = 's';  // the processing half is closing
inline constexpr char kLevel = 'v';    // a level for "Voltage Out", in signal units
inline constexpr char kDisplay = 'd';  // a value for "Value", in volts

// Room for a letter and any double in fixed-point notation: a sign, 309
// integer digits, a point, six decimals and the NUL. A number is never cut.
inline constexpr size_t kMessageCapacity = 320;

struct Message {
    char text[kMessageCapacity];
    int32_t byteCount;  // length including the terminating NUL
};

// Just the letter: "O" or "s".
Message letterMessage(char letter);
// The letter followed by `value` as "%f" writes it: "v1.000000", "d-2.500000".
Message numberMessage(char letter, double value);

// The first character of the `byteCount` bytes at `data`; '\0' when there are none.
char letterOf(const void* data, int32_t byteCount);
// The decimal number after the letter, read within the `byteCount` bytes and
// up to the first NUL: blanks skipped, an optional sign, digits with an
// optional point and exponent. No digits give 0.0; the result is single precision.
float numberAfterLetter(const void* data, int32_t byteCount);
// The same reading rule, applied to `length` bytes at `text`.
float readDecimal(const char* text, size_t length);

}  // namespace data_messages
