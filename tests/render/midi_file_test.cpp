// Damaged MIDI files give a HostError naming the file, never an abort in
// libsmf; what is written always survives libsmf's re-read check.
#include "host/midi_file.h"

#include <gtest/gtest.h>

#include <random>

#include "host/plugin_library.h"
#include "render_fixture.h"

namespace render_test {
namespace {

std::string fromHex(const std::string& hex) {
    std::string bytes;
    for (size_t i = 0; i < hex.size(); ++i) {
        if (hex[i] == ' ') continue;
        bytes += char(std::stoi(hex.substr(i, 2), nullptr, 16));
        ++i;
    }
    return bytes;
}

std::string bigEndian(uint32_t value) {
    return {char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
}

std::string chunk(const std::string& type, const std::string& body) {
    return type + bigEndian(uint32_t(body.size())) + body;
}

// Format 0 or 1 at 96 pulses per quarter, one chunk per track body (in hex).
std::string midiFile(const std::vector<std::string>& tracks, int format = 0) {
    std::string file = chunk("MThd", fromHex("00 0" + std::to_string(format) + " 00 0" +
                                             std::to_string(tracks.size()) + " 00 60"));
    for (const auto& track : tracks) file += chunk("MTrk", fromHex(track));
    return file;
}

// What modhost remap does with a file, without the remapper: read it, write it back.
void roundTrip(const std::string& in, const std::string& out) {
    modhost::MidiFileContents contents = modhost::readMidiFile(in);
    modhost::writeMidiFile(out, contents.ppqn, contents.tempos, {contents.events});
}

const char* kNotes = "00 90 3C 40 60 80 3C 00";
const char* kEnd = "00 FF 2F 00";

TEST(MidiFileCheck, RejectsDamagedFilesWithWhatIsWrong) {
    if (!modhost::midiFilesSupported()) GTEST_SKIP() << "built without libsmf";
    std::string good = midiFile({std::string(kNotes) + kEnd});
    struct Case {
        const char* name;
        std::string bytes;
        const char* error;
    } cases[] = {
        {"truncated", good.substr(0, good.size() - 3), "declares 12 bytes, only 9 remain"},
        {"long varint", midiFile({"80 80 80 80 00 90 3C 40" + std::string(kEnd)}),
         "track 1, byte 22: delta time is longer than 4 bytes"},
        {"no status", midiFile({"00 3C 40" + std::string(kEnd)}), "with no status before it"},
        {"status after meta", midiFile({"00 90 3C 40 00 FF 01 01 61 10 3C 00" + std::string(kEnd)}),
         "byte 32: data byte 0x3C with no status before it"},
        {"cut message", midiFile({"00 90 3C"}), "message 0x90 is cut off by the track's end"},
        {"high data byte", midiFile({"00 90 BC 40" + std::string(kEnd)}),
         "data byte 0xBC of message 0x90 has its top bit set"},
        {"no end", midiFile({kNotes}), "does not end with an end-of-track event"},
        {"after end", midiFile({std::string(kEnd) + kNotes}), "bytes follow the end-of-track"},
        {"meta past end", midiFile({"00 FF 01 7F 61"}), "meta event 0x01 holds 127 bytes"},
        {"short tempo", midiFile({"00 FF 51 02 07 A1" + std::string(kEnd)}), "must hold 3"},
        {"short time signature", midiFile({"00 FF 58 00" + std::string(kEnd)}), "must hold 4"},
        {"escaped event", midiFile({"00 F7 01 F8" + std::string(kEnd)}), "escaped (F7)"},
        {"system common", midiFile({"00 F1 01" + std::string(kEnd)}), "status 0xF1"},
        {"missing track", midiFile({kEnd, kEnd}, 1).substr(0, 26), "declares 2 track(s)"},
        {"stray bytes", good + "MT", "2 stray bytes after the last chunk"},
        {"smpte", good.substr(0, 12) + fromHex("E7 28") + good.substr(14), "SMPTE"},
        {"format 3", good.substr(0, 9) + "\x03" + good.substr(10), "format 3 is not 0, 1 or 2"},
        {"no header", "MThd", "does not start with an MThd header"},
    };
    std::string folder = freshFolder();
    for (const auto& c : cases) {
        std::string path = folder + "/" + c.name + ".mid";
        writeFile(path, c.bytes);
        try {
            modhost::readMidiFile(path);
            ADD_FAILURE() << c.name << ": read without an error";
        } catch (const modhost::HostError& e) {
            EXPECT_TRUE(std::string(e.what()).starts_with(path + ": ")) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.error), std::string::npos)
                << c.name << ": " << e.what();
        }
    }
    // The command line reports it and exits 2.
    Outcome run = modhost("remap --rules " + folder + "/none.txt " + folder + "/no\\ end.mid " +
                          folder + "/out.mid");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("does not end with an end-of-track event"), std::string::npos)
        << run.err;
}

