// Running validate's checks over one library and reporting them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host/validate.h"

namespace modhost::validate {

struct RunOptions {
    int stressRounds = 0;
    uint64_t seed = 1;
    double timeoutSeconds = 30.0;
    bool json = false;
};

struct CheckReport {
    std::string name;
    Stage stage = Stage::Process;
    Outcome outcome;
    std::optional<uint64_t> seed;  // for a host storm round
};

struct PluginReport {
    std::string plugin;                    // as the user named it
    std::optional<std::string> loadError;  // the library could not be loaded
    std::vector<CheckReport> checks;
    // The earliest stage whose check did not pass (or was not skipped), if any.
    std::optional<Stage> failedStage() const;
    int exitCode() const;
};

// Runs every check, then the storm rounds, each in its own process. Unless
// options.json is set, each result is printed as soon as it is known.
PluginReport validatePlugin(const std::string& plugin, const RunOptions& options);

std::string reproduceCommand(uint64_t seed, const std::string& plugin);
void printJson(const std::vector<PluginReport>& reports, int exitCode);

}  // namespace modhost::validate
