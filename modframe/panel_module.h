// Base class of every panel object: the half of a module that lives on the
// host's panel side, reads and writes the module's pins through the host by
// listing index, and exchanges data messages with the processing half.
#pragma once

#include <string>

#include "modframe/host_interface.h"

namespace modframe {

class PanelModule;

// The dispatcher's index and value words, passed on together by opcodes 3 to 5.
struct IndexValuePair {
    int32_t index;
    int32_t value;
};

// A pin as the panel sees it: its listing index, counting every pin of the
// module. Obtained from PanelModule::pin and used at once, never kept.
class PanelPin {
public:
    int32_t index() const { return index_; }
    int32_t getInt() const;
    float getFloat() const;
    void setInt(int32_t value) const;
    void setFloat(float value) const;
    void setText(const char* text) const;
    std::string getText() const;
    std::u16string getWideText() const;

private:
    friend class PanelModule;
    PanelPin(int32_t index, PanelModule* owner) noexcept : index_(index), owner_(owner) {}

    int32_t index_;
    PanelModule* owner_;
};

class PanelModule {
public:
    PanelModule(HostCallback callback, void* hostPtr);
    PanelModule(const PanelModule&) = delete;
    PanelModule& operator=(const PanelModule&) = delete;
    virtual ~PanelModule();

    PanelRecord* moduleRecord() { return &record_; }
    virtual intptr_t dispatch(int32_t opcode, int32_t index, int32_t value, void* ptr, float opt);
    intptr_t callHost(PanelHostOp opcode, int32_t index, int32_t value, void* ptr,
                      float opt = 0.0f);

    // The shared handle of this thread, renamed to pin `index` of this object.
    PanelPin& pin(int32_t index);
    float getPinFloat(int32_t index) { return pin(index).getFloat(); }
    void setPinFloat(int32_t index, float value) { pin(index).setFloat(value); }
    bool getPinBool(int32_t index) { return pin(index).getInt() != 0; }
    void setPinBool(int32_t index, bool value) { pin(index).setInt(value ? 1 : 0); }

protected:
    virtual void open(bool /*keepValues*/) {}
    virtual void close() {}
    virtual void onOpcode2(int32_t, void*) {}
    virtual void onOpcode3(void*, uint32_t, IndexValuePair) {}
    virtual void onOpcode4(void*, uint32_t, IndexValuePair) {}
    virtual void onOpcode5(void*, uint32_t, IndexValuePair) {}
    virtual void onOpcode8(void*) {}
    virtual void onOpcode9(void*) {}
    virtual bool onOpcode10() { return false; }
    virtual void onOpcode11(int32_t) {}
    virtual void onOpcode12(int32_t) {}
    virtual void receiveData(int32_t /*value*/, int32_t /*index*/, void* /*data*/) {}
    virtual void pinChanged(PanelPin* /*pin*/) {}

private:
    static intptr_t dispatcherEntry(void* record, int32_t opcode, int32_t index, int32_t value,
                                    void* ptr, float opt) noexcept;

    // One handle per thread: a host may run panel objects of this library on
    // several threads at once, and each caller's handle must stay its own.
    static thread_local PanelPin sharedPin_;

    HostCallback hostCallback_;
    PanelRecord record_{};
};

}  // namespace modframe
