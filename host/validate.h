// modhost validate: the checks every plug-in library must pass, the stage of a
// module's life each belongs to, and the small host the checks drive objects with.
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/commands.h"
#include "host/pin_table.h"

namespace modhost::validate {

// The stages of a module's life, in order; a failed run exits with the code of the
// earliest stage that failed.
enum class Stage { Load, Describe, Create, Open, Process, Close };
const char* stageName(Stage stage);
int stageExitCode(Stage stage);

class CheckFailed : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A check whose subject cannot be tested in this build (it is reported as skipped).
class CheckSkipped : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

void require(bool condition, const std::string& reason);

struct Subject {
    const PluginLibrary& library;
    int32_t interfaceVersion;
};

struct Check {
    const char* name;
    Stage stage;
    void (*run)(const Subject&);
};

std::span<const Check> contractChecks();
std::span<const Check> safetyChecks();
std::span<const Check> faultChecks();

constexpr float kSampleRate = 48000.0f;
constexpr int32_t kBlockSize = 64;
constexpr int32_t kProcessCount = 16;

// How the checking host answers the calls that fault injection varies.
enum class PinBufferAnswer { Buffer, Null };
enum class TimeInfoAnswer { Record, Null };
enum class FilePathAnswer { Nothing, Empty, Given };

// The host side of the running check: what it answers and the calls it received.
// Its answers allocate nothing, so allocation counting sees only the module's own.
struct HostSide {
    HostSide();
    std::vector<int32_t> calls;  // opcodes received, up to the reserved capacity
    int32_t pinCount = 0;
    int64_t clock = 0;
    int64_t blockStart = 0;
    std::vector<std::vector<float>> buffers;  // one per plug
    std::vector<float> spareBuffer = std::vector<float>(size_t(kBlockSize));
    TimeInfo time{};
    std::vector<ModuleEvent> queued;  // events the module queued, up to the reserved capacity
    PinBufferAnswer pinBuffer = PinBufferAnswer::Buffer;
    TimeInfoAnswer timeInfo = TimeInfoAnswer::Record;
    FilePathAnswer filePath = FilePathAnswer::Nothing;
    std::string givenPath;
};
extern HostSide host;
extern int hostPtrTag;  // its address is the hostPtr every object is made with

intptr_t hostCallback(void* record, int32_t opcode, int32_t index, int32_t value, void* ptr,
                      float opt);

std::string joined(const std::vector<std::string>& parts, const char* separator);
std::string callList(const std::vector<int32_t>& calls);

RawModule makeObject(const Subject& s, HostCallback callback = &hostCallback);
std::vector<PinInfo> pinsOf(const Subject& s, const RawModule& object);
// Gives every plug a buffer and every audio and text member a value, as the host must.
void wirePins(const std::vector<PinInfo>& pins);
void open(RawModule& object);
void deliver(RawModule& object, EventType type, intptr_t extra,
             int32_t value = int32_t(PinStatus::Streaming));
void process(RawModule& object, int32_t count = kProcessCount);
// Hands the module the events it queued, as the host does when their time comes.
void deliverQueued(RawModule& object);
void requireClosed(RawModule& object);

// What became of one check run in a child process.
struct Outcome {
    enum class Result { Pass, Fail, Skip, Crashed, Timeout };
    Result result = Result::Pass;
    std::string reason;
};
const char* resultName(Outcome::Result result);

// Runs `body` in a child process and waits at most `timeoutSeconds` for it: a child
// that dies of a signal or exits without answering is Crashed, one that runs over
// is killed and Timeout. The run goes on either way.
Outcome runIsolated(Outcome (*body)(const void* context), const void* context,
                    double timeoutSeconds);

}  // namespace modhost::validate
