// Any bytes as one rule text. A parsed rule holds only values its fields can
// hold, writing it back as text parses to the same rule, and the host's rule
// descriptions cope with whatever was parsed.
#include <climits>
#include <cstring>
#include <string>

#include "fuzz_check.h"
#include "host/rule_words.h"
#include "rule_parser.h"

namespace {

using namespace midi_bender;

bool isEmpty(const RemapRule& rule) {
    static const RemapRule kEmpty{};
    return std::memcmp(&rule, &kEmpty, sizeof rule) == 0;
}

bool isStatusToken(int32_t code) {
    switch (code) {
        case Discard:
        case NoteOff:
        case NoteOn:
        case KeyAft:
        case Ctrl:
        case ProgChg:
        case ChanAft:
        case PitchB:
        case Nrpn:
        case Rpn:
        case Wildcard: return true;
        default: return false;
    }
}

bool sameRule(const RemapRule& a, const RemapRule& b) {
    return a.channelIn == b.channelIn && a.statusIn == b.statusIn && a.data1MinIn == b.data1MinIn &&
           a.data1MaxIn == b.data1MaxIn && a.data2MinIn == b.data2MinIn &&
           a.data2MaxIn == b.data2MaxIn && a.passFlag == b.passFlag &&
           a.channelOut == b.channelOut && a.statusOut == b.statusOut &&
           a.data1MinOut == b.data1MinOut && a.data1MaxOut == b.data1MaxOut &&
           a.data2MinOut == b.data2MinOut && a.data2MaxOut == b.data2MaxOut && a.swap1 == b.swap1 &&
           a.swap2 == b.swap2;
}

std::string statusText(int32_t code) {
    switch (code) {
        case Discard: return "Discard";
        case NoteOff: return "NoteOff";
        case NoteOn: return "NoteOn";
        case KeyAft: return "KeyAft";
        case Ctrl: return "Ctrl";
        case ProgChg: return "ProgChg";
        case ChanAft: return "ChanAft";
        case PitchB: return "PitchB";
        case Nrpn: return "NRPN";
        case Rpn: return "RPN";
        default: return "*";
    }
}

// The text a user writes for a stored value: one-based fields add the one
// back, except for the two values the parser keeps as they are.
std::string valueText(int32_t stored, bool oneBased) {
    if (stored == Wildcard) return "*";
    if (!oneBased || stored == INT32_MIN) return std::to_string(stored);
    return std::to_string(int64_t(stored) + 1);
}

std::string ruleText(const RemapRule& r) {
    bool progIn = r.statusIn == ProgChg, progOut = r.statusOut == ProgChg;
    std::string text = valueText(r.channelIn, true) + "," + statusText(r.statusIn) + "," +
                       valueText(r.data1MinIn, progIn) + "," + valueText(r.data1MaxIn, progIn) +
                       "," + valueText(r.data2MinIn, false) + "," + valueText(r.data2MaxIn, false) +
                       "," + (r.passFlag ? std::string(1, r.passFlag) : "-") + "," +
                       valueText(r.channelOut, true) + "," + statusText(r.statusOut) + "," +
                       valueText(r.data1MinOut, progOut) + "," + valueText(r.data1MaxOut, progOut) +
                       "," + valueText(r.data2MinOut, false) + "," +
                       valueText(r.data2MaxOut, false);
    if (r.swap1) text += std::string(",") + r.swap1;
    if (r.swap2) text += std::string(",") + r.swap2;
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    RemapRule rule;
    std::memset(&rule, 0x5A, sizeof rule);
    bool parsed = parseRuleText(text.c_str(), rule);
    if (!parsed) {
        FUZZ_CHECK(isEmpty(rule));
        return 0;
    }
    FUZZ_CHECK(std::strlen(text.c_str()) <= size_t(kMaxRuleTextLength));
    FUZZ_CHECK(isStatusToken(rule.statusIn) && isStatusToken(rule.statusOut));
    FUZZ_CHECK(rule.passFlag == 0 || rule.passFlag == 'Y' || rule.passFlag == 'N');
    FUZZ_CHECK(rule.swap1 == 0 || rule.swap1 == '<' || rule.swap1 == '>');
    FUZZ_CHECK(rule.swap2 == 0 || rule.swap2 == '<' || rule.swap2 == '>');
    FUZZ_CHECK(rule.swap1 != 0 || rule.swap2 == 0);

    // Written back in the longest form, a rule can outgrow the parser's limit.
    std::string again = ruleText(rule);
    RemapRule reparsed{};
    if (again.size() <= size_t(kMaxRuleTextLength)) {
        FUZZ_CHECK(parseRuleText(again.c_str(), reparsed));
        FUZZ_CHECK(sameRule(rule, reparsed));
    }

    std::string words = modhost::ruleWords(rule);
    FUZZ_CHECK(!words.empty());
    for (const std::string& warning : modhost::ruleWarnings(rule)) FUZZ_CHECK(!warning.empty());
    return 0;
}
