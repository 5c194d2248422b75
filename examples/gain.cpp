// A minimal module: halves an audio stream. The starting point for a module
// of your own; see "Writing your own module" in the README.
#include "modframe/module_entries.h"
#include "modframe/plugin_entry.h"

namespace {

class Gain final : public modframe::ProcessingModule {
public:
    using ProcessingModule::ProcessingModule;

protected:
    void open() override {
        ProcessingModule::open();  // builds the plugs
        setProcessRoutine(modframe::routine<&Gain::processRun>());
    }

    bool getPinProperties(int32_t index, PinProperties* out) override {
        if (index < 0 || index > 1) return false;
        static constexpr const char* kNames[] = {"Input", "Output"};
        out->variable = index == 0 ? &input : &output;
        out->direction = index == 0 ? PinDirection::In : PinDirection::Out;
        out->kind = PinKind::Audio;
        out->name = kNames[index];
        return true;
    }

    // The output changes exactly when the input does.
    void onPlugStateChange(modframe::Plug&) override {
        if (plugCount() < 2) return;
        plug(1).transmitStatus(sampleClock(), plug(0).status());
    }

private:
    void processRun(int32_t offset, int32_t count) {
        if (input == nullptr || output == nullptr) return;
        for (int32_t i = offset; i < offset + count; ++i) output[i] = 0.5f * input[i];
    }

    float* input = nullptr;
    float* output = nullptr;
};

constexpr modframe::ModuleTexts kTexts{"XMP Gain", "XMP Gain 1.0", "XMP Gain\nExample module",
                                       InterfaceRevision::Rev2230};

}  // namespace

extern "C" int32_t getModuleProperties(int32_t index, ModuleDescriptor* descriptor) noexcept {
    return modframe::describeModule(kTexts, index, descriptor);
}

extern "C" void* makeModule(int32_t index, int32_t kind, HostCallback callback,
                            void* hostPtr) noexcept {
    return modframe::makeProcessingOnly<Gain>(index, kind, callback, hostPtr);
}
