#include "rule_engine.h"

#include <climits>
#include <cmath>

namespace midi_bender {

namespace {

// A Wildcard bound is open.
bool withinBounds(int32_t value, int32_t min, int32_t max) {
    return (min == Wildcard || value >= min) && (max == Wildcard || value <= max);
}

bool kindMatches(int32_t statusIn, int32_t kind) {
    if (statusIn == Discard) return false;
    if (kind == statusIn) return true;
    return statusIn == Nrpn && (kind == NrpnIncrement || kind == NrpnDecrement);
}

bool hasSwap(const RemapRule& rule, char marker) {
    return rule.swap1 == marker || rule.swap2 == marker;
}

int32_t saturated(double value) {
    if (!(value > double(INT32_MIN))) return INT32_MIN;
    if (value >= double(INT32_MAX)) return INT32_MAX;
    return int32_t(value);
}

}  // namespace

int32_t packMessage(const RemapMessage& message) {
    return int32_t(uint32_t(message.kind) + uint32_t(message.channel) +
                   uint32_t(message.data1) * 256u + uint32_t(message.data2) * 65536u);
}

bool ruleMatches(const RemapRule& rule, const RemapMessage& message, bool generated) {
    return kindMatches(rule.statusIn, message.kind) &&
           (rule.channelIn == Wildcard || rule.channelIn == message.channel) &&
           withinBounds(message.data1, rule.data1MinIn, rule.data1MaxIn) &&
           withinBounds(message.data2, rule.data2MinIn, rule.data2MaxIn) &&
           (!generated || rule.statusOut < Nrpn);
}

int32_t scaleValue(int32_t value, int32_t inLo, int32_t inHi, int32_t outLo, int32_t outHi) {
    if (outLo == Wildcard || outHi == Wildcard) return value;
    if (outLo == outHi || inLo == inHi) return outLo;
    int64_t a = inLo == Wildcard ? 0 : inLo;
    int64_t b = inHi == Wildcard ? 127 : inHi;
    // An open bound can make the range a single point; it maps to the low end.
    if (a == b) return outLo;
    double f = double(value - a) / double(b - a);
    double step = std::trunc(f * double(int64_t(outHi) - outLo) + 0.5);
    return saturated(double(outLo) + step);
}

RemapMessage rewriteMessage(const RemapMessage& message, const RemapRule& rule) {
    RemapMessage out{};
    out.time = message.time;
    out.kind = rule.statusOut == Wildcard ? message.kind : rule.statusOut;
    out.channel = rule.channelOut == Wildcard ? message.channel : rule.channelOut;
    if (hasSwap(rule, '<'))
        out.data1 = scaleValue(message.data2, rule.data2MinIn, rule.data2MaxIn, rule.data1MinOut,
                               rule.data1MaxOut);
    else
        out.data1 = scaleValue(message.data1, rule.data1MinIn, rule.data1MaxIn, rule.data1MinOut,
                               rule.data1MaxOut);
    if (hasSwap(rule, '>'))
        out.data2 = scaleValue(message.data1, rule.data1MinIn, rule.data1MaxIn, rule.data2MinOut,
                               rule.data2MaxOut);
    else
        out.data2 = scaleValue(message.data2, rule.data2MinIn, rule.data2MaxIn, rule.data2MinOut,
                               rule.data2MaxOut);
    return out;
}

void RuleEngine::applyRules(const RemapMessage& message, bool generated) {
    int32_t slots = rules_.slotsInUse();
    for (int32_t i = 0; i < slots; ++i) {
        const RemapRule& rule = rules_.slot(i);
        if (!ruleMatches(rule, message, generated)) continue;
        if (rule.statusOut == Discard) return;
        emit(rewriteMessage(message, rule));
        if (rule.passFlag == 'N') return;
    }
    emit(message);
}

void RuleEngine::emit(RemapMessage message) {
    if (isParameterKind(message.kind)) {
        writer_.write(message, *this);
        return;
    }
    uint32_t now = port_.sampleClock();
    if (message.time < now) message.time = now;
    port_.send(message.time, packMessage(message));
}

void ParameterSequenceWriter::write(const RemapMessage& message, RuleEngine& engine) {
    uint32_t now = engine.port().sampleClock();
    uint32_t time = message.time < now ? now : message.time;
    bool registered = message.kind >= Rpn;
    ControllerMessage msb{Ctrl, message.channel, registered ? 101 : 99, message.data1 / 128};
    ControllerMessage lsb{Ctrl, message.channel, registered ? 100 : 98, message.data1 % 128};
    if (!(msb == selectMsb_ && lsb == selectLsb_)) {
        selectMsb_ = msb;
        selectLsb_ = lsb;
        apply(msb, time, engine);
        apply(lsb, time, engine);
    }
    switch (message.kind) {
        case NrpnIncrement:
        case RpnIncrement: apply({Ctrl, message.channel, 96, message.data2}, time, engine); break;
        case NrpnDecrement:
        case RpnDecrement: apply({Ctrl, message.channel, 97, message.data2}, time, engine); break;
        default: writeDataEntry(message, time, engine); break;
    }
}

void ParameterSequenceWriter::writeDataEntry(const RemapMessage& message, uint32_t time,
                                             RuleEngine& engine) {
    writeCached(dataEntryMsb_, {Ctrl, message.channel, 6, message.data2 / 128}, time, engine);
    writeCached(dataEntryLsb_, {Ctrl, message.channel, 38, message.data2 % 128}, time, engine);
}

void ParameterSequenceWriter::writeCached(ControllerMessage& cache,
                                          const ControllerMessage& controller, uint32_t time,
                                          RuleEngine& engine) {
    if (controller == cache) return;
    cache = controller;
    apply(controller, time, engine);
}

void ParameterSequenceWriter::apply(const ControllerMessage& controller, uint32_t time,
                                    RuleEngine& engine) {
    RemapMessage message{controller.status, controller.channel, controller.controller,
                         controller.value, time};
    engine.applyRules(message, true);
}

void ParameterSequenceWriter::clearDataEntryCaches() {
    dataEntryMsb_ = {};
    dataEntryLsb_ = {};
}

void ParameterSequenceWriter::clearAllCaches() {
    clearDataEntryCaches();
    selectMsb_ = {};
    selectLsb_ = {};
}

}  // namespace midi_bender
