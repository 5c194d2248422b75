#include "data_messages.h"

#include <charconv>
#include <cstring>
#include <limits>

namespace data_messages {

namespace {

constexpr long kExponentLimit = 100000;  // far beyond any double; keeps the sum in range

bool isBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

const char* skipDigits(const char* p, const char* end) {
    while (p < end && isDigit(*p)) ++p;
    return p;
}

// The end of "digits[.digits][e[sign]digits]" starting at `p`; `p` itself
// when no digit comes before the exponent.
const char* numberEnd(const char* p, const char* end) {
    const char* integerEnd = skipDigits(p, end);
    bool point = integerEnd < end && *integerEnd == '.';
    const char* mantissaEnd = point ? skipDigits(integerEnd + 1, end) : integerEnd;
    bool anyDigit = integerEnd > p || mantissaEnd > integerEnd + 1;
    if (!anyDigit) return p;
    const char* exponent = mantissaEnd;
    if (exponent == end || (*exponent != 'e' && *exponent != 'E')) return mantissaEnd;
    ++exponent;
    if (exponent < end && (*exponent == '+' || *exponent == '-')) ++exponent;
    const char* exponentEnd = skipDigits(exponent, end);
    return exponentEnd == exponent ? mantissaEnd : exponentEnd;
}

// The power of ten of the number's first significant digit, exponent
// included: above 0 for a number too large for a double, at most 0 for one
// too small. Only asked about numbers a double cannot hold.
long magnitudeOf(const char* p, const char* end) {
    long position = 0;
    bool significant = false;
    for (; p < end && isDigit(*p); ++p) {
        significant = significant || *p != '0';
        if (significant) ++position;
    }
    if (p < end && *p == '.') {
        for (++p; p < end && isDigit(*p); ++p) {
            if (significant) continue;
            significant = *p != '0';
            if (!significant) --position;
        }
    }
    if (p == end) return position;
    ++p;  // the exponent letter
    bool negative = p < end && *p == '-';
    if (p < end && (*p == '+' || *p == '-')) ++p;
    long exponent = 0;
    for (; p < end && isDigit(*p); ++p)
        if (exponent < kExponentLimit) exponent = exponent * 10 + (*p - '0');
    return position + (negative ? -exponent : exponent);
}

}  // namespace

Message letterMessage(char letter) {
    Message m{};
    m.text[0] = letter;
    m.byteCount = 2;
    return m;
}

Message numberMessage(char letter, double value) {
    Message m{};
    m.text[0] = letter;
    // Fixed notation with six decimals, independent of the process's locale.
    auto [end, error] = std::to_chars(m.text + 1, m.text + kMessageCapacity - 1, value,
                                      std::chars_format::fixed, 6);
    if (error != std::errc()) return Message{};  // cannot happen with this capacity
    *end = '\0';
    m.byteCount = int32_t(end - m.text) + 1;
    return m;
}

char letterOf(const void* data, int32_t byteCount) {
    if (data == nullptr || byteCount <= 0) return '\0';
    return *static_cast<const char*>(data);
}

float numberAfterLetter(const void* data, int32_t byteCount) {
    if (data == nullptr || byteCount <= 1) return 0.0f;
    return readDecimal(static_cast<const char*>(data) + 1, size_t(byteCount) - 1);
}

float readDecimal(const char* text, size_t length) {
    if (text == nullptr) return 0.0f;
    const char* end = static_cast<const char*>(std::memchr(text, '\0', length));
    if (end == nullptr) end = text + length;
    const char* p = text;
    while (p < end && isBlank(*p)) ++p;
    bool negative = p < end && *p == '-';
    if (p < end && (*p == '+' || *p == '-')) ++p;
    const char* last = numberEnd(p, end);
    if (last == p) return 0.0f;
    double value = 0.0;
    auto [stop, error] = std::from_chars(p, last, value, std::chars_format::general);
    if (error == std::errc::result_out_of_range)
        value = magnitudeOf(p, last) > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    else if (error != std::errc())
        return 0.0f;
    auto result = float(value);
    return negative ? -result : result;
}

}  // namespace data_messages
