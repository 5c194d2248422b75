// Base class of every processing object: owns the record the host holds,
// turns dispatcher opcodes and events into virtual calls, builds the plug
// table at open and tracks the process routine the host is to call.
#pragma once

#include <memory>

#include "modframe/host_interface.h"
#include "modframe/plug.h"

namespace modframe {

// Build constant of the plug-in library, written into every record's `stamp`.
extern const int32_t kLibraryStamp;

// A time stamp travels in the pointer argument, sign-extended to pointer width.
inline void* timeArgument(int32_t time) {
    return reinterpret_cast<void*>(intptr_t(time));
}
inline int32_t timeFromArgument(const void* ptr) {
    return int32_t(reinterpret_cast<intptr_t>(ptr));
}

class ProcessingModule {
public:
    ProcessingModule(HostCallback callback, void* hostPtr);
    ProcessingModule(const ProcessingModule&) = delete;
    ProcessingModule& operator=(const ProcessingModule&) = delete;
    virtual ~ProcessingModule();

    ModuleRecord* moduleRecord() { return &record_; }

    virtual void handleEvent(ModuleEvent* event);
    virtual intptr_t dispatch(int32_t opcode, int32_t index, int32_t value, void* ptr, float opt);

    virtual float sampleRate() const { return sampleRate_; }
    virtual int32_t blockSize() const { return blockSize_; }

    intptr_t callHost(HostOp opcode, int32_t index, int32_t value, void* ptr, float opt = 0.0f);
    Plug& plug(int32_t i) { return plugs_[i]; }
    int32_t plugCount() const { return plugCount_; }
    int32_t sampleClock();
    void requestSleep();
    void setProcessRoutine(ProcessRoutine routine);
    ProcessRoutine currentProcessRoutine() const { return currentRoutine_; }

protected:
    friend class Plug;

    virtual void onPlugStateChange(Plug& plug);
    virtual void open();
    virtual void close() {}
    virtual void spareOperation(int32_t, int32_t) {}
    virtual void setSampleRate(float rate) { sampleRate_ = rate; }
    virtual void setBlockSize(int32_t size) { blockSize_ = size; }
    virtual bool getPinProperties(int32_t index, PinProperties* out);
    virtual bool spareQueryA(int32_t) { return false; }
    virtual bool spareQueryB(int32_t) { return false; }
    virtual void onOpcode8() {}
    virtual void onOpcode8Index(int32_t) {}
    virtual void onMidiEvent(int32_t time, int32_t message, int16_t value2);
    virtual void receiveData(int32_t value, int32_t index, void* data);

    void queueEvent(int32_t time, EventType type, int32_t value, int32_t value2, intptr_t extra);
    void queueDeferredCall(int32_t time, DeferredEntry operation);

    void buildPlugTable(PlugRules rules);
    void doNothingRoutine(int32_t, int32_t) {}

private:
    static intptr_t dispatcherEntry(void* record, int32_t opcode, int32_t index, int32_t value,
                                    void* ptr, float opt) noexcept;
    static void eventEntry(void* object, ModuleEvent* event) noexcept;

    void repeatLastPin(int32_t listed, int32_t firstFree, PlugRules rules);
    void destroy() { delete this; }

    HostCallback hostCallback_;
    ModuleRecord record_{};
    float sampleRate_ = 44100.0f;
    int32_t blockSize_ = 1024;
    std::unique_ptr<Plug[]> plugs_;
    int32_t plugCount_ = 0;
    ProcessRoutine currentRoutine_{};
};

// Base of the modules that follow interface revision 2120: every listed pin
// gets a plug, repeated Int pins keep no value, opcode 8 calls only
// onOpcode8, opcode 13 is not answered, and there are no queued events.
class ProcessingModule2120 : public ProcessingModule {
public:
    using ProcessingModule::ProcessingModule;
    void handleEvent(ModuleEvent* event) override;
    intptr_t dispatch(int32_t opcode, int32_t index, int32_t value, void* ptr, float opt) override;

protected:
    void open() override { buildPlugTable(kRev2120PlugRules); }

private:
    void onOpcode8Index(int32_t) final {}
    using ProcessingModule::queueDeferredCall;
    using ProcessingModule::queueEvent;
};

}  // namespace modframe
