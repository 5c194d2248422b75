// Checks made against the modules' own pin lists before anything runs.
#include <gtest/gtest.h>

#include "render_fixture.h"

namespace render_test {
namespace {

// Lines 1 to 16: sq (math_pow2), cube (math_pow3), keys (midi_to_keys),
// env (envelope_segment), probe (host_probe).
std::string rack() {
    return "length = 0.1\n"
           "[[module]]\nname = \"sq\"\nplugin = \"math_pow2\"\n"
           "[[module]]\nname = \"cube\"\nplugin = \"math_pow3\"\n"
           "[[module]]\nname = \"keys\"\nplugin = \"midi_to_keys\"\n"
           "[[module]]\nname = \"env\"\nplugin = \"envelope_segment\"\n"
           "[[module]]\nname = \"probe\"\nplugin = \"" +
           probePath("host_probe") + "\"\n";
}

std::string wire(const std::string& from, const std::string& to) {
    return "[[wire]]\nfrom = \"" + from + "\"\nto = \"" + to + "\"\n";
}

TEST(PatchChecks, RefuseWhatCannotWorkAndPointAtTheLine) {
    struct Case {
        std::string addition;
        std::string message;
    } cases[] = {
        {wire("sqr.Output", "cube.Input"),
         "patch.toml:18: no instance named \"sqr\"; did you mean \"sq\"?"},
        {wire("sq.Ouptut", "cube.Input"),
         "patch.toml:18: \"sq\" (math_pow2) has no pin \"Ouptut\"; did you mean \"Output\"?"},
        {wire("sq.Output", "cube.Output"),
         "patch.toml:19: cube.\"Output\" is an output: wires go into inputs"},
        {wire("sq.Input", "cube.Input"), "patch.toml:18: sq.\"Input\" is not an output"},
        {wire("probe.MIDI Out", "sq.Input"),
         "patch.toml:19: cannot wire midi output host_probe.\"MIDI Out\" to audio input "
         "math_pow2.\"Input\""},
        {wire("sq.Output", "cube.Input") + wire("probe.Audio Out", "cube.Input"),
         "patch.toml:22: cube.\"Input\" is fed twice"},
        {"[[source]]\nto = \"sq.Input\"\ntype = \"sine\"\nfrequency = 1\n" +
             wire("probe.Audio Out", "sq.Input"),
         "patch.toml:23: sq.\"Input\" is fed twice: it is wired, given a source or a value at line "
         "18"},
        {"[[module]]\nname = \"e2\"\nplugin = \"envelope_segment\"\npins = { \"Response Curve\" = "
         "7 }\n",
         "patch.toml:20: no item of e2.\"Response Curve\" has the value 7; the items are "
         "\"Linear\" "
         "(0), \"Exp\" (1), \"Log\" (2), \"S-curve\" (3)"},
        {"[[module]]\nname = \"e2\"\nplugin = \"envelope_segment\"\npins = { \"Response Curve\" = "
         "\"Lin\" }\n",
         "did you mean \"Linear\"?"},
        {"[[module]]\nname = \"k2\"\nplugin = \"midi_to_keys\"\npins = { \"Octave\" = 5 }\n",
         "its label \"5\" (in quotes) stands for 60"},
        {"[[module]]\nname = \"s2\"\nplugin = \"math_pow2\"\npins = { \"Input\" = \"loud\" }\n",
         "patch.toml:20: s2.\"Input\" is an audio pin: give a number of volts"},
        {"[[module]]\nname = \"s2\"\nplugin = \"math_pow2\"\npins = { \"Output\" = 1 }\n",
         "s2.\"Output\" is an output: its value comes from the module"},
        {"[[module]]\nname = \"nope\"\nplugin = \"no_such_plugin\"\n",
         "patch.toml:17: no_such_plugin: no such plug-in file"},
        {"[[source]]\nto = \"keys.MIDI In\"\ntype = \"gate\"\ngates = [[0, 1]]\n",
         "keys.\"MIDI In\" is a MIDI pin: feed it from a midi_file or midi source"},
        {"[[output]]\nfile = \"x.wav\"\npins = [\"keys.MIDI Out\"]\n",
         "patch.toml:17: a WAV file records audio pins only"},
        {"[[output]]\nfile = \"x.txt\"\npins = [\"keys.MIDI In\"]\n",
         "MIDI is recorded where it leaves a module"},
        {"[[set]]\nat = 5.0\npin = \"sq.Input\"\nvalue = 1\n",
         "this [[set]] falls after the end of the patch"},
    };
    for (const auto& c : cases) {
        std::string error = setupError(rack() + c.addition);
        EXPECT_NE(error.find(c.message), std::string::npos) << "got: " << error << "\nfor:\n"
                                                            << c.addition;
    }
}

TEST(PatchChecks, AcceptsTheSameRackWiredSoundly) {
    EXPECT_EQ(
        setupError(rack() + wire("sq.Output", "cube.Input") +
                   wire("keys.MIDI Out", "probe.MIDI In") + wire("env.Envelope Out", "sq.Input")),
        "");
}

TEST(PatchChecks, ModhostRenderExitsWithTwoAndNamesTheLine) {
    std::string folder = freshFolder();
    writeFile(folder + "/patch.toml", rack() + wire("sq.Output", "cube.Inptu"));
    Outcome run = modhost("render " + folder + "/patch.toml -o " + folder);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err,
              "modhost: " + folder +
                  "/patch.toml:19: \"cube\" (math_pow3) has no pin \"Inptu\"; did you mean "
                  "\"Input\"?\n");
    EXPECT_EQ(run.out, "");
}

}  // namespace
}  // namespace render_test
