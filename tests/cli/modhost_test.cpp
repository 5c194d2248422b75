// Runs the built modhost as a user would and checks its exit codes and output.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "run_modhost.h"

namespace {

using nlohmann::json;

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

}  // namespace
