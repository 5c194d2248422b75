// Runs messages through the rule table in slot order and sends what comes
// out; parameter messages leave as the controller sequences that carry them.
#pragma once

#include <cstdint>

#include "rule_table.h"

namespace midi_bender {

// The message record passed between the remapper's stages.
struct RemapMessage {
    int32_t kind;     // StatusCode: 0x80..0xE0, or a parameter kind
    int32_t channel;  // 0 to 15
    int32_t data1;    // parameter kinds: the 14-bit parameter number
    int32_t data2;    // parameter kinds: the 14-bit value, or the step
    uint32_t time;    // sample clock, compared as unsigned
};

// Where the remapper's output goes and what time it is now.
class MidiPort {
public:
    virtual ~MidiPort() = default;
    virtual uint32_t sampleClock() = 0;
    virtual void send(uint32_t time, int32_t word) = 0;
};

// Status byte in the low byte, data 1 in the second, data 2 in the third,
// formed by plain addition: values that do not fit carry into higher bytes.
int32_t packMessage(const RemapMessage& message);

// `generated`: a controller the sequence writer made; rules with an RPN or
// NRPN output never apply to those.
bool ruleMatches(const RemapRule& rule, const RemapMessage& message, bool generated);
RemapMessage rewriteMessage(const RemapMessage& message, const RemapRule& rule);

// One output value from its source value, input range and output range.
int32_t scaleValue(int32_t value, int32_t inLo, int32_t inHi, int32_t outLo, int32_t outHi);

class RuleEngine;

// Turns a parameter message into its controller sequence, leaving out the
// parameter select and Data Entry bytes that repeat what was last sent.
class ParameterSequenceWriter {
public:
    void write(const RemapMessage& message, RuleEngine& engine);
    void clearDataEntryCaches();
    void clearAllCaches();

private:
    struct ControllerMessage {
        int32_t status = 0;
        int32_t channel = 0;
        int32_t controller = 0;
        int32_t value = 0;
        bool operator==(const ControllerMessage&) const = default;
    };

    void writeDataEntry(const RemapMessage& message, uint32_t time, RuleEngine& engine);
    // Sends the controller unless it equals the cached one; caches it.
    void writeCached(ControllerMessage& cache, const ControllerMessage& controller, uint32_t time,
                     RuleEngine& engine);
    static void apply(const ControllerMessage& controller, uint32_t time, RuleEngine& engine);

    ControllerMessage selectMsb_;
    ControllerMessage selectLsb_;
    ControllerMessage dataEntryMsb_;
    ControllerMessage dataEntryLsb_;
};

class RuleEngine {
public:
    RuleEngine(const RuleTable& rules, MidiPort& port) : rules_(rules), port_(port) {}

    void applyRules(const RemapMessage& message, bool generated);
    ParameterSequenceWriter& writer() { return writer_; }
    MidiPort& port() { return port_; }

private:
    // A parameter message goes to the writer; any other leaves no earlier
    // than the current sample clock.
    void emit(RemapMessage message);

    const RuleTable& rules_;
    MidiPort& port_;
    ParameterSequenceWriter writer_;
};

}  // namespace midi_bender
