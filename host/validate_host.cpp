// The host that validate's checks drive raw processing objects with.
#include <algorithm>
#include <cstring>

#include "host/validate.h"

namespace modhost::validate {

namespace {

constexpr size_t kRecordedCalls = 1 << 16;
constexpr size_t kQueuedEvents = 256;
const char* const kEmptyText = "";

intptr_t answerFilePath(int32_t size, char* out) {
    if (out == nullptr || size <= 0 || host.filePath == FilePathAnswer::Nothing) return 0;
    size_t length = std::min(host.givenPath.size(), size_t(size) - 1);
    std::memcpy(out, host.givenPath.data(), length);
    out[length] = '\0';
    return host.filePath == FilePathAnswer::Given ? 1 : 0;
}

}  // namespace

// Its constructor only reserves; running out of memory that early ends modhost anyway.
// NOLINTNEXTLINE(cert-err58-cpp)
HostSide host;
int hostPtrTag;

HostSide::HostSide() {
    calls.reserve(kRecordedCalls);
    queued.reserve(kQueuedEvents);
    time.tempo = 120.0;
    time.flags = kTransportRunning;
}

void require(bool condition, const std::string& reason) {
    if (!condition) throw CheckFailed(reason);
}

intptr_t hostCallback(void*, int32_t opcode, int32_t index, int32_t value, void* ptr, float) {
    if (host.calls.size() < host.calls.capacity()) host.calls.push_back(opcode);
    switch (HostOp(opcode)) {
        case HostOp::GetPinCount: return host.pinCount;
        case HostOp::GetSampleClock: return intptr_t(int32_t(host.clock));
        case HostOp::GetBlockStartClock: return intptr_t(int32_t(host.blockStart));
        case HostOp::GetPinBuffer: {
            if (host.pinBuffer == PinBufferAnswer::Null) return 0;
            bool own = index >= 0 && size_t(index) < host.buffers.size();
            float* buffer = own ? host.buffers[size_t(index)].data() : host.spareBuffer.data();
            return reinterpret_cast<intptr_t>(buffer);
        }
        case HostOp::GetTimeInfo:
            return host.timeInfo == TimeInfoAnswer::Null ? 0
                                                         : reinterpret_cast<intptr_t>(&host.time);
        case HostOp::GetFilePath: return answerFilePath(value, static_cast<char*>(ptr));
        case HostOp::QueueEvent:
            if (ptr != nullptr && host.queued.size() < host.queued.capacity())
                host.queued.push_back(*static_cast<const ModuleEvent*>(ptr));
            return 0;
        default: return 0;
    }
}

std::string joined(const std::vector<std::string>& parts, const char* separator) {
    std::string text;
    for (const auto& part : parts) text += (text.empty() ? "" : separator) + part;
    return text;
}

std::string callList(const std::vector<int32_t>& calls) {
    std::vector<std::string> opcodes;
    opcodes.reserve(calls.size());
    for (int32_t opcode : calls) opcodes.push_back(std::to_string(opcode));
    return joined(opcodes, ", ");
}

RawModule makeObject(const Subject& s, HostCallback callback) {
    return RawModule(s.library, callback, &hostPtrTag);
}

std::vector<PinInfo> pinsOf(const Subject& s, const RawModule& object) {
    return listPins(object.record()->dispatcher, object.record(), s.interfaceVersion);
}

void wirePins(const std::vector<PinInfo>& pins) {
    host.pinCount = countPlugs(pins);
    host.buffers.assign(size_t(host.pinCount), std::vector<float>(size_t(kBlockSize)));
    for (const auto& pin : pins) {
        if (pin.plugIndex < 0 || pin.variable == nullptr) continue;
        if (pin.kind == PinKind::Audio)
            *static_cast<float**>(pin.variable) = host.buffers[size_t(pin.plugIndex)].data();
        else if (pin.kind == PinKind::Text)
            *static_cast<const char**>(pin.variable) = kEmptyText;
    }
}

void open(RawModule& object) {
    object.dispatch(DispatchOp::SetSampleRate, 0, 0, nullptr, kSampleRate);
    object.dispatch(DispatchOp::SetBlockSize, 0, kBlockSize);
    object.dispatch(DispatchOp::Open);
}

void deliver(RawModule& object, EventType type, intptr_t extra, int32_t value) {
    ModuleEvent event{int32_t(host.clock), type, value, 0, extra, nullptr};
    object.record()->event(object.record()->object, &event);
}

void process(RawModule& object, int32_t count) {
    host.clock = host.blockStart;
    object.record()->process(object.record()->object, 0, count);
}

void deliverQueued(RawModule& object) {
    // Delivering may queue more; those wait for the next round.
    size_t due = host.queued.size();
    for (size_t i = 0; i < due; ++i) {
        ModuleEvent event = host.queued[i];
        event.link = nullptr;
        object.record()->event(object.record()->object, &event);
    }
    host.queued.erase(host.queued.begin(), host.queued.begin() + ptrdiff_t(due));
}

void requireClosed(RawModule& object) {
    intptr_t result = object.close();
    require(result == 1, "Close returned " + std::to_string(result) + " instead of 1");
}

}  // namespace modhost::validate
