// midi_bender's rewriting of MIDI messages, delivered through the record's
// event entry as the host delivers them: messages per second through no
// rules, the ten rule pins and a file of a thousand rules, and the assembly
// of RPN and NRPN controller sequences and their regeneration.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench_support.h"

namespace {

enum Pin : int32_t { RuleSource = 2, File = 3, FirstRule = 4 };
constexpr int32_t kMessagesPerIteration = 1000;

// A rule for Note On on another channel than the messages': tried, never taken.
std::string otherChannelRule(int i) {
    return std::to_string(2 + i % 15) + ",NoteOn,*,*,*,*,N,*,*,*,*,*,*";
}
// The last rule takes every Note On of channel 1 to channel 2.
const char* kTakenRule = "1,NoteOn,*,*,*,*,N,2,*,*,*,*,*";

void deliver(modhost::Instance& m, int32_t message) {
    ModuleEvent event{0, EventType::Midi, message, 0, 0, nullptr};
    m.record()->event(m.record()->object, &event);
}

void runMessages(benchmark::State& state, modhost::Instance& m, const int32_t* words,
                 int32_t wordCount) {
    for (auto _ : state) {
        for (int32_t i = 0; i < kMessagesPerIteration; ++i)
            deliver(m, words[i % wordCount] + ((i & 0x3F) << 16));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kMessagesPerIteration);
}

std::unique_ptr<modhost::Instance> remapper() {
    return bench::instance("midi_bender", 64);
}

void noteOns(benchmark::State& state, modhost::Instance& m) {
    const int32_t notes[] = {packMidi(0x90, 60, 0), packMidi(0x90, 64, 0), packMidi(0x90, 67, 0)};
    m.processBlock();
    runMessages(state, m, notes, 3);
}

void noRules(benchmark::State& state) {
    auto m = remapper();
    m->open();
    noteOns(state, *m);
}

void pinRules(benchmark::State& state) {
    auto m = remapper();
    m->open();
    for (int i = 0; i < 9; ++i) m->setText(FirstRule + i, otherChannelRule(i), 0);
    m->setText(FirstRule + 9, kTakenRule, 0);
    noteOns(state, *m);
}

void fileRules(benchmark::State& state) {
    const auto path = std::filesystem::temp_directory_path() / "bench_remapper_rules.txt";
    {
        std::ofstream file(path);
        for (int i = 0; i < 999; ++i) file << otherChannelRule(i) << "\n";
        file << kTakenRule << "\n";
    }
    auto m = remapper();
    m->open();
    m->setText(File, path.string(), 0);
    m->setValue(RuleSource, 1, 0);
    noteOns(state, *m);
    std::filesystem::remove(path);
}

// Parameter select, then Data Entry MSB and LSB, each value different from
// the last so that nothing is left out as a repeat.
void parameterSequences(benchmark::State& state, int32_t msbController, int32_t lsbController) {
    auto m = remapper();
    m->open();
    m->processBlock();
    int32_t value = 0;
    for (auto _ : state) {
        for (int32_t i = 0; i < kMessagesPerIteration; i += 4) {
            value = (value + 1) & 0x3FFF;
            deliver(*m, packMidi(0xB0, msbController, 1));
            deliver(*m, packMidi(0xB0, lsbController, i & 0x7F));
            deliver(*m, packMidi(0xB0, 6, value >> 7));
            deliver(*m, packMidi(0xB0, 38, value & 0x7F));
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kMessagesPerIteration);
}

void registerAll() {
    benchmark::RegisterBenchmark("remapper/0 rules", noRules);
    benchmark::RegisterBenchmark("remapper/10 rules (pins)", pinRules);
    benchmark::RegisterBenchmark("remapper/1000 rules (file)", fileRules);
    benchmark::RegisterBenchmark("remapper/RPN assembly and regeneration",
                                 [](benchmark::State& s) { parameterSequences(s, 101, 100); });
    benchmark::RegisterBenchmark("remapper/NRPN assembly and regeneration",
                                 [](benchmark::State& s) { parameterSequences(s, 99, 98); });
}

const bench::Registration registration(registerAll);

}  // namespace
