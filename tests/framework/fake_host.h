// A scripted host and a probe module for testing the framework in-process.
#pragma once

#include <string>
#include <vector>

#include "modframe/module_entries.h"
#include "modframe/plugin_entry.h"

namespace framework_test {

using modframe::Plug;

struct Call {
    int32_t opcode, index, value;
    intptr_t ptr;
    bool operator==(const Call&) const = default;
};

// Answers the few host calls the framework makes and records every call.
struct FakeHost {
    std::vector<Call> calls;
    int32_t pinCount = 0;
    int32_t sampleClock = 0;
    int32_t blockStart = 0;
    float* pinBuffer = nullptr;
    // The record's process field as it was when ProcessRoutineChanged arrived.
    ProcessEntry processAtChange = nullptr;
    std::vector<ModuleEvent> queued;

    static intptr_t callback(void* record, int32_t opcode, int32_t index, int32_t value, void* ptr,
                             float opt);
    int count(HostOp op) const;
};

extern std::vector<std::string> journal;  // operations of probe modules, in order

template <class Base>
class Probe : public Base {
public:
    using Base::Base;
    ~Probe() override { journal.push_back("destructor"); }

    std::vector<PinProperties> pinList;
    std::vector<int32_t> statusSeen;  // plug status while onPlugStateChange ran
    std::vector<int32_t> midi;        // time, message, value2 of each MIDI event
    int deferredCalls = 0;

    using Base::buildPlugTable;
    using Base::setProcessRoutine;

    void selectRun() { setProcessRoutine(modframe::routine<&Probe::processRun>()); }
    void processRun(int32_t, int32_t) { journal.push_back("run"); }
    void tick() { ++deferredCalls; }

protected:
    bool getPinProperties(int32_t index, PinProperties* out) override {
        if (index < 0 || index >= int32_t(pinList.size())) return false;
        *out = pinList[size_t(index)];
        return true;
    }
    void onPlugStateChange(Plug& plug) override { statusSeen.push_back(int32_t(plug.status())); }
    void open() override {
        journal.push_back("open");
        Base::open();
    }
    void close() override { journal.push_back("close"); }
    void onOpcode8() override { journal.push_back("opcode8"); }
    void onMidiEvent(int32_t time, int32_t message, int16_t value2) override {
        midi.insert(midi.end(), {time, message, value2});
    }
};

// Revision 2120 cannot override onOpcode8Index; the current one records it.
class ProbeModule : public Probe<modframe::ProcessingModule> {
public:
    using Probe::Probe;
    using ProcessingModule::queueDeferredCall;
    using ProcessingModule::queueEvent;
    void queueTick(int32_t time) { queueDeferredCall(time, modframe::deferred<&Probe::tick>()); }

protected:
    void onOpcode8Index(int32_t index) override {
        journal.push_back("opcode8Index " + std::to_string(index));
    }
};

using ProbeModule2120 = Probe<modframe::ProcessingModule2120>;

PinProperties pin(const char* name, PinKind kind, void* variable, int32_t flags = 0,
                  PinDirection direction = PinDirection::In);

// Makes a module through the same path as a plug-in's makeModule.
template <class Module>
Module* make(FakeHost& host, bool withCallback = true) {
    void* record = modframe::makeHalf<Module>(withCallback ? &FakeHost::callback : nullptr, &host);
    return static_cast<Module*>(
        static_cast<modframe::ProcessingModule*>(static_cast<ModuleRecord*>(record)->object));
}

inline intptr_t dispatch(modframe::ProcessingModule* m, int32_t opcode, int32_t index = 0,
                         int32_t value = 0, void* ptr = nullptr, float opt = 0.0f) {
    ModuleRecord* record = m->moduleRecord();
    return record->dispatcher(record, opcode, index, value, ptr, opt);
}

inline void deliver(modframe::ProcessingModule* m, ModuleEvent event) {
    m->moduleRecord()->event(m->moduleRecord()->object, &event);
}

}  // namespace framework_test
