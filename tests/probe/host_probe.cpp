// A plug-in that only tests load: it reports what the host gives it, so the
// host's clock, time record, file paths and event queue can be checked
// through the same boundary real modules use.
//  - "Audio Out" carries the sample clock of every sample it is called for;
//  - every process call sends "time <clock> <ppq> <tempo> <flags>" as data;
//  - a MIDI message is echoed at its time and followed, 10 samples later, by
//    a clock message (0xF8) sent from a deferred call;
//  - a change of "File" sends the resolved path and what an 8-byte buffer got.
#include <cstdio>
#include <cstring>

#include "modframe/module_entries.h"
#include "modframe/plugin_entry.h"

namespace {

class HostProbe final : public modframe::ProcessingModule {
public:
    using ProcessingModule::ProcessingModule;

protected:
    void open() override {
        ProcessingModule::open();
        setProcessRoutine(modframe::routine<&HostProbe::processStamp>());
    }

    bool getPinProperties(int32_t index, PinProperties* out) override {
        switch (index) {
            case 0: return describe(out, &input, PinDirection::In, PinKind::Audio, "Audio In");
            case 1:
                describe(out, &file, PinDirection::In, PinKind::Text, "File");
                out->defaultValue = "probe.txt";
                out->kindExtra = "txt";
                out->flags = int32_t(PinFlag::FileName);
                return true;
            case 2: return describe(out, &output, PinDirection::Out, PinKind::Audio, "Audio Out");
            case 3: return describe(out, nullptr, PinDirection::In, PinKind::Midi, "MIDI In");
            case 4: return describe(out, nullptr, PinDirection::Out, PinKind::Midi, "MIDI Out");
            default: return false;
        }
    }

    void onPlugStateChange(modframe::Plug& changed) override {
        if (changed.index() != 1) return;
        char path[300];
        if (callHost(HostOp::GetFilePath, 1, sizeof path, path) != 0) sendText(path);
        char small[16];
        std::memset(small, '#', sizeof small);
        callHost(HostOp::GetFilePath, 1, 8, small);
        bool intact = std::memcmp(small + 8, "########", 8) == 0;
        small[7] = '\0';
        char report[64];
        std::snprintf(report, sizeof report, "small:%s:%s", small, intact ? "intact" : "overrun");
        sendText(report);
    }

    void onMidiEvent(int32_t time, int32_t message, int16_t) override {
        plug(4).sendMidi(time, message);
        queueDeferredCall(time + 10, modframe::deferred<&HostProbe::tick>());
    }

private:
    static bool describe(PinProperties* out, void* variable, PinDirection direction, PinKind kind,
                         const char* name) {
        out->variable = variable;
        out->direction = direction;
        out->kind = kind;
        out->name = name;
        return true;
    }

    void sendText(const char* text) {
        callHost(HostOp::SendData, int32_t(std::strlen(text) + 1), 0, const_cast<char*>(text));
    }

    void processStamp(int32_t offset, int32_t count) {
        int32_t clock = sampleClock();
        for (int32_t i = 0; i < count; ++i) output[offset + i] = float(clock + i);
        auto* time = reinterpret_cast<const TimeInfo*>(
            callHost(HostOp::GetTimeInfo, 0, kTimeInfoRequest, nullptr));
        if (time == nullptr) return;
        char report[96];
        std::snprintf(report, sizeof report, "time %d %.6f %.3f %d", clock, time->ppqPosition,
                      time->tempo, time->flags);
        sendText(report);
    }

    void tick() { plug(4).sendMidi(sampleClock(), 0xF8); }

    float* input = nullptr;
    const char* file = nullptr;
    float* output = nullptr;
};

constexpr modframe::ModuleTexts kTexts{"TST Host Probe", "TST Host Probe 1", "TST Host Probe\n",
                                       InterfaceRevision::Rev2230};

}  // namespace

extern "C" int32_t getModuleProperties(int32_t index, ModuleDescriptor* descriptor) noexcept {
    return modframe::describeModule(kTexts, index, descriptor);
}

extern "C" void* makeModule(int32_t index, int32_t kind, HostCallback callback,
                            void* hostPtr) noexcept {
    return modframe::makeProcessingOnly<HostProbe>(index, kind, callback, hostPtr);
}
