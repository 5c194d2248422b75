// The processing object of midi_bender: MIDI In through the rules to MIDI
// Out, with the rules taken from the ten rule pins or from a rule file.
#pragma once

#include "midi_remapper.h"
#include "modframe/processing_module.h"

namespace midi_bender {

class RemapperModule final : public modframe::ProcessingModule {
public:
    RemapperModule(HostCallback callback, void* hostPtr)
        : ProcessingModule(callback, hostPtr), port_(*this), remapper_(port_) {}

    static constexpr int32_t kRuleCount = 10;
    static constexpr int32_t kFilePathSize = 300;

protected:
    void open() override;
    bool getPinProperties(int32_t index, PinProperties* out) override;
    void onPlugStateChange(modframe::Plug& plug) override;
    void onMidiEvent(int32_t time, int32_t message, int16_t value2) override;

private:
    // Sends through the "MIDI Out" plug, stamped on the host's sample clock.
    class HostPort final : public MidiPort {
    public:
        explicit HostPort(RemapperModule& module) : module_(module) {}
        uint32_t sampleClock() override;
        void send(uint32_t time, int32_t word) override;

    private:
        RemapperModule& module_;
    };

    enum Pin : int32_t {
        MidiIn,
        MidiOut,
        RuleSource,
        File,
        FirstRule,
        PinCount = FirstRule + kRuleCount
    };
    enum Source : int16_t { TextEntry = 0, FromFile = 1 };

    void processIdle(int32_t offset, int32_t count);
    void rebuildFromPins();
    void reparseRulePin(int32_t pin);
    void updateFilePath();
    void loadRuleFile();

    int16_t ruleSource = TextEntry;
    const char* fileName = nullptr;
    const char* ruleText[kRuleCount] = {};
    HostPort port_;
    MidiRemapper remapper_;
    char filePath[kFilePathSize] = {};
};

}  // namespace midi_bender
