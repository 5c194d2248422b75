#include "remapper_module.h"

#include "modframe/module_entries.h"
#include "rule_file.h"

namespace midi_bender {

namespace {

constexpr const char* kRuleNames[RemapperModule::kRuleCount] = {
    "Rule 1", "Rule 2", "Rule 3", "Rule 4", "Rule 5",
    "Rule 6", "Rule 7", "Rule 8", "Rule 9", "Rule 10"};

PinProperties pinOf(void* variable, PinDirection direction, PinKind kind, const char* name,
                    const char* defaultValue = nullptr, const char* kindExtra = nullptr,
                    int32_t flags = 0) {
    PinProperties p{};
    p.variable = variable;
    p.direction = direction;
    p.kind = kind;
    p.name = name;
    p.defaultValue = defaultValue;
    p.kindExtra = kindExtra;
    p.flags = flags;
    return p;
}

}  // namespace

uint32_t RemapperModule::HostPort::sampleClock() {
    return uint32_t(module_.sampleClock());
}

void RemapperModule::HostPort::send(uint32_t time, int32_t word) {
    if (module_.plugCount() <= MidiOut || module_.plug(MidiOut).isEmpty()) return;
    module_.plug(MidiOut).sendMidi(int32_t(time), word);
}

void RemapperModule::open() {
    ProcessingModule::open();
    setProcessRoutine(modframe::routine<&RemapperModule::processIdle>());
}

bool RemapperModule::getPinProperties(int32_t index, PinProperties* out) {
    switch (index) {
        case MidiIn: *out = pinOf(nullptr, PinDirection::In, PinKind::Midi, "MIDI In"); return true;
        case MidiOut:
            *out = pinOf(nullptr, PinDirection::Out, PinKind::Midi, "MIDI Out");
            return true;
        case RuleSource:
            *out = pinOf(&ruleSource, PinDirection::In, PinKind::Enum, "Rule Source", "0",
                         "Text Entry,File");
            return true;
        case File:
            *out = pinOf(&fileName, PinDirection::In, PinKind::Text, "File", "rulefile.txt", "txt",
                         int32_t(PinFlag::FileName));
            return true;
        default:
            if (index < FirstRule || index >= PinCount) return false;
            *out = pinOf(&ruleText[index - FirstRule], PinDirection::In, PinKind::Text,
                         kRuleNames[index - FirstRule], "");
            return true;
    }
}

void RemapperModule::onPlugStateChange(modframe::Plug& plug) {
    switch (plug.index()) {
        case RuleSource:
            if (ruleSource == FromFile)
                loadRuleFile();
            else
                rebuildFromPins();
            break;
        case File:
            updateFilePath();
            if (ruleSource == FromFile) loadRuleFile();
            break;
        default:
            if (plug.index() >= FirstRule && plug.index() < PinCount) reparseRulePin(plug.index());
            break;
    }
    requestSleep();
}

void RemapperModule::onMidiEvent(int32_t time, int32_t message, int16_t) {
    remapper_.receive(message, uint32_t(time));
}

// The module does no signal work.
void RemapperModule::processIdle(int32_t, int32_t) {
    requestSleep();
}

void RemapperModule::rebuildFromPins() {
    RuleTable& rules = remapper_.rules();
    if (!rules.rebuild(kRuleCount)) return;
    for (int32_t i = 0; i < kRuleCount; ++i) rules.parseRule(ruleText[i], i);
}

void RemapperModule::reparseRulePin(int32_t pin) {
    RuleTable& rules = remapper_.rules();
    if (ruleSource != TextEntry || !rules.hasArray()) return;
    rules.parseRule(ruleText[pin - FirstRule], pin - FirstRule);
}

// The host's path is not trusted to be terminated within the buffer.
void RemapperModule::updateFilePath() {
    filePath[0] = '\0';
    callHost(HostOp::GetFilePath, File, kFilePathSize, filePath);
    filePath[kFilePathSize - 1] = '\0';
}

// A file that cannot be read leaves the rules in force as they were.
void RemapperModule::loadRuleFile() {
    readRuleFile(filePath, remapper_.rules());
}

}  // namespace midi_bender
