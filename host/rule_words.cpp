#include "host/rule_words.h"

namespace modhost {

namespace {

using namespace midi_bender;

std::string statusName(int32_t code) {
    switch (code) {
        case NoteOff: return "Note Off";
        case NoteOn: return "Note On";
        case KeyAft: return "Key Pressure";
        case Ctrl: return "Control Change";
        case ProgChg: return "Program Change";
        case ChanAft: return "Channel Pressure";
        case PitchB: return "Pitch Bend";
        case Rpn: return "RPN";
        case Nrpn: return "NRPN";
        case Discard: return "Discard";
        case Wildcard: return "any status";  // as output, only when the input is "*" too
    }
    return "status " + std::to_string(code);
}

// Program numbers are written 1 to 128 and kept 0 to 127.
int64_t shown(int32_t value, int32_t status, bool data1) {
    return data1 && status == ProgChg ? int64_t(value) + 1 : value;
}

std::string fieldName(int32_t status, bool data1) {
    if (status == Ctrl) return data1 ? "controller" : "value";
    if (status == ProgChg && data1) return "program";
    if (status == Rpn || status == Nrpn) return data1 ? "parameter" : "value";
    return data1 ? "data 1" : "data 2";
}

// Controllers and parameters are named by their number: "Control Change 5", "NRPN 200".
bool namesByNumber(int32_t status) {
    return status == Ctrl || status == Rpn || status == Nrpn;
}

// "", "65..127", "..100", "10..", "5".
std::string range(int32_t lo, int32_t hi, int32_t status, bool data1) {
    if (lo == Wildcard && hi == Wildcard) return "";
    std::string low = lo == Wildcard ? "" : std::to_string(shown(lo, status, data1));
    std::string high = hi == Wildcard ? "" : std::to_string(shown(hi, status, data1));
    return lo == hi ? low : low + ".." + high;
}

// "Control Change 5, value 0..127" or "Note On, data 1 60..72".
std::string message(int32_t status, int32_t d1lo, int32_t d1hi, int32_t d2lo, int32_t d2hi) {
    std::string words = statusName(status);
    std::string first = range(d1lo, d1hi, status, true);
    bool fixedController = namesByNumber(status) && d1lo == d1hi && d1lo != Wildcard;
    if (fixedController)
        words += " " + first;
    else if (!first.empty())
        words += ", " + fieldName(status, true) + " " + first;
    std::string second = range(d2lo, d2hi, status, false);
    if (!second.empty()) words += ", " + fieldName(status, false) + " " + second;
    return words;
}

std::string outputRange(int32_t lo, int32_t hi) {
    // A "*" at either end leaves the value as it came.
    return lo == Wildcard || hi == Wildcard ? ""
           : lo == hi                       ? std::to_string(lo)
                                            : std::to_string(lo) + ".." + std::to_string(hi);
}

std::string channelIn(int32_t channel) {
    return channel == Wildcard ? "any channel" : "channel " + std::to_string(int64_t(channel) + 1);
}

std::string swaps(const RemapRule& rule) {
    bool fromSecond = rule.swap1 == '<' || rule.swap2 == '<';
    bool fromFirst = rule.swap1 == '>' || rule.swap2 == '>';
    if (fromSecond && fromFirst) return ", data 1 and data 2 exchanged";
    if (fromSecond) return ", data 1 from data 2";
    if (fromFirst) return ", data 2 from data 1";
    return "";
}

void checkRange(std::vector<std::string>& warnings, int32_t lo, int32_t hi, int32_t status,
                bool data1) {
    std::string name =
        status == Wildcard ? (data1 ? "data 1" : "data 2") : fieldName(status, data1);
    int32_t top = status == Rpn || status == Nrpn ? 16383 : 127;
    if (lo != Wildcard && hi != Wildcard && lo > hi)
        warnings.push_back("the " + name + " range " + std::to_string(shown(lo, status, data1)) +
                           ".." + std::to_string(shown(hi, status, data1)) +
                           " has its minimum above its maximum: the rule never matches");
    else if (lo != Wildcard && lo > top)
        warnings.push_back("the " + name + " minimum " + std::to_string(shown(lo, status, data1)) +
                           " is above " + std::to_string(shown(top, status, data1)) +
                           ": the rule never matches");
    else if (hi != Wildcard && hi < 0)
        warnings.push_back("the " + name + " maximum is below 0: the rule never matches");
}

bool isChannel(int32_t channel) {
    return channel == Wildcard || (channel >= 0 && channel <= 15);
}

}  // namespace

bool isEmptyRule(const RemapRule& rule) {
    return rule.statusIn == 0 && rule.statusOut == 0 && rule.channelIn == 0 && rule.passFlag == 0 &&
           rule.channelOut == 0 && rule.data1MinIn == 0 && rule.data1MaxIn == 0 &&
           rule.data2MinIn == 0 && rule.data2MaxIn == 0 && rule.data1MinOut == 0 &&
           rule.data1MaxOut == 0 && rule.data2MinOut == 0 && rule.data2MaxOut == 0 &&
           rule.swap1 == 0 && rule.swap2 == 0;
}

std::string ruleWords(const RemapRule& rule) {
    if (isEmptyRule(rule)) return "empty";
    std::string words =
        channelIn(rule.channelIn) + " " +
        message(rule.statusIn, rule.data1MinIn, rule.data1MaxIn, rule.data2MinIn, rule.data2MaxIn);
    words += " -> ";
    if (rule.statusOut == Discard) return words + "discard";
    if (rule.channelOut != Wildcard)
        words += "channel " + std::to_string(int64_t(rule.channelOut) + 1) + " ";
    int32_t status = rule.statusOut == Wildcard ? rule.statusIn : rule.statusOut;
    // "*" keeps the status the message came with.
    std::string out = statusName(status);
    std::string first = outputRange(rule.data1MinOut, rule.data1MaxOut);
    std::string second = outputRange(rule.data2MinOut, rule.data2MaxOut);
    if (status == ProgChg && !first.empty())
        first = range(rule.data1MinOut, rule.data1MaxOut, ProgChg, true);
    bool fixedController =
        namesByNumber(status) && rule.data1MinOut == rule.data1MaxOut && !first.empty();
    if (fixedController)
        out += " " + first;
    else if (!first.empty())
        out += ", " + fieldName(status, true) + " " + first;
    if (!second.empty()) out += ", " + fieldName(status, false) + " " + second;
    words += out + swaps(rule);
    return words + (rule.passFlag == 'N' ? ", stop" : ", pass");
}

std::vector<std::string> ruleWarnings(const RemapRule& rule) {
    std::vector<std::string> warnings;
    if (isEmptyRule(rule)) return warnings;
    if (rule.statusIn == Wildcard)
        warnings.push_back("status-in \"*\" never matches: a rule matches one status exactly");
    if (rule.statusIn == Discard) warnings.push_back("status-in Discard never matches a message");
    if (!isChannel(rule.channelIn))
        warnings.push_back("channel-in " + std::to_string(int64_t(rule.channelIn) + 1) +
                           " is outside 1..16: the rule never matches");
    if (!isChannel(rule.channelOut))
        warnings.push_back("channel-out " + std::to_string(int64_t(rule.channelOut) + 1) +
                           " is outside 1..16: it spills into the status byte of what is sent");
    checkRange(warnings, rule.data1MinIn, rule.data1MaxIn, rule.statusIn, true);
    checkRange(warnings, rule.data2MinIn, rule.data2MaxIn, rule.statusIn, false);
    if (rule.passFlag != 'Y' && rule.passFlag != 'N')
        warnings.push_back(
            "the pass flag (the 7th value) is neither y nor n: the incoming "
            "message passes on, as with y");
    return warnings;
}

}  // namespace modhost
