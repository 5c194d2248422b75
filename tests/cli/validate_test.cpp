// modhost validate on libraries broken on purpose, and on the real plug-ins.
#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "run_modhost.h"

namespace {

using nlohmann::json;

std::string broken(const std::string& fault) {
    return std::string(BROKEN_PLUGIN_DIR) + "/broken_" + fault + ".so";
}

size_t reportLines(const std::string& out) {
    std::stringstream lines(out);
    size_t reports = 0;
    for (std::string line; std::getline(lines, line);)
        if (line.starts_with("PASS ") || line.starts_with("FAIL ") || line.starts_with("SKIP "))
            ++reports;
    return reports;
}

// Every check of a run, by name, from its JSON report.
json checksOf(const Outcome& run) {
    json report = json::parse(run.out);
    json byName = json::object();
    for (const json& check : report["plugins"][0]["checks"]) byName[check["name"]] = check;
    return byName;
}

constexpr size_t kChecks = 20;
constexpr const char* kOrdinaryOutputs = "ordinary inputs give finite, normal outputs";
constexpr const char* kRealTime = "process, events and status changes allocate and free nothing";

TEST(ModhostValidate, ReportsEachBrokenRuleAndStillRunsEveryCheck) {
    Outcome run = modhost({"validate", SLOPPY_PLUGIN});
    EXPECT_EQ(run.exitCode, 11) << "describing is the first stage that failed";
    std::string plugin = SLOPPY_PLUGIN;
    for (const std::string& expected : {
             "PASS " + plugin + ": getModuleProperties(0) describes the module\n",
             "FAIL " + plugin + ": getModuleProperties(1) and (-1) describe nothing: ",
             "FAIL " + plugin + ": makeModule refuses other indices and kinds: ",
             "FAIL " + plugin + ": makeModule(0, 2) gives null or a panel record: ",
             "FAIL " + plugin + ": unknown dispatcher opcodes return 0 and call nothing: " +
                 "opcode 4 returned 7\n",
             "FAIL " + plugin + ": QueryProcessRoutine answers as the revision requires: ",
             "PASS " + plugin + ": 1000 open/close cycles\n",
             "PASS " + plugin + ": a null host callback is survived\n",
         })
        EXPECT_NE(run.out.find(expected), std::string::npos) << expected << " in\n" << run.out;
    EXPECT_EQ(reportLines(run.out), kChecks) << run.out;
}

TEST(ModhostValidate, ACrashIsReportedForItsCheckAndTheRunGoesOn) {
    for (const std::string& plugin : {std::string(CRASHING_PLUGIN), broken("crash")}) {
        Outcome run = modhost({"validate", plugin});
        EXPECT_NE(run.out.find(": CRASHED ("), std::string::npos) << run.out;
        EXPECT_EQ(reportLines(run.out), kChecks) << run.out;
        EXPECT_NE(run.exitCode, 0);
    }
    Outcome run = modhost({"validate", CRASHING_PLUGIN});
    EXPECT_NE(run.out.find("unknown dispatcher opcodes return 0 and call nothing: CRASHED ("),
              std::string::npos)
        << run.out;
}

TEST(ModhostValidate, AHungCheckTimesOutAndTheRunGoesOn) {
    Outcome run = modhost({"validate", "--timeout", "0.5", "--json", broken("hang")});
    json checks = checksOf(run);
    EXPECT_EQ(checks[kOrdinaryOutputs]["result"], "timeout") << run.out;
    EXPECT_EQ(checks.size(), kChecks);
    EXPECT_EQ(run.exitCode, 14);
}

TEST(ModhostValidate, AllocationInProcessIsNamed) {
    Outcome run = modhost({"validate", "--json", broken("allocates")});
    if (!json::parse(run.out)["allocationChecks"]) GTEST_SKIP() << "a sanitizer owns malloc";
    json check = checksOf(run)[kRealTime];
    EXPECT_EQ(check["result"], "fail");
    EXPECT_NE(check["reason"].get<std::string>().find("the first in the process routine"),
              std::string::npos)
        << check;
    EXPECT_EQ(run.exitCode, 14);
}

TEST(ModhostValidate, NaNOutputFailsAndTheStormPrintsItsReproduction) {
    Outcome run = modhost({"validate", "--stress", "3", "--seed", "40", broken("nan")});
    EXPECT_EQ(run.exitCode, 14);
    EXPECT_NE(run.out.find(std::string(kOrdinaryOutputs) + ": with every input at "),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("is NaN"), std::string::npos) << run.out;
    const std::string reproduce = "  reproduce: modhost validate --stress 1 --seed ";
    size_t at = run.out.find(reproduce);
    ASSERT_NE(at, std::string::npos) << run.out;
    std::string seed = run.out.substr(at + reproduce.size());
    seed = seed.substr(0, seed.find(' '));
    size_t failure = run.out.rfind("FAIL ", at);
    std::string fault = run.out.substr(failure, at - failure);

    Outcome again = modhost({"validate", "--stress", "1", "--seed", seed, broken("nan")});
    EXPECT_NE(again.out.find(fault), std::string::npos) << fault << " in\n" << again.out;
}

TEST(ModhostValidate, AChangingDescriptionFails) {
    Outcome run = modhost({"validate", "--json", broken("descriptor")});
    EXPECT_EQ(checksOf(run)["the description and pin list stay the same"]["result"], "fail");
    EXPECT_EQ(run.exitCode, 11);
}

TEST(ModhostValidate, ExitCodeIsTheFirstStageThatFailed) {
    const std::pair<std::vector<std::string>, int> cases[] = {
        {{"math_pow2"}, 0},
        {{broken("nan")}, 14},
        {{broken("descriptor")}, 11},
        {{broken("nan"), broken("descriptor")}, 11},
        {{broken("nan"), "/nonexistent.so"}, 2},
    };
    for (const auto& [plugins, exitCode] : cases) {
        std::vector<std::string> arguments{"validate"};
        arguments.insert(arguments.end(), plugins.begin(), plugins.end());
        EXPECT_EQ(modhost(arguments).exitCode, exitCode) << plugins.front();
    }
}

TEST(ModhostValidate, JsonReportsEveryCheckWithItsStage) {
    Outcome run = modhost({"validate", "--json", "--stress", "2", "--seed", "7", "math_pow2",
                           broken("nan"), "/nonexistent.so"});
    EXPECT_EQ(run.exitCode, 2);
    json report = json::parse(run.out);
    EXPECT_EQ(report["exitCode"], 2);
    ASSERT_EQ(report["plugins"].size(), 3u);
    const json& good = report["plugins"][0];
    EXPECT_EQ(good["plugin"], "math_pow2");
    EXPECT_TRUE(good["loaded"]);
    EXPECT_TRUE(good["failedStage"].is_null());
    EXPECT_EQ(good["exitCode"], 0);
    ASSERT_EQ(good["checks"].size(), kChecks + 2);
    const std::vector<std::string> stages{"describe", "create", "open", "process", "close"};
    for (const json& check : good["checks"]) {
        EXPECT_NE(std::find(stages.begin(), stages.end(), check["stage"]), stages.end()) << check;
        EXPECT_TRUE(check["result"] == "pass" || check["result"] == "skip") << check;
    }
    const json& storm = good["checks"].back();
    EXPECT_EQ(storm["name"], "host storm, seed 8");
    EXPECT_EQ(storm["seed"], 8);
    EXPECT_EQ(storm["reproduce"], "modhost validate --stress 1 --seed 8 math_pow2");
    EXPECT_EQ(report["plugins"][1]["failedStage"], "process");
    EXPECT_EQ(report["plugins"][1]["exitCode"], 14);
    const json& missing = report["plugins"][2];
    EXPECT_FALSE(missing["loaded"]);
    EXPECT_EQ(missing["failedStage"], "load");
    EXPECT_NE(missing["error"].get<std::string>().find("/nonexistent.so"), std::string::npos);
}

}  // namespace
