// Runs the built modhost as a user would and checks its exit codes and output.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

namespace {

using nlohmann::json;

struct Outcome {
    int exitCode;
    std::string out;
    std::string err;
};

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string shellQuoted(const std::string& word) {
    return "'" + word + "'";
}

// Test cases may run in parallel processes, so output files carry the process id.
std::string tempPath(const std::string& name) {
    return testing::TempDir() + "modhost_" + std::to_string(getpid()) + "_" + name;
}

Outcome modhost(const std::vector<std::string>& arguments) {
    std::string out = tempPath("stdout"), err = tempPath("stderr");
    std::string command = shellQuoted(MODHOST_PATH);
    for (const auto& argument : arguments) {
        command += ' ';
        command += shellQuoted(argument);
    }
    command += " >" + shellQuoted(out) + " 2>" + shellQuoted(err);
    int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(out), readFile(err)};
}

TEST(ModhostInfo, JsonDescribesAMathPluginFoundByName) {
    Outcome run = modhost({"info", "math_pow2", "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    json info = json::parse(run.out);
    EXPECT_EQ(info["name"], "OXB Pow2(X)");
    EXPECT_EQ(info["id"], "OXB Pow2(x)");
    EXPECT_EQ(info["interfaceVersion"], 2120);
    ASSERT_EQ(info["pins"].size(), 2u);
    const json& input = info["pins"][0];
    const json& output = info["pins"][1];
    EXPECT_EQ(input["name"], "Input");
    EXPECT_EQ(input["direction"], "in");
    EXPECT_EQ(input["kind"], "audio");
    EXPECT_EQ(input["default"], "0");
    EXPECT_EQ(input["plug"], 0);
    EXPECT_EQ(output["name"], "Output");
    EXPECT_EQ(output["direction"], "out");
    EXPECT_EQ(output["kind"], "audio");
    EXPECT_TRUE(output["default"].is_null());
    EXPECT_EQ(output["plug"], 1);
}

TEST(ModhostInfo, JsonShowsEnumItemsFileExtensionsAndPinsWithoutPlug) {
    Outcome run = modhost({"info", SLOPPY_PLUGIN, "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    json info = json::parse(run.out);
    EXPECT_EQ(info["about"], "Breaks rules\nfor the tests");
    EXPECT_EQ(info["flags"], 0x100);
    const json& mode = info["pins"][0];
    EXPECT_EQ(mode["name"], "Mode ");
    EXPECT_EQ(mode["items"], json::parse(R"([{"label": "Linear", "value": 0},
        {"label": "Exp", "value": 5}, {"label": "Cubic", "value": 6}])"));
    const json& sample = info["pins"][1];
    EXPECT_EQ(sample["direction"], "parameter");
    EXPECT_EQ(sample["extension"], "wav");
    EXPECT_TRUE(sample["plug"].is_null());
    EXPECT_EQ(sample["flags"], json::parse(R"(["FileName", "PanelSide"])"));
}

TEST(ModhostInfo, TextShowsEveryAboutLineAndQuotedNames) {
    Outcome run = modhost({"info", SLOPPY_PLUGIN});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    for (const char* expected : {"Breaks rules\n", "for the tests\n", "0x00000100", "\"Mode \"",
                                 "Linear=0,Exp=5,Cubic=6", "FileName|PanelSide"})
        EXPECT_NE(run.out.find(expected), std::string::npos) << expected << " in\n" << run.out;
}

TEST(ModhostErrors, LoadErrorsExitTwoNamingFileAndReason) {
    std::string textFile = tempPath("text_file.so");
    std::ofstream(textFile) << "not a library\n";
    struct Case {
        std::vector<std::string> arguments;
        std::string file;
        std::string reason;
    };
    const Case cases[] = {
        {{"info", "/nonexistent.so"}, "/nonexistent.so", "no such file"},
        {{"validate", "/nonexistent.so"}, "/nonexistent.so", "no such file"},
        {{"info", textFile}, textFile, "cannot be loaded as a shared library"},
        {{"info", NOT_A_PLUGIN}, NOT_A_PLUGIN, "makeModule"},
        {{"validate", NOT_A_PLUGIN}, NOT_A_PLUGIN, "makeModule"},
    };
    for (const auto& c : cases) {
        Outcome run = modhost(c.arguments);
        EXPECT_EQ(run.exitCode, 2) << c.arguments[0] << " " << c.file;
        EXPECT_NE(run.err.find(c.file), std::string::npos) << run.err;
        EXPECT_NE(run.err.find(c.reason), std::string::npos) << run.err;
    }
}

TEST(ModhostErrors, UsageErrorsExitTwoAndHelpExitsZero) {
    const std::pair<std::vector<std::string>, int> cases[] = {
        {{}, 2},
        {{"bogus"}, 2},
        {{"info"}, 2},
        {{"validate"}, 2},
        {{"info", "--bogus", "math_pow2"}, 2},
        {{"info", "--help"}, 0},
        {{"validate", "--help"}, 0},
    };
    for (const auto& [arguments, exitCode] : cases) {
        Outcome run = modhost(arguments);
        EXPECT_EQ(run.exitCode, exitCode) << (arguments.empty() ? "" : arguments[0]) << run.err;
    }
}

TEST(ModhostValidate, ReportsEachBrokenRuleAndStillRunsEveryCheck) {
    Outcome run = modhost({"validate", SLOPPY_PLUGIN});
    EXPECT_EQ(run.exitCode, 1);
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
    std::stringstream lines(run.out);
    size_t reports = 0;
    for (std::string line; std::getline(lines, line);)
        if (line.starts_with("PASS ") || line.starts_with("FAIL ")) ++reports;
    EXPECT_EQ(reports, 12u) << run.out;
}

TEST(ModhostValidate, LoadErrorOutranksFailedChecks) {
    Outcome run = modhost({"validate", SLOPPY_PLUGIN, "/nonexistent.so"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.out.find("FAIL "), std::string::npos);
}

TEST(ModhostValidate, ACrashFailsTheRunningCheckLoudly) {
    Outcome run = modhost({"validate", CRASHING_PLUGIN});
    EXPECT_NE(run.exitCode, 0);
    EXPECT_NE(run.exitCode, 1);
    std::string expected = "FAIL " + std::string(CRASHING_PLUGIN) +
                           ": unknown dispatcher opcodes return 0 and call nothing: crashed";
    EXPECT_NE(run.out.find(expected), std::string::npos) << run.out;
}

}  // namespace
