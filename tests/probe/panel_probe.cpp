// A two-half plug-in that only tests load, to check how the host carries
// values and data messages between a module's processing and panel halves.
// Pins: 0 "Value - Out" (processing output), 1 "Value - In" (panel),
// 2 "Knob" (panel, visible to processing), 3 "Label" (panel text),
// 4 "Echo" (panel output), 5 "Shown" (panel text), 6 "Count - In" and
// 7 "Count - Out" (panel whole numbers).
//  - processing: a Knob change publishes Value = 2 * Knob and sends
//    "knob <Knob>"; a data message "<x>" is answered with "got <x>";
//  - panel: open(false) writes Echo 0; a change of Value - In is copied to
//    Echo; a change of Label is sent as a data message, and so is a change
//    of Echo, as "echo <Echo>"; a data message is shown on Shown; a change
//    of Count - In is copied to Count - Out.
#include <cstdio>
#include <cstring>
#include <string>

#include "modframe/module_entries.h"
#include "modframe/panel_module.h"
#include "modframe/plugin_entry.h"

namespace {

constexpr int32_t kPanel = int32_t(PinFlag::PanelSide);
constexpr int32_t kShared = PinFlag::PanelSide | PinFlag::VisibleToProcessing;

struct PinRow {
    const char* name;
    PinDirection direction;
    PinKind kind;
    int32_t flags;
};

constexpr PinRow kPins[] = {
    {"Value - Out", PinDirection::Out, PinKind::Float, 0},
    {"Value - In", PinDirection::In, PinKind::Float, kPanel},
    {"Knob", PinDirection::In, PinKind::Float, kShared},
    {"Label", PinDirection::In, PinKind::Text, kPanel},
    {"Echo", PinDirection::Out, PinKind::Float, kPanel},
    {"Shown", PinDirection::In, PinKind::Text, kPanel},
    {"Count - In", PinDirection::In, PinKind::Int, kPanel},
    {"Count - Out", PinDirection::Out, PinKind::Int, kPanel},
};

class PanelProbe final : public modframe::ProcessingModule {
public:
    using ProcessingModule::ProcessingModule;

protected:
    bool getPinProperties(int32_t index, PinProperties* out) override {
        if (index < 0 || index >= int32_t(std::size(kPins))) return false;
        const PinRow& row = kPins[index];
        void* members[] = {&value, &valueIn, &knob, &label, &echo, &shown, &countIn, &countOut};
        *out = PinProperties{members[index], row.direction, row.kind,  row.name,
                             nullptr,        nullptr,       row.flags, 0};
        return true;
    }

    void onPlugStateChange(modframe::Plug& changed) override {
        if (changed.index() != 1) return;
        value = 2.0f * knob;
        plug(0).transmitStatus(sampleClock(), PinStatus::OneOff);
        char text[64];
        std::snprintf(text, sizeof text, "knob %f", double(knob));
        callHost(HostOp::SendData, int32_t(std::strlen(text) + 1), 0, text);
    }

    void receiveData(int32_t, int32_t count, void* data) override {
        std::string answer =
            "got " + std::string(static_cast<const char*>(data), size_t(count - 1));
        callHost(HostOp::SendData, int32_t(answer.size() + 1), 0, answer.data());
    }

private:
    float value = 0, valueIn = 0, knob = 0, echo = 0;
    const char* label = nullptr;
    const char* shown = nullptr;
    int32_t countIn = 0, countOut = 0;
};

class PanelProbePanel final : public modframe::PanelModule {
public:
    using PanelModule::PanelModule;

protected:
    void open(bool keepValues) override {
        if (!keepValues) setPinFloat(4, 0.0f);
    }

    void pinChanged(modframe::PanelPin* changed) override {
        if (changed->index() == 1) setPinFloat(4, getPinFloat(1));
        if (changed->index() == 3) send(pin(3).getText());
        if (changed->index() == 4) send("echo " + std::to_string(getPinFloat(4)));
        if (changed->index() == 6) {
            const int32_t count = pin(6).getInt();  // pin() hands out one shared object
            pin(7).setInt(count);
        }
    }

    void receiveData(int32_t, int32_t, void* data) override {
        pin(5).setText(static_cast<const char*>(data));
    }

private:
    void send(std::string text) {
        callHost(PanelHostOp::SendData, int32_t(text.size() + 1), 0, text.data());
    }
};

constexpr modframe::ModuleTexts kTexts{"TST Panel Probe", "TST Panel Probe", "TST Panel Probe\n",
                                       InterfaceRevision::Rev2230};

}  // namespace

extern "C" int32_t getModuleProperties(int32_t index, ModuleDescriptor* descriptor) noexcept {
    return modframe::describeModule(kTexts, index, descriptor);
}

extern "C" void* makeModule(int32_t index, int32_t kind, HostCallback callback,
                            void* hostPtr) noexcept {
    return modframe::makeWithPanel<PanelProbe, PanelProbePanel>(index, kind, callback, hostPtr);
}
