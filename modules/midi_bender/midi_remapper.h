// The remapper without its host: rule table, rewriting engine and input
// stage, fed one packed MIDI word at a time and sending through a MidiPort.
#pragma once

#include "parameter_assembler.h"
#include "rule_engine.h"
#include "rule_table.h"

namespace midi_bender {

class MidiRemapper {
public:
    explicit MidiRemapper(MidiPort& port) : engine_(rules_, port), assembler_(engine_, port) {}
    ~MidiRemapper() = default;
    MidiRemapper(const MidiRemapper&) = delete;
    MidiRemapper& operator=(const MidiRemapper&) = delete;

    void receive(int32_t word, uint32_t time) { assembler_.receive(word, time); }
    RuleTable& rules() { return rules_; }
    const RuleTable& rules() const { return rules_; }
    const ParameterAssembler& assembler() const { return assembler_; }

private:
    RuleTable rules_;
    RuleEngine engine_;
    ParameterAssembler assembler_;
};

}  // namespace midi_bender
