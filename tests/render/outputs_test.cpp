// The files a render writes: WAV, MIDI files and logs, pictures.
#include <gtest/gtest.h>

#include <cmath>

#include "host/midi_file.h"
#include "host/wav_file.h"
#include "render_fixture.h"

namespace render_test {
namespace {

TEST(Outputs, WavFilesHoldTheSignalsOfTheirPins) {
    if (!modhost::wavFilesSupported()) GTEST_SKIP() << "built without libsndfile";
    Rendered r = render(R"(
length_samples = 1000
[[module]]
name = "sq"
plugin = "math_pow2"
[[source]]
to = "sq.Input"
type = "breakpoints"
unit = "samples"
points = [[0, 0], [1000, 2]]
[[output]]
file = "sub/both.wav"
pins = ["sq.Input", "sq.Output"]
)");
    modhost::WavContents wav = modhost::readWavFile(r.folder + "/sub/both.wav");
    EXPECT_EQ(wav.sampleRate, 44100.0);
    ASSERT_EQ(wav.channels, 2);
    ASSERT_EQ(wav.frames.size(), 2000u);
    for (size_t t = 0; t < 1000; t += 37) {
        float in = float(double(t) * 0.002 * 0.1);
        EXPECT_FLOAT_EQ(wav.frames[2 * t], in);
        EXPECT_NEAR(wav.frames[2 * t + 1], double(in) * in * 10.0, 1e-6);
    }
}

// The probe echoes each message at its time and sends a clock message ten
// samples later from a deferred call.
const std::string kEcho = R"(
length_samples = 2000
block_size = 64
[[module]]
name = "probe"
plugin = ")" + probePath("host_probe") +
                          R"("
[[source]]
to = "probe.MIDI In"
type = "midi"
unit = "samples"
events = [[100, 0x90, 60, 100], [1500, 0xE3, 0, 64]]
)";

TEST(Outputs, MidiLogsTellTimeBytesAndMessage) {
    Rendered r = render(kEcho + R"(
[[output]]
file = "echo.txt"
pins = "probe.MIDI Out"
)");
    EXPECT_EQ(readFile(r.folder + "/echo.txt"),
              "       100     0.002268  probe.MIDI Out  90 3C 64  Note On ch 1 key 60 vel 100\n"
              "       110     0.002494  probe.MIDI Out  F8        Clock\n"
              "      1500     0.034014  probe.MIDI Out  E3 00 40  Pitch Bend ch 4 value 0\n"
              "      1510     0.034240  probe.MIDI Out  F8        Clock\n");
}

TEST(Outputs, MidiFilesReadBackWithTheSameMessagesAndTimes) {
    if (!modhost::midiFilesSupported()) GTEST_SKIP() << "built without libsmf";
    Rendered r = render(kEcho + R"(
[[output]]
file = "echo.mid"
pins = "probe.MIDI Out"
)");
    modhost::MidiFileContents file = modhost::readMidiFile(r.folder + "/echo.mid");
    // The clock messages are system messages, which a MIDI file does not hold.
    const std::pair<int64_t, int32_t> expected[] = {{100, 0x643C90}, {1500, 0x4000E3}};
    ASSERT_EQ(file.events.size(), std::size(expected));
    for (size_t i = 0; i < file.events.size(); ++i) {
        EXPECT_EQ(file.events[i].message, expected[i].second);
        // 960 pulses per beat at 120 beats per minute: 23 samples a pulse.
        EXPECT_NEAR(file.events[i].seconds * 44100.0, double(expected[i].first), 12.0);
    }
}

TEST(Outputs, PicturesAreDrawn) {
    if (std::system("gnuplot --version > /dev/null 2>&1") != 0) GTEST_SKIP() << "no gnuplot";
    Rendered r = render(R"(
length = 0.2
[[module]]
name = "sq"
plugin = "math_pow2"
[[source]]
to = "sq.Input"
type = "sine"
frequency = 10
[[output]]
file = "wave.png"
pins = ["sq.Input", "sq.Output"]
[[output]]
file = "wave.svg"
overlay = true
pins = ["sq.Input", "sq.Output"]
)");
    EXPECT_EQ(readFile(r.folder + "/wave.png").substr(1, 3), "PNG");
    EXPECT_NE(readFile(r.folder + "/wave.svg").find("<svg"), std::string::npos);
}

}  // namespace
}  // namespace render_test
