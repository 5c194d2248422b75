// modhost validate: checks every plug-in library must pass, whatever its module does.
// Each check makes its own objects in its own process, so a failure in one, even a
// crash, says nothing about the next.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <memory>

#include "host/commands.h"
#include "host/validate_run.h"

namespace modhost {

namespace {

struct ValidateOptions {
    std::vector<std::string> plugins;
    validate::RunOptions run;
};

// The earliest stage that failed, over every library, decides the exit code; a
// library that does not load (2) outranks them all.
int combinedExitCode(const std::vector<validate::PluginReport>& reports) {
    int code = kExitSuccess;
    for (const auto& report : reports) {
        int own = report.exitCode();
        if (own == kExitSuccess) continue;
        if (code == kExitSuccess || own == kExitUsage || (code != kExitUsage && own < code))
            code = own;
    }
    return code;
}

}  // namespace

void addValidateCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<ValidateOptions>();
    CLI::App* command = app.add_subcommand(
        "validate",
        "Run the checks every plug-in library must pass, each in its own process; exit with "
        "the code of the first stage that failed: 11 describe, 12 create, 13 open, 14 process, "
        "15 close (2: usage, or a library that does not load)");
    command->add_option("plugins", options->plugins, "Plug-in files, or deliverable names")
        ->required();
    command
        ->add_option("--stress", options->run.stressRounds,
                     "Also run N rounds of the host storm (seeds S, S+1, ...)")
        ->check(CLI::NonNegativeNumber);
    command->add_option("--seed", options->run.seed, "Seed of the first storm round (default 1)");
    command
        ->add_option("--timeout", options->run.timeoutSeconds,
                     "Seconds a check may run before it counts as hung (default 30)")
        ->check(CLI::PositiveNumber);
    command->add_flag("--json", options->run.json, "Print one JSON report instead of lines");
    command->callback([options, &exitCode] {
        std::vector<validate::PluginReport> reports;
        for (const auto& plugin : options->plugins)
            reports.push_back(validate::validatePlugin(plugin, options->run));
        exitCode = combinedExitCode(reports);
        if (options->run.json) validate::printJson(reports, exitCode);
    });
}

}  // namespace modhost
