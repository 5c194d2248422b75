#include "rule_parser.h"

#include <climits>
#include <cstring>

namespace midi_bender {

namespace {

constexpr char kSeparators[] = ",;:\t \n\r";
constexpr int kValueCount = 13;

struct StatusToken {
    const char* token;
    int32_t code;
};

constexpr StatusToken kStatusTokens[] = {
    {"NoteOff", NoteOff}, {"NoteOn", NoteOn},   {"KeyAft", KeyAft},       {"Ctrl", Ctrl},
    {"ProgChg", ProgChg}, {"ChanAft", ChanAft}, {"PitchB", PitchB},       {"Discard", Discard},
    {"RPN", Rpn},         {"NRPN", Nrpn},       {"*", int32_t(Wildcard)},
};

bool isSeparator(char c) {
    return c != '\0' && std::strchr(kSeparators, c) != nullptr;
}

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool equalIgnoringCase(const char* a, const char* b) {
    for (; *a != '\0' && *b != '\0'; ++a, ++b)
        if (lowerAscii(*a) != lowerAscii(*b)) return false;
    return *a == *b;
}

// Cuts a writable text into tokens in place, left to right: separators before
// a token are skipped and the separator after it becomes its terminator, so a
// run of separators never yields an empty token.
class Tokenizer {
public:
    explicit Tokenizer(char* text) : next_(text) {}

    const char* next() {
        while (isSeparator(*next_)) ++next_;
        if (*next_ == '\0') return nullptr;
        char* token = next_;
        while (*next_ != '\0' && !isSeparator(*next_)) ++next_;
        if (*next_ != '\0') *next_++ = '\0';
        return token;
    }

private:
    char* next_;
};

// Users write channels 1 to 16 and program numbers 1 to 128.
int32_t fromOneBased(int32_t value) {
    return value == Wildcard || value == INT32_MIN ? value : value - 1;
}

int32_t programAware(const char* token, int32_t status) {
    int32_t value = convertNumber(token);
    return status == ProgChg ? fromOneBased(value) : value;
}

char passFlagOf(const char* token) {
    if (equalIgnoringCase(token, "y")) return 'Y';
    if (equalIgnoringCase(token, "n")) return 'N';
    return 0;  // no flag: the message passes, as with 'Y'
}

char swapMarkerOf(const char* token) {
    if (token == nullptr || token[1] != '\0') return 0;
    return token[0] == '<' || token[0] == '>' ? token[0] : '\0';
}

}  // namespace

bool lookupStatus(const char* token, int32_t& code) {
    for (const auto& entry : kStatusTokens) {
        if (equalIgnoringCase(token, entry.token)) {
            code = entry.code;
            return true;
        }
    }
    return false;
}

int32_t convertNumber(const char* token) {
    if (token[0] == '*' && token[1] == '\0') return Wildcard;
    bool negative = false;
    if (*token == '+' || *token == '-') negative = *token++ == '-';
    constexpr int64_t kLimit = int64_t(INT32_MAX) + 1;
    int64_t magnitude = 0;
    for (; *token >= '0' && *token <= '9'; ++token) {
        magnitude = magnitude * 10 + (*token - '0');
        if (magnitude > kLimit) magnitude = kLimit;
    }
    if (negative) return int32_t(-magnitude);
    return magnitude > INT32_MAX ? INT32_MAX : int32_t(magnitude);
}

bool parseRuleText(const char* text, RemapRule& rule) {
    rule = RemapRule{};
    if (text == nullptr) return false;
    const void* end = std::memchr(text, '\0', kMaxRuleTextLength + 1);
    if (end == nullptr) return false;  // longer than the work buffer holds
    size_t length = size_t(static_cast<const char*>(end) - text);

    char work[kMaxRuleTextLength + 1];
    std::memcpy(work, text, length);
    work[length] = '\0';
    Tokenizer tokens(work);
    const char* value[kValueCount];
    for (auto& token : value)
        if ((token = tokens.next()) == nullptr) return false;

    RemapRule parsed{};
    if (!lookupStatus(value[1], parsed.statusIn) || !lookupStatus(value[8], parsed.statusOut))
        return false;
    parsed.channelIn = fromOneBased(convertNumber(value[0]));
    parsed.data1MinIn = programAware(value[2], parsed.statusIn);
    parsed.data1MaxIn = programAware(value[3], parsed.statusIn);
    parsed.data2MinIn = convertNumber(value[4]);
    parsed.data2MaxIn = convertNumber(value[5]);
    parsed.passFlag = passFlagOf(value[6]);
    parsed.channelOut = fromOneBased(convertNumber(value[7]));
    parsed.data1MinOut = programAware(value[9], parsed.statusOut);
    parsed.data1MaxOut = programAware(value[10], parsed.statusOut);
    parsed.data2MinOut = convertNumber(value[11]);
    parsed.data2MaxOut = convertNumber(value[12]);
    parsed.swap1 = swapMarkerOf(tokens.next());
    if (parsed.swap1 != 0) parsed.swap2 = swapMarkerOf(tokens.next());
    rule = parsed;
    return true;
}

}  // namespace midi_bender
