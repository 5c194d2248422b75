#include "host/remap_run.h"

#include <cmath>
#include <cstdio>
#include <filesystem>

#include "host/instance.h"
#include "host/midi_words.h"
#include "host/rule_words.h"
#include "rule_engine.h"
#include "rule_file.h"

namespace modhost {

namespace {

constexpr int32_t kBlock = 256;

bool isParameterController(int32_t message) {
    int data1 = (message >> 8) & 0x7F;
    return (message & 0xF0) == 0xB0 && (data1 == 6 || data1 == 38 || (data1 >= 96 && data1 <= 101));
}

// The rules that fire for a message the input stage hands straight to the
// rules: in slot order, until one stops it.
std::string firingRules(const midi_bender::RuleTable& table, int32_t message) {
    midi_bender::RemapMessage m{message & 0xF0, message & 0x0F, (message >> 8) & 0x7F,
                                (message >> 16) & 0x7F, 0};
    std::string fired;
    for (int32_t slot = 0; slot < table.slotsInUse(); ++slot) {
        const midi_bender::RemapRule& rule = table.slot(slot);
        if (!midi_bender::ruleMatches(rule, m, false)) continue;
        fired += (fired.empty() ? "" : ", ") + std::to_string(slot + 1);
        if (rule.statusOut == midi_bender::Discard || rule.passFlag == 'N') {
            fired += rule.statusOut == midi_bender::Discard ? " (discard)" : " (stop)";
            break;
        }
    }
    return fired.empty() ? "no rule matches: passed on unchanged" : "rules matched: slot " + fired;
}

std::string line(const char* lead, double seconds, int32_t message) {
    char text[160];
    std::snprintf(text, sizeof text, "%s%10.6f s  %-9s %s\n", lead, seconds,
                  midiBytes(message).c_str(), midiWords(message).c_str());
    return text;
}

void traceOne(std::ostream& out, const midi_bender::RuleTable& table, double seconds,
              int32_t message, const std::vector<MidiMessage>& sent, size_t from, double rate) {
    out << line("in   ", seconds, message);
    if ((message & 0xF0) == 0xF0)
        out << "       a system message: passed on, no rule sees it\n";
    else if (isParameterController(message))
        out << "       an RPN/NRPN controller: the assembler may hold it and hand the rules the "
               "whole parameter message\n";
    else
        out << "       " << firingRules(table, message) << "\n";
    for (size_t k = from; k < sent.size(); ++k)
        out << line("  out ", sent[k].time / rate, sent[k].message);
}

}  // namespace

MidiFileContents remapMidi(const MidiFileContents& in, const RemapOptions& options,
                           std::ostream* trace) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(options.rulesPath, error))
        throw HostError(options.rulesPath + ": no such rule file");
    midi_bender::RuleTable table;
    midi_bender::readRuleFile(options.rulesPath.c_str(), table);

    InstanceOptions instanceOptions;
    instanceOptions.sampleRate = float(options.sampleRate);
    instanceOptions.blockSize = kBlock;
    instanceOptions.recordTraffic = false;
    Instance bender(std::make_shared<PluginLibrary>(options.plugin), instanceOptions);
    bender.open();
    bender.setPin("File", std::filesystem::absolute(options.rulesPath).string(), 0);
    bender.setPin("Rule Source", 1.0, 0);

    auto advanceTo = [&](int64_t t) {
        while (bender.blockStart() < t)
            bender.processBlock(int32_t(std::min<int64_t>(kBlock, t - bender.blockStart())));
    };
    for (const auto& event : in.events) {
        int64_t t = std::max<int64_t>(bender.blockStart(),
                                      std::llround(event.seconds * options.sampleRate));
        advanceTo(t);
        size_t before = bender.sentMidi().size();
        bender.queueMidi(event.message, t);
        bender.processBlock(0);
        if (trace)
            traceOne(*trace, table, event.seconds, event.message, bender.sentMidi(), before,
                     options.sampleRate);
    }
    bender.processBlock();

    MidiFileContents out;
    out.ppqn = in.ppqn;
    out.tempos = in.tempos;
    for (const auto& m : bender.sentMidi())
        out.events.push_back(
            MidiFileEvent{double(bender.clockFromWord(m.time)) / options.sampleRate, m.message});
    return out;
}

}  // namespace modhost
