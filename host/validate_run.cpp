#include "host/validate_run.h"

#include <algorithm>
#include <iostream>
#include <nlohmann/json.hpp>

#include "host/allocation_watch.h"
#include "host/storm.h"

namespace modhost::validate {

namespace {

// Choices per storm round: some hundreds of host actions, a few milliseconds natively.
constexpr size_t kStormSteps = 4000;

struct CheckJob {
    const PluginLibrary* library;
    const Check* check;
};

struct StormJob {
    const PluginLibrary* library;
    uint64_t seed;
};

Outcome runCheckHere(const void* context) {
    const auto& job = *static_cast<const CheckJob*>(context);
    host = HostSide{};
    try {
        ModuleDescriptor descriptor{};
        job.library->getModuleProperties()(0, &descriptor);
        job.check->run(Subject{*job.library, descriptor.interfaceVersion});
        return {};
    } catch (const CheckSkipped& e) {
        return {Outcome::Result::Skip, e.what()};
    } catch (const std::exception& e) {
        return {Outcome::Result::Fail, e.what()};
    }
}

Outcome runStormHere(const void* context) {
    const auto& job = *static_cast<const StormJob*>(context);
    try {
        SeededChoices choices(job.seed, kStormSteps);
        std::string fault = runStorm(*job.library, choices);
        if (fault.empty()) return {};
        return {Outcome::Result::Fail, fault};
    } catch (const std::exception& e) {
        return {Outcome::Result::Fail, e.what()};
    }
}

const char* lineWord(Outcome::Result result) {
    switch (result) {
        case Outcome::Result::Pass: return "PASS";
        case Outcome::Result::Skip: return "SKIP";
        default: return "FAIL";
    }
}

void print(const PluginReport& report, const CheckReport& check) {
    std::cout << lineWord(check.outcome.result) << ' ' << report.plugin << ": " << check.name;
    if (!check.outcome.reason.empty()) std::cout << ": " << check.outcome.reason;
    std::cout << '\n';
    if (check.seed && check.outcome.result != Outcome::Result::Pass)
        std::cout << "  reproduce: " << reproduceCommand(*check.seed, report.plugin) << '\n';
    std::cout.flush();
}

bool failed(const CheckReport& check) {
    return check.outcome.result != Outcome::Result::Pass &&
           check.outcome.result != Outcome::Result::Skip;
}

}  // namespace

const char* stageName(Stage stage) {
    constexpr const char* kNames[] = {"load", "describe", "create", "open", "process", "close"};
    return kNames[int(stage)];
}

int stageExitCode(Stage stage) {
    // A library that does not load keeps the usage code it always had.
    return stage == Stage::Load ? kExitUsage : 10 + int(stage);
}

std::optional<Stage> PluginReport::failedStage() const {
    if (loadError) return Stage::Load;
    std::optional<Stage> earliest;
    for (const auto& check : checks)
        if (failed(check) && (!earliest || check.stage < *earliest)) earliest = check.stage;
    return earliest;
}

int PluginReport::exitCode() const {
    auto stage = failedStage();
    return stage ? stageExitCode(*stage) : kExitSuccess;
}

std::string reproduceCommand(uint64_t seed, const std::string& plugin) {
    return "modhost validate --stress 1 --seed " + std::to_string(seed) + " " + plugin;
}

PluginReport validatePlugin(const std::string& plugin, const RunOptions& options) {
    PluginReport report{plugin, std::nullopt, {}};
    std::optional<PluginLibrary> library;
    try {
        library.emplace(plugin);
    } catch (const HostError& e) {
        report.loadError = e.what();
        if (!options.json) std::cerr << "modhost validate: " << e.what() << '\n';
        return report;
    }
    auto record = [&](CheckReport check) {
        report.checks.push_back(std::move(check));
        if (!options.json) print(report, report.checks.back());
    };
    for (auto checks : {contractChecks(), safetyChecks(), faultChecks()})
        for (const Check& check : checks) {
            CheckJob job{&*library, &check};
            record({check.name, check.stage,
                    runIsolated(&runCheckHere, &job, options.timeoutSeconds), std::nullopt});
        }
    for (int round = 0; round < options.stressRounds; ++round) {
        StormJob job{&*library, options.seed + uint64_t(round)};
        record({"host storm, seed " + std::to_string(job.seed), Stage::Process,
                runIsolated(&runStormHere, &job, options.timeoutSeconds), job.seed});
    }
    return report;
}

void printJson(const std::vector<PluginReport>& reports, int exitCode) {
    using Json = nlohmann::ordered_json;
    Json plugins = Json::array();
    for (const auto& report : reports) {
        Json entry{{"plugin", report.plugin}, {"loaded", !report.loadError}};
        if (report.loadError) entry["error"] = *report.loadError;
        Json checks = Json::array();
        for (const auto& check : report.checks) {
            Json c{{"name", check.name},
                   {"stage", stageName(check.stage)},
                   {"result", resultName(check.outcome.result)}};
            if (!check.outcome.reason.empty()) c["reason"] = check.outcome.reason;
            if (check.seed) {
                c["seed"] = *check.seed;
                c["reproduce"] = reproduceCommand(*check.seed, report.plugin);
            }
            checks.push_back(std::move(c));
        }
        entry["checks"] = std::move(checks);
        auto stage = report.failedStage();
        entry["failedStage"] = stage ? Json(stageName(*stage)) : Json(nullptr);
        entry["exitCode"] = report.exitCode();
        plugins.push_back(std::move(entry));
    }
    Json document{{"allocationChecks", allocation_watch::available()},
                  {"plugins", std::move(plugins)},
                  {"exitCode", exitCode}};
    std::cout << document.dump(2) << '\n';
}

}  // namespace modhost::validate
