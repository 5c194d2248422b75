// Drives one or more instances of a plug-in in lockstep with seeded random
// inputs and block layouts: audio inputs constant or noise, number inputs
// random, the host's tempo and position moving. During a "not a number"
// stretch the first instance gets NaN where the others get a finite value.
#pragma once

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "host/instance.h"

namespace plugin_test {

class SignalDriver {
public:
    SignalDriver(const std::string& deliverable, int instances, uint32_t seed);

    modhost::Instance& instance(size_t i) { return *instances_[i]; }
    int64_t now() const { return instances_[0]->blockStart(); }

    // Runs a block of random length, changing some inputs first unless
    // `changeInputs` is false. Returns its length.
    int32_t step(bool changeInputs = true);
    // From now on the first instance's changed inputs are NaN (or finite again).
    void setNotANumber(bool on) { notANumber_ = on; }
    // Gives every input of every instance a new finite value at once.
    void changeAll();
    // Sets the input and keeps it out of all later random changes.
    void fixInput(const std::string& pin, double value);
    // A constant on an audio input of every instance, announced as a change.
    void setAudio(const std::string& pin, float sample);
    // Noise on an audio input of every instance from now on, kept out of
    // later random changes.
    void fixNoise(const std::string& pin);

    // Outputs of the last block: finite everywhere (audio samples and numbers).
    bool outputsFinite(size_t instance, std::string& where) const;
    // Outputs of the last block alike in the first and the other instance.
    bool outputsAlike(size_t other, std::string& where);
    // Rising edges in the last block of the named audio output of the first instance.
    int risingEdges(const std::string& pin);

private:
    void change(const modhost::PinInfo& pin);
    void changeAudio(const modhost::PinInfo& pin, bool streaming);
    void changeNumber(const modhost::PinInfo& pin, double value, double finite);
    void moveTime(int32_t frames);
    double volts() { return std::uniform_real_distribution<double>(-12.0, 12.0)(random_); }
    int64_t between(int64_t low, int64_t high) {
        return std::uniform_int_distribution<int64_t>(low, high)(random_);
    }
    bool chance(int oneIn) { return between(1, oneIn) == 1; }

    bool isFixed(const modhost::PinInfo& pin) const;

    std::vector<std::unique_ptr<modhost::Instance>> instances_;
    std::vector<std::string> fixed_;
    std::mt19937 random_;
    bool notANumber_ = false;
    int32_t lastFrames_ = 0;
    double tempo_ = 120.0;
    double position_ = 0.0;
    float previous_[64] = {};  // last sample of each audio output, for edges across blocks
};

}  // namespace plugin_test
