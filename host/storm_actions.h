// The host storm's state between actions: the instance under test, what the host
// announced to it, and whether every input so far was an ordinary value, so that
// the outputs can be held to being ordinary too.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/instance.h"
#include "host/storm.h"

namespace modhost {

// Process calls stay short, so that a storm of thousands of actions stays fast.
inline constexpr int32_t kLongestStretch = 4096;

// Inputs the outputs are held to: finite, at most 1e6 and, unless 0, at least 1e-6
// in magnitude (the square of a smaller one may rightly be subnormal).
bool ordinaryInput(double value);

template <class T, size_t N>
T pick(StormChoices& choices, const T (&table)[N]) {
    return table[choices.below(uint32_t(N))];
}

class Storm {
public:
    Storm(std::shared_ptr<const PluginLibrary> library, StormChoices& choices);
    std::string run();

private:
    // What was done last, formatted only when a fault is reported.
    struct Action {
        const char* what = "nothing";
        int64_t a = 0;
        int64_t b = 0;
    };

    void makeInstance();
    void act();
    void note(const char* what, int64_t a = 0, int64_t b = 0);
    void fail(const std::string& fault);
    bool failed() const { return !fault_.empty(); }

    // Host actions.
    void processBlock();
    void processStretch();
    void changeNumber();
    void changeAudio();
    void changeText();
    void changeStatus();
    void sendMidi();
    void sendRawEvent();
    void writePin();
    void dispatchOpcode();
    void askPinProperties();
    void queryRoutine();
    void sendData();
    void changeRate();
    void changeBlockSize();
    void changeTime();
    void panelOpcode();
    void openOrClose();

    // Choices.
    bool odd();
    int32_t anyPlug();
    const PinInfo* somePin(bool (*fits)(const PinInfo&));
    double number();
    int32_t wholeNumber(const PinInfo& pin);
    float sample();
    std::string text();
    int64_t when();
    int32_t bufferLength() const;

    // Checks.
    void taintUnless(bool ordinary);
    void checkOutputs(int32_t offset, int32_t count);
    void checkRecord();
    void checkResult(const char* opcode, intptr_t result, intptr_t expected);

    std::shared_ptr<const PluginLibrary> library_;
    StormChoices& choices_;
    std::unique_ptr<Instance> instance_;
    int32_t interfaceVersion_ = 0;
    RecordDispatcher dispatcher_ = nullptr;
    EventEntry event_ = nullptr;
    int32_t announcedBlock_ = 0;
    bool tainted_ = false;  // an input, rate or time record held an extraordinary value
    int64_t actions_ = 0;
    Action last_;
    std::string fault_;
    std::vector<uint8_t> scratch_ = std::vector<uint8_t>(512);
};

}  // namespace modhost
