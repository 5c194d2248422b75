// The remapper's input stage and its RPN/NRPN assembler: controller
// sequences that select a parameter and set or step its value are held back
// and handed to the rules as one parameter message.
#pragma once

#include <cstdint>

#include "rule_engine.h"

namespace midi_bender {

class ParameterAssembler {
public:
    static constexpr int32_t kPendingCapacity = 5;

    ParameterAssembler(RuleEngine& engine, MidiPort& port) : engine_(engine), port_(port) {}

    // The input stage, for every packed MIDI word that arrives: system
    // messages leave untouched, parameter controllers (and anything arriving
    // while controllers are held) go to the assembler, the rest to the rules.
    void receive(int32_t word, uint32_t time);

    int32_t pendingCount() const { return pendingCount_; }

private:
    static constexpr int32_t kNoChannel = -2;

    void step(const RemapMessage& m);
    void interrupt(const RemapMessage& m);
    void startSequence(const RemapMessage& m);
    void selectParameter(const RemapMessage& m);
    void enterData(const RemapMessage& m);
    void stepValue(const RemapMessage& m);

    void flushAssembled();
    void flushPending();
    void resetSequence();
    void resetData();
    void append(const RemapMessage& m);

    RuleEngine& engine_;
    MidiPort& port_;

    int32_t paramKind_ = 0;
    int32_t paramLsb_ = 0;
    int32_t paramMsb_ = 0;
    int32_t dataLsb_ = 0;
    int32_t dataMsb_ = 0;
    int32_t seqChannel_ = kNoChannel;
    int32_t pendingCount_ = 0;
    RemapMessage pending_[kPendingCapacity] = {};
    bool haveParamMsb_ = false;
    bool haveParamLsb_ = false;
    bool paramComplete_ = false;
    bool haveDataMsb_ = false;
    bool haveDataLsb_ = false;
    bool assembling_ = false;
    int32_t seqKind_ = 0;  // 0 idle, Nrpn or Rpn
    int32_t lastController_ = 0;
};

}  // namespace midi_bender
