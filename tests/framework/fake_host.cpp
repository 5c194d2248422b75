#include "fake_host.h"

#include <algorithm>

namespace modframe {
extern const int32_t kLibraryStamp = 0x7e57;
}

namespace framework_test {

std::vector<std::string> journal;

intptr_t FakeHost::callback(void* record, int32_t opcode, int32_t index, int32_t value, void* ptr,
                            float) {
    auto* moduleRecord = static_cast<ModuleRecord*>(record);
    auto* host = static_cast<FakeHost*>(moduleRecord->hostPtr);
    host->calls.push_back(Call{opcode, index, value, reinterpret_cast<intptr_t>(ptr)});
    switch (HostOp(opcode)) {
        case HostOp::GetPinCount: return host->pinCount;
        case HostOp::GetSampleClock: return host->sampleClock;
        case HostOp::GetBlockStartClock: return host->blockStart;
        case HostOp::GetPinBuffer: return reinterpret_cast<intptr_t>(host->pinBuffer);
        case HostOp::IsPinConnected: return index == 1;
        case HostOp::ProcessRoutineChanged: host->processAtChange = moduleRecord->process; return 0;
        case HostOp::QueueEvent: host->queued.push_back(*static_cast<ModuleEvent*>(ptr)); return 0;
        default: return 0;
    }
}

int FakeHost::count(HostOp op) const {
    return int(std::count_if(calls.begin(), calls.end(),
                             [op](const Call& c) { return c.opcode == int32_t(op); }));
}

PinProperties pin(const char* name, PinKind kind, void* variable, int32_t flags,
                  PinDirection direction) {
    PinProperties p{};
    p.name = name;
    p.kind = kind;
    p.variable = variable;
    p.flags = flags;
    p.direction = direction;
    return p;
}

}  // namespace framework_test
