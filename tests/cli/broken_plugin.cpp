// A small, correct audio module (the input doubled on the output) that one compile
// definition breaks in one way, for modhost validate to catch:
//   BROKEN_CRASH       process dereferences a null pointer
//   BROKEN_ALLOCATES   process allocates and frees on every call
//   BROKEN_NAN         process writes NaN for an input above 0.04
//   BROKEN_DESCRIPTOR  every description names the module differently
//   BROKEN_HANG        never returns from the note-on of A4 (69), which only the
//                      check of ordinary outputs plays
#include <cstdlib>
#include <limits>

#include "modframe/module_entries.h"
#include "modframe/plugin_entry.h"

namespace {

class Doubler final : public modframe::ProcessingModule {
public:
    using ProcessingModule::ProcessingModule;

protected:
    void open() override {
        ProcessingModule::open();
        setProcessRoutine(modframe::routine<&Doubler::processDouble>());
    }

    bool getPinProperties(int32_t index, PinProperties* out) override {
        if (index < 0 || index > 1) return false;
        out->variable = index == 0 ? &input : &output;
        out->direction = index == 0 ? PinDirection::In : PinDirection::Out;
        out->kind = PinKind::Audio;
        out->name = index == 0 ? "In" : "Out";
        out->defaultValue = index == 0 ? "0" : nullptr;
        return true;
    }

#ifdef BROKEN_HANG
    void onMidiEvent(int32_t, int32_t message, int16_t) override {
        volatile bool forever = message == packMidi(0x90, 69, 100);
        while (forever) {
        }
    }
#endif

private:
    void processDouble(int32_t offset, int32_t count) {
#ifdef BROKEN_CRASH
        volatile float* nowhere = nullptr;
        *nowhere = float(count);
#endif
#ifdef BROKEN_ALLOCATES
        volatile char* scratch = static_cast<char*>(std::malloc(64));
        scratch[0] = 1;
        std::free(const_cast<char*>(scratch));
#endif
        for (int32_t i = offset; i < offset + count; ++i) {
            output[i] = 2.0f * input[i];
#ifdef BROKEN_NAN
            if (input[i] > 0.04f) output[i] = std::numeric_limits<float>::quiet_NaN();
#endif
        }
    }

    float* input = nullptr;
    float* output = nullptr;
};

#ifdef BROKEN_DESCRIPTOR
// A description that changes from call to call, as a module reading stale memory might give.
const char* nameOfCall() {
    static const char* const kNames[] = {"TST Doubler", "TST Doubler 2"};
    static int calls = 0;
    return kNames[calls++ % 2];
}
#endif

}  // namespace

extern "C" int32_t getModuleProperties(int32_t index, ModuleDescriptor* descriptor) noexcept {
    modframe::ModuleTexts texts{"TST Doubler", "TST Doubler 1", "TST Doubler\nfor the tests",
                                InterfaceRevision::Rev2230};
#ifdef BROKEN_DESCRIPTOR
    texts.name = nameOfCall();
#endif
    return modframe::describeModule(texts, index, descriptor);
}

extern "C" void* makeModule(int32_t index, int32_t kind, HostCallback callback,
                            void* hostPtr) noexcept {
    return modframe::makeProcessingOnly<Doubler>(index, kind, callback, hostPtr);
}
