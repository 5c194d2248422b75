// Instances of every plug-in opened, driven and closed on four threads at
// once, one instance per thread at a time, the way a host with several audio
// threads runs them. Built with ThreadSanitizer, any unguarded state shared
// between instances of one library shows up as a report.
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "plugin_fixture.h"

namespace plugin_test {
namespace {

using modhost::Instance;
using modhost::InstanceOptions;
using modhost::PinInfo;
using modhost::PluginLibrary;

const std::array<const char*, 17> kDeliverables{
    "envelope_segment",  "midi_bender",      "volts_to_midi",     "midi_to_keys",
    "bpm_clock",         "bool_to_voltage",  "voltage_to_float",  "volts_to_int",
    "volts_to_guifloat", "guibool_to_volts", "guifloat_to_volts", "bool_to_guifloat",
    "float_to_bool",     "panel_switch6",    "math_sin",          "math_pow2",
    "math_pow3"};

constexpr int kThreads = 4;
constexpr int kRounds = 2;
constexpr int kBlocks = 300;

const std::array<const char*, 4> kRuleTexts{
    "1,PitchB,*,*,65,127,N,*,Ctrl,5,5,0,127", "*,NoteOn,*,*,*,*,Y,2,*,*,*,*,*",
    "*,Ctrl,7,7,*,*,N,*,NRPN,1025,1025,0,16383", "not a rule"};

class RandomDriver {
public:
    RandomDriver(Instance& instance, uint32_t seed) : m_(instance), random_(seed) {}

    // Changes some inputs, as a user or other modules would, then runs a block.
    void block() {
        for (const PinInfo& pin : m_.pins())
            if (pin.direction != PinDirection::Out && chance(6)) change(pin);
        setTime();
        m_.processBlock(int32_t(between(1, m_.blockSize())));
    }

private:
    void change(const PinInfo& pin) {
        switch (pin.kind) {
            case PinKind::Audio: changeAudio(pin); break;
            case PinKind::Midi: m_.queueMidi(randomMidi()); break;
            case PinKind::Text:
                m_.setPin(pin.listingIndex, {0.0, kRuleTexts[size_t(between(0, 3))]});
                break;
            case PinKind::Bool: m_.setPin(pin.listingIndex, {double(between(0, 1)), {}}); break;
            case PinKind::Enum: m_.setPin(pin.listingIndex, {double(between(0, 5)), {}}); break;
            default: m_.setPin(pin.listingIndex, {volts(), {}}); break;
        }
    }

    void changeAudio(const PinInfo& pin) {
        if (pin.plugIndex < 0) return;
        float* samples = m_.buffer(pin.plugIndex);
        if (samples == nullptr) return;
        const bool streaming = chance(2);
        const float level = float(volts() * 0.1);
        for (int32_t i = 0; i < m_.blockSize(); ++i)
            samples[i] = streaming ? float(volts() * 0.1) : level;
        m_.queueStatus(pin.plugIndex, streaming ? PinStatus::Streaming : PinStatus::OneOff);
    }

    void setTime() {
        TimeInfo& time = m_.timeInfo();
        time.tempo = double(between(40, 240));
        time.ppqPosition += 0.05;
        time.flags = chance(10) ? 0 : kTransportRunning;
    }

    int32_t randomMidi() {
        static constexpr int kStatuses[] = {0x80, 0x90, 0xA0, 0xB0, 0xC0, 0xD0, 0xE0, 0xF0};
        const int status = kStatuses[between(0, 7)] | int(between(0, 15));
        const int controllers[] = {6, 38, 96, 98, 99, 100, 101, int(between(0, 127))};
        const int data1 =
            (status & 0xF0) == 0xB0 ? controllers[between(0, 7)] : int(between(0, 127));
        return packMidi(status, data1, int(between(0, 127)));
    }

    double volts() { return std::uniform_real_distribution<double>(-12.0, 12.0)(random_); }
    int64_t between(int64_t low, int64_t high) {
        return std::uniform_int_distribution<int64_t>(low, high)(random_);
    }
    bool chance(int oneIn) { return between(1, oneIn) == 1; }

    Instance& m_;
    std::mt19937 random_;
};

// Opcode 13 answers with the address of one record per library that every
// caller rewrites, so two threads asking at once write the same words: a race
// by the interface's design, which a host avoids by asking from one thread.
// Only the thread given `queryRoutine` asks.
void exercise(const std::shared_ptr<const PluginLibrary>& library, uint32_t seed,
              bool queryRoutine) {
    ModuleDescriptor descriptor{};
    library->getModuleProperties()(0, &descriptor);
    const int32_t blockSize = int32_t(16 << (seed % 4));
    Instance instance(
        library,
        InstanceOptions{.blockSize = blockSize, .recordTraffic = false, .recordSent = false});
    instance.open();
    RandomDriver driver(instance, seed);
    for (int block = 0; block < kBlocks; ++block) {
        driver.block();
        if (queryRoutine) instance.dispatch(DispatchOp::QueryProcessRoutine);
    }
    instance.close();
}

TEST(Threads, EveryPluginRunsOnFourThreadsAtOnce) {
    std::vector<std::shared_ptr<const PluginLibrary>> libraries;
    for (const char* name : kDeliverables) libraries.push_back(load(name));

    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&libraries, t] {
            for (int round = 0; round < kRounds; ++round) {
                // Threads 0 and 1 walk the libraries in step, 2 and 3 from
                // another starting point: instances of one library overlap in
                // time, and so do instances of different ones.
                for (size_t i = 0; i < libraries.size(); ++i) {
                    const size_t which = (i + size_t(t / 2) * 8) % libraries.size();
                    exercise(libraries[which], uint32_t(t * 1000 + round * 100 + int(i)), t == 0);
                }
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
}

}  // namespace
}  // namespace plugin_test