TEST(MidiFileCheck, SkipsUnknownChunksAndALongerHeader) {
    if (!modhost::midiFilesSupported()) GTEST_SKIP() << "built without libsmf";
    std::string folder = freshFolder();
    std::string file = midiFile({std::string(kNotes) + kEnd});
    writeFile(folder + "/plain.mid", file);
    std::string header = chunk("MThd", fromHex("00 00 00 01 00 60 AA BB"));
    writeFile(folder + "/extra.mid", header + chunk("XFIH", "stuff") + file.substr(14));
    modhost::MidiFileContents plain = modhost::readMidiFile(folder + "/plain.mid");
    modhost::MidiFileContents extra = modhost::readMidiFile(folder + "/extra.mid");
    ASSERT_EQ(extra.events.size(), 2u);
    EXPECT_EQ(extra.ppqn, 96);
    EXPECT_EQ(extra.events[1].message, plain.events[1].message);
    EXPECT_EQ(extra.events[1].seconds, plain.events[1].seconds);
}

TEST(MidiFileCheck, MutatedFilesLoadOrFailCleanly) {
    if (!modhost::midiFilesSupported()) GTEST_SKIP() << "built without libsmf";
    std::string bundled = readFile(std::string(EXAMPLES_DIR) + "/../data/bender_input.mid");
    ASSERT_FALSE(bundled.empty());
    std::string folder = freshFolder(), path = folder + "/in.mid";
    std::mt19937 random(20240611);
    int loaded = 0, rejected = 0;
    for (int i = 0; i < 400; ++i) {
        std::string file = bundled;
        for (int n = std::uniform_int_distribution<int>(1, 8)(random); n > 0; --n)
            file[random() % file.size()] = char(random());
        writeFile(path, file);
        try {
            roundTrip(path, folder + "/out.mid");
            ++loaded;
        } catch (const modhost::HostError& e) {
            ++rejected;
            EXPECT_TRUE(std::string(e.what()).starts_with(folder)) << e.what();
        }
    }
    EXPECT_GT(loaded, 0);
    EXPECT_GT(rejected, 0);
}

TEST(MidiFileWrite, SlowTempoOrCoarseDivisionSurvivesTheReRead) {
    if (!modhost::midiFilesSupported()) GTEST_SKIP() << "built without libsmf";
    std::string folder = freshFolder();
    // A pulse lasts 174 ms here: seconds between pulses used to abort the save.
    modhost::writeMidiFile(folder + "/slow.mid", 96, {{0, 0xFFFFFF}},
                           {{{0.05, 0x403C90}, {1.0, 0x003C80}}});
    modhost::MidiFileContents slow = modhost::readMidiFile(folder + "/slow.mid");
    ASSERT_EQ(slow.events.size(), 2u);
    EXPECT_NEAR(slow.events[1].seconds, 1.0, 0.175);
    // The bundled file with its tempo made 30 times slower, through the command.
    std::string bundled = readFile(std::string(EXAMPLES_DIR) + "/../data/bender_input.mid");
    ASSERT_GT(bundled.size(), 26u);
    bundled[26] = char(0xE8);
    writeFile(folder + "/in.mid", bundled);
    Outcome run = modhost("remap --rules " + std::string(EXAMPLES_DIR) +
                          "/../data/bender_rules.txt " + folder + "/in.mid " + folder + "/out.mid");
    EXPECT_EQ(run.exitCode, 0) << run.err;
}

TEST(MidiFileWrite, RefusesWhatAFileCannotHold) {
    if (!modhost::midiFilesSupported()) GTEST_SKIP() << "built without libsmf";
    std::string path = freshFolder() + "/out.mid";
    struct Case {
        int32_t ppqn;
        std::vector<modhost::MidiFileTempo> tempos;
        double seconds;
        const char* error;
    } cases[] = {
        {0x8000, {}, 0.0, "32768 pulses per quarter"},
        {96, {{0, 0}}, 0.0, "a tempo of 0 microseconds"},
        {96, {{0, 0x1000000}}, 0.0, "a tempo of 16777216 microseconds"},
        {96, {{-1, 500000}}, 0.0, "a tempo change at pulse -1"},
        {96, {}, -0.5, "a message at -0.500000 s"},
        {96, {}, 1.0e7, "a message at 10000000.000000 s"},
    };
    for (const auto& c : cases) {
        try {
            modhost::writeMidiFile(path, c.ppqn, c.tempos, {{{c.seconds, 0x403C90}}});
            ADD_FAILURE() << c.error << ": written without an error";
        } catch (const modhost::HostError& e) {
            EXPECT_NE(std::string(e.what()).find(c.error), std::string::npos) << e.what();
        }
    }
}

}  // namespace
}  // namespace render_test
