// modhost rules FILE | --text RULE: reads rules exactly as midi_bender loads
// them (its own file loader and parser) and prints the slot table in words,
// with warnings for rules that can never match.
#include <CLI/CLI.hpp>
#include <fstream>
#include <iostream>
#include <sstream>

#include "host/commands.h"
#include "host/rule_words.h"
#include "rule_file.h"
#include "rule_table.h"

namespace modhost {

namespace {

struct SourceLine {
    int64_t number = 0;  // in the file, from 1; 0 for a text given on the command line
    std::string text;
};

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw HostError(path + ": cannot read the rule file");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The file's lines as the remapper numbers its slots: slot k holds the k-th
// used line, and only an empty first line (its line feed within the first
// two bytes) is left out.
std::vector<SourceLine> usedLines(const std::string& data) {
    std::vector<SourceLine> lines;
    std::stringstream stream(data);
    int64_t number = 0;
    for (std::string line; std::getline(stream, line);) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(SourceLine{number, line});
    }
    size_t firstFeed = data.find('\n');
    if (firstFeed != std::string::npos && firstFeed < 2 && !lines.empty())
        lines.erase(lines.begin());
    return lines;
}

bool isBlank(const std::string& text) {
    return text.find_first_not_of(",;:\t \r\n") == std::string::npos;
}

std::string where(const SourceLine& line) {
    return line.number > 0 ? " (line " + std::to_string(line.number) + ")" : "";
}

// Prints the table; returns how many slots hold a line that did not parse.
int printTable(const midi_bender::RuleTable& table, const std::vector<SourceLine>& lines) {
    int failed = 0, warned = 0, blank = 0;
    for (int32_t slot = 0; slot < table.slotCount(); ++slot) {
        const midi_bender::RemapRule& rule = table.slot(slot);
        SourceLine line = size_t(slot) < lines.size() ? lines[size_t(slot)] : SourceLine{};
        std::cout << "slot " << slot + 1 << ": " << ruleWords(rule) << "\n";
        if (isEmptyRule(rule)) {
            if (isBlank(line.text)) {
                ++blank;
                continue;
            }
            ++failed;
            std::cout << "  warning: slot " << slot + 1 << where(line)
                      << " is empty: this does not parse as a rule, so it never matches: \""
                      << line.text << "\"\n";
            continue;
        }
        for (const auto& warning : ruleWarnings(rule)) {
            ++warned;
            std::cout << "  warning: slot " << slot + 1 << where(line) << ": " << warning << "\n";
        }
    }
    std::cout << table.slotCount() << " slot(s): " << failed << " that did not parse, " << blank
              << " blank, " << warned << " other warning(s)\n";
    return failed;
}

}  // namespace

void addRulesCommand(CLI::App& app, int& exitCode) {
    auto* command = app.add_subcommand(
        "rules", "Check midi_bender rules: the slot table in words, and rules that never match");
    auto file = std::make_shared<std::string>();
    auto text = std::make_shared<std::string>();
    auto* fileOption = command->add_option("file", *file, "Rule file, one rule per line");
    auto* textOption = command->add_option("--text", *text, "One rule, as typed into a rule pin");
    fileOption->excludes(textOption);
    command->callback([=, &exitCode] {
        midi_bender::RuleTable table;
        std::vector<SourceLine> lines;
        if (!textOption->empty()) {
            table.rebuild(1);
            table.parseRule(text->c_str(), 0);
            lines.push_back(SourceLine{0, *text});
        } else if (!fileOption->empty()) {
            std::string data = readAll(*file);
            if (!midi_bender::readRuleFile(file->c_str(), table))
                throw HostError(*file + ": cannot read the rule file");
            lines = usedLines(data);
        } else {
            throw HostError("rules: give a rule file or --text \"RULE\"");
        }
        exitCode = printTable(table, lines) > 0 ? kExitCheckFailed : kExitSuccess;
    });
}

}  // namespace modhost
