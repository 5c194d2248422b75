#include "modframe/processing_module.h"

#include <new>

#include "modframe/module_entries.h"

namespace modframe {

namespace {

// One per library: rewritten by every QueryProcessRoutine, from any instance.
RoutineQuery routineQuery{1, 16, nullptr, 0};

bool hasPlug(const PinProperties& pin, PlugRules rules) {
    if (!rules.testsPanelSide || !hasFlag(pin.flags, PinFlag::PanelSide)) return true;
    return hasFlag(pin.flags, PinFlag::VisibleToProcessing);
}

}  // namespace

ProcessingModule::ProcessingModule(HostCallback callback, void* hostPtr)
    : hostCallback_(callback), currentRoutine_(routine<&ProcessingModule::doNothingRoutine>()) {
    record_.stamp = kLibraryStamp;
    record_.recordVersion = 1;
    record_.hostPtr = hostPtr;
    record_.object = this;
    record_.dispatcher = &dispatcherEntry;
    record_.event = &eventEntry;
    record_.process = currentRoutine_.entry;
}

ProcessingModule::~ProcessingModule() = default;

intptr_t ProcessingModule::dispatcherEntry(void* record, int32_t opcode, int32_t index,
                                           int32_t value, void* ptr, float opt) noexcept {
    if (record == nullptr) return 0;
    auto* module = static_cast<ProcessingModule*>(static_cast<ModuleRecord*>(record)->object);
    return module->dispatch(opcode, index, value, ptr, opt);
}

void ProcessingModule::eventEntry(void* object, ModuleEvent* event) noexcept {
    if (object == nullptr || event == nullptr) return;
    static_cast<ProcessingModule*>(object)->handleEvent(event);
}

intptr_t ProcessingModule::dispatch(int32_t opcode, int32_t index, int32_t value, void* ptr,
                                    float opt) {
    switch (DispatchOp(opcode)) {
        case DispatchOp::Open: open(); return 0;
        case DispatchOp::Close:
            close();
            destroy();
            return 1;
        case DispatchOp::SetSampleRate: setSampleRate(opt); return 0;
        case DispatchOp::SetBlockSize: setBlockSize(value); return 0;
        case DispatchOp::GetPinProperties:
            if (ptr == nullptr) return 0;
            return getPinProperties(index, static_cast<PinProperties*>(ptr)) ? 1 : 0;
        case DispatchOp::Opcode8:
            onOpcode8();
            if (index > 0) onOpcode8Index(index);
            return 0;
        case DispatchOp::ReceiveData: receiveData(value, index, ptr); return 0;
        case DispatchOp::QueryProcessRoutine:
            routineQuery = RoutineQuery{1, 16, &currentRoutine_, 0};
            return reinterpret_cast<intptr_t>(&routineQuery);
    }
    return 0;
}

void ProcessingModule::handleEvent(ModuleEvent* event) {
    switch (event->type) {
        case EventType::PinStatusChange:
            if (event->extra >= 0 && event->extra < plugCount_ && !plugs_[event->extra].isEmpty())
                plugs_[event->extra].notifyStatusChange(PinStatus(event->value));
            break;
        case EventType::Midi:
            onMidiEvent(event->time, event->value, int16_t(event->value2 & 0xFFFF));
            break;
        case EventType::DeferredCall:
            if (event->extra != 0)
                reinterpret_cast<DeferredEntry>(event->extra)(static_cast<ProcessingModule*>(this));
            break;
    }
}

void ProcessingModule::onPlugStateChange(Plug&) {}
void ProcessingModule::onMidiEvent(int32_t, int32_t, int16_t) {}
void ProcessingModule::receiveData(int32_t, int32_t, void*) {}
bool ProcessingModule::getPinProperties(int32_t, PinProperties*) {
    return false;
}

void ProcessingModule::open() {
    buildPlugTable(kCurrentPlugRules);
}

void ProcessingModule::buildPlugTable(PlugRules rules) {
    plugs_.reset();
    plugCount_ = 0;
    auto hostCount = int32_t(callHost(HostOp::GetPinCount, 0, 0, nullptr));
    if (hostCount <= 0) return;
    plugs_.reset(new (std::nothrow) Plug[size_t(hostCount)]);
    if (!plugs_) return;
    plugCount_ = hostCount;

    int32_t listed = 0;
    int32_t next = 0;
    for (; next < hostCount; ++listed) {
        PinProperties pin{};
        if (!getPinProperties(listed, &pin)) {
            repeatLastPin(listed, next, rules);
            return;
        }
        if (hasPlug(pin, rules)) {
            plugs_[next].initialize(this, next, pin.kind, pin.variable, rules);
            ++next;
        }
    }
}

void ProcessingModule::repeatLastPin(int32_t listed, int32_t firstFree, PlugRules rules) {
    PinProperties last{};
    if (listed == 0 || !getPinProperties(listed - 1, &last)) return;
    if (!hasFlag(last.flags, PinFlag::AutoDuplicate) || !hasPlug(last, rules)) return;
    for (int32_t i = firstFree; i < plugCount_; ++i)
        plugs_[i].initialize(this, i, last.kind, nullptr, rules);
}

intptr_t ProcessingModule::callHost(HostOp opcode, int32_t index, int32_t value, void* ptr,
                                    float opt) {
    if (hostCallback_ == nullptr) return 0;
    return hostCallback_(&record_, int32_t(opcode), index, value, ptr, opt);
}

int32_t ProcessingModule::sampleClock() {
    return int32_t(callHost(HostOp::GetSampleClock, 0, 0, nullptr));
}

void ProcessingModule::requestSleep() {
    callHost(HostOp::RequestSleep, 0, 0, nullptr);
}

void ProcessingModule::setProcessRoutine(ProcessRoutine routine) {
    if (routine.entry == currentRoutine_.entry) return;
    currentRoutine_ = ProcessRoutine{routine.entry, {0, 0, 0}};
    record_.process = routine.entry;
    callHost(HostOp::ProcessRoutineChanged, 0, 0, nullptr);
}

void ProcessingModule::queueEvent(int32_t time, EventType type, int32_t value, int32_t value2,
                                  intptr_t extra) {
    ModuleEvent event{time, type, value, value2, extra, nullptr};
    callHost(HostOp::QueueEvent, 0, 0, &event);
}

void ProcessingModule::queueDeferredCall(int32_t time, DeferredEntry operation) {
    queueEvent(time, EventType::DeferredCall, 0, 0, reinterpret_cast<intptr_t>(operation));
}

void ProcessingModule2120::handleEvent(ModuleEvent* event) {
    // This revision queues no calls, so a deferred call cannot be one of ours.
    if (event->type == EventType::DeferredCall) return;
    ProcessingModule::handleEvent(event);
}

intptr_t ProcessingModule2120::dispatch(int32_t opcode, int32_t index, int32_t value, void* ptr,
                                        float opt) {
    switch (DispatchOp(opcode)) {
        case DispatchOp::Opcode8: onOpcode8(); return 0;
        case DispatchOp::QueryProcessRoutine: return 0;
        default: return ProcessingModule::dispatch(opcode, index, value, ptr, opt);
    }
}

}  // namespace modframe
