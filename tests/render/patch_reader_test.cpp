// Reading patch files: what a patch says, and errors that name the line.
#include "host/patch_reader.h"

#include <gtest/gtest.h>

#include "host/plugin_library.h"

namespace {

using modhost::HostError;
using modhost::Patch;
using modhost::readPatchText;

std::string errorOf(const std::string& text) {
    try {
        readPatchText(text, "dir/patch.toml");
    } catch (const HostError& e) {
        return e.what();
    }
    return "";
}

TEST(PatchReader, ReadsModulesWiresSourcesActionsAndOutputs) {
    Patch patch = readPatchText(R"(
sample_rate = 48000
block_size = 32
length = 0.5
[time]
tempo = 90
running = false
start_beat = 4.0
changes = [ { at = 0.25, tempo = 60 }, { at = 100, unit = "samples", running = true } ]
[[module]]
name = "env"
plugin = "envelope_segment"
pins = { "Response Curve" = "Exp", "End Level" = 5 }
[[module]]
name = "local"
plugin = "./mine.so"
[[wire]]
from = "env.Envelope Out"
to = ["local.In", "local.Other In"]
[[source]]
to = "env.Gate In"
type = "gate"
every = 0.1
width = 0.02
[[source]]
to = "env.Duration"
type = "breakpoints"
unit = "samples"
points = [[0, 1], [10, 2], [10, 3]]
[[set]]
at = 0.2
pin = "env.Loop"
value = true
[[output]]
file = "a/b.csv"
pins = "env.Gate Out"
)",
                                "dir/patch.toml");
    EXPECT_EQ(patch.sampleRate, 48000.0);
    EXPECT_EQ(patch.blockSize, 32);
    EXPECT_EQ(patch.length, 24000);
    EXPECT_EQ(patch.time.tempo, 90.0);
    EXPECT_FALSE(patch.time.running);
    ASSERT_EQ(patch.time.changes.size(), 2u);
    EXPECT_EQ(patch.time.changes[0].at, 100);  // sorted by time
    EXPECT_EQ(patch.time.changes[1].at, 12000);
    ASSERT_EQ(patch.modules.size(), 2u);
    EXPECT_EQ(patch.modules[1].plugin, "dir/mine.so");  // paths are found beside the patch
    ASSERT_EQ(patch.modules[0].pins.size(), 2u);
    ASSERT_EQ(patch.wires.size(), 2u);  // one per destination
    EXPECT_EQ(patch.wires[1].to.pin, "Other In");
    EXPECT_EQ(patch.wires[1].from.where.line, 18);
    ASSERT_EQ(patch.sources.size(), 2u);
    // Pulses every 4800 samples, 960 long, until the end.
    ASSERT_EQ(patch.sources[0].gates.size(), 5u);
    EXPECT_EQ(patch.sources[0].gates[4], std::make_pair(int64_t(19200), int64_t(20160)));
    EXPECT_EQ(patch.sources[1].points.back(), std::make_pair(int64_t(10), 3.0));
    ASSERT_EQ(patch.sets.size(), 1u);
    EXPECT_EQ(patch.sets[0].at, 9600);
    ASSERT_EQ(patch.outputs.size(), 1u);
    EXPECT_EQ(patch.outputs[0].type, modhost::PatchOutput::Type::Csv);
}

TEST(PatchReader, ErrorsNameTheFileTheLineAndWhatIsWrong) {
    const std::string module = "length = 1\n[[module]]\nname = \"m\"\nplugin = \"math_pow2\"\n";
    struct Case {
        std::string text;
        std::string message;
    } cases[] = {
        {"length = 1\nsample_rate = = 3\n", "dir/patch.toml:2: "},
        {"lenght = 1\n",
         "dir/patch.toml:1: unknown key \"lenght\" in the patch; did you mean \"length\"?"},
        {"length = 1\nlength_samples = 3\n" + module.substr(11), "gives its length once"},
        {"length = 1\n\n[[module]]\nname = \"m\"\n",
         "dir/patch.toml:3: [[module]] needs \"plugin\""},
        {module + "[[module]]\nname = \"m\"\nplugin = \"x\"\n",
         "dir/patch.toml:6: a second instance named \"m\" (the first is at line 2)"},
        {module + "[[module]]\nname = \"a.b\"\nplugin = \"x\"\n",
         "dir/patch.toml:6: an instance name is"},
        {module + "[[wire]]\nfrom = \"m\"\nto = \"m.Input\"\n",
         "dir/patch.toml:6: a pin is named as \"instance.pin name\""},
        {module +
             "[[source]]\nto = \"m.Input\"\ntype = \"breakpoints\"\npoints = [[1, 0], [0.5, 1]]\n",
         "dir/patch.toml:8: breakpoints go forward in time"},
        {module + "[[source]]\nto = \"m.Input\"\ntype = \"noise\"\n",
         "dir/patch.toml:7: unknown source type \"noise\""},
        {module + "[[source]]\nto = \"m.Input\"\ntype = \"sine\"\nfrequncy = 3\n",
         "dir/patch.toml:5: [[source]] needs \"frequency\"; is \"frequncy\" a misspelling of it?"},
        {module + "[[source]]\nto = \"m.Input\"\ntype = \"sine\"\nfrequency = 3\namplitud = 1\n",
         "dir/patch.toml:9: unknown key \"amplitud\" in [[source]]; did you mean \"amplitude\"?"},
        {module + "[[source]]\nto = \"m.Input\"\ntype = \"midi\"\nevents = [[0, 0x90, 200, 1]]\n",
         "dir/patch.toml:8: MIDI data bytes are 0 to 127"},
        {module + "[[set]]\nat = -1\npin = \"m.Input\"\nvalue = 1\n",
         "dir/patch.toml:6: a time is a number of seconds or samples, not below 0"},
        {module + "[[output]]\nfile = \"x.mp3\"\npins = \"m.Output\"\n",
         "dir/patch.toml:6: cannot tell what to write from \"x.mp3\""},
        {module + "[[source]]\nto = \"m.Input\"\ntype = \"gate\"\ngates = [[0.2, 0.1]]\n",
         "dir/patch.toml:8: a gate goes off after it goes on"},
        {module + "[[module]]\nname = \"n\"\nplugin = \"x\"\npins = { \"A\" = [1] }\n",
         "dir/patch.toml:8: a pin value is a boolean, a number or a text"},
    };
    for (const auto& c : cases) {
        std::string error = errorOf(c.text);
        EXPECT_NE(error.find(c.message), std::string::npos) << "got: " << error << "\nfor:\n"
                                                            << c.text;
    }
}

}  // namespace
