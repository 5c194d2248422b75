// The checks of a host that answers badly: no pin buffer, no or a strange time
// record, no file path, a pin count that does not match the list. A module may do
// little in such a host, but it must neither crash nor hang, and still close.
#include <cmath>
#include <limits>

#include "host/validate.h"
#include "host/validate_drive.h"

namespace modhost::validate {

namespace {

constexpr int kRounds = 4;

// Opens an object in the host as it is now set up, works it and closes it.
void survive(const Subject& s, const std::string& hostAnswer,
             void (*adjust)(const std::vector<PinInfo>&) = nullptr) {
    try {
        RawModule object = makeObject(s);
        const std::vector<PinInfo> pins = pinsOf(s, object);
        wirePins(pins);
        if (adjust) adjust(pins);
        open(object);
        exercise(object, pins, kRounds);
        requireClosed(object);
    } catch (const CheckFailed& e) {
        throw CheckFailed("with " + hostAnswer + ": " + e.what());
    }
}

void checkPinCounts(const Subject& s) {
    const int32_t plugs = countPlugs(pinsOf(s, makeObject(s)));
    for (int32_t count : {0, -1, 1, plugs - 1, plugs + 3, INT32_MIN}) {
        RawModule object = makeObject(s);
        const std::vector<PinInfo> pins = pinsOf(s, object);
        wirePins(pins);
        host.pinCount = count;
        open(object);
        exercise(object, pins, kRounds);
        intptr_t result = object.close();
        require(result == 1, "with GetPinCount answering " + std::to_string(count) +
                                 ": Close returned " + std::to_string(result));
        host = HostSide{};
    }
}

void checkNoPinBuffer(const Subject& s) {
    host.pinBuffer = PinBufferAnswer::Null;
    survive(s, "GetPinBuffer answering null");
}

void checkTimeInfo(const Subject& s) {
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    struct Odd {
        const char* what;
        double tempo, position;
        int32_t flags;
    };
    constexpr Odd kOdd[] = {
        {"a tempo of 0", 0.0, 0.0, kTransportRunning},
        {"a negative tempo", -120.0, 0.0, kTransportRunning},
        {"a NaN tempo", kNaN, 0.0, kTransportRunning},
        {"a tempo of 1e9", 1e9, 0.0, kTransportRunning},
        {"a tempo of 1e-9", 1e-9, 0.0, kTransportRunning},
        {"a NaN position", 120.0, kNaN, kTransportRunning},
        {"a position of -1e12", 120.0, -1e12, kTransportRunning},
        {"every flag set", 120.0, 3.5, -1},
    };
    host.timeInfo = TimeInfoAnswer::Null;
    survive(s, "GetTimeInfo answering null");
    for (const Odd& odd : kOdd) {
        host = HostSide{};
        host.time.tempo = odd.tempo;
        host.time.ppqPosition = odd.position;
        host.time.flags = odd.flags;
        survive(s, std::string("a time record holding ") + odd.what);
    }
}

void nameRuleFiles(const std::vector<PinInfo>& pins) {
    static const char* const kName = "rules.txt";
    for (const auto& pin : pins)
        if (pin.kind == PinKind::Text && pin.variable && hasFlag(pin.flags, PinFlag::FileName))
            *static_cast<const char**>(pin.variable) = kName;
}

void checkFilePaths(const Subject& s) {
    struct Answer {
        const char* what;
        FilePathAnswer answer;
        std::string path;
    };
    const Answer kAnswers[] = {
        {"GetFilePath answering 0 and writing nothing", FilePathAnswer::Nothing, ""},
        {"GetFilePath answering 0 and an empty path", FilePathAnswer::Empty, ""},
        {"GetFilePath naming a folder", FilePathAnswer::Given, "/"},
        {"GetFilePath naming a missing file", FilePathAnswer::Given, "/nonexistent/rules.txt"},
        {"GetFilePath naming an empty file", FilePathAnswer::Given, "/dev/null"},
        {"GetFilePath filling the whole buffer", FilePathAnswer::Given,
         "/" + std::string(4096, 'r')},
    };
    for (const Answer& a : kAnswers) {
        host = HostSide{};
        host.filePath = a.answer;
        host.givenPath = a.path;
        survive(s, a.what, &nameRuleFiles);
    }
}

constexpr Check kChecks[] = {
    {"GetPinCount answering 0, negative, fewer or more pins is survived", Stage::Open,
     &checkPinCounts},
    {"GetPinBuffer answering null is survived", Stage::Process, &checkNoPinBuffer},
    {"GetTimeInfo answering null or odd records is survived", Stage::Process, &checkTimeInfo},
    {"GetFilePath answering 0 or odd paths is survived", Stage::Process, &checkFilePaths},
};

}  // namespace

std::span<const Check> faultChecks() {
    return kChecks;
}

}  // namespace modhost::validate
