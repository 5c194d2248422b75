// midi_bender with seeded random rule tables and rule sources: a message is
// kept back only by a matching Discard rule or a matching 'N' rule, and a
// rule file that cannot be read leaves the rules before it in force.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

#include "../modules/midi_bender/temp_folder.h"
#include "plugin_fixture.h"
#include "property_support.h"

namespace plugin_test {
namespace {

using Words = std::vector<int32_t>;

constexpr int32_t kRuleSource = 2, kFile = 3, kFirstRule = 4, kRulePins = 10;
constexpr int kTextEntry = 0, kFromFile = 1;

struct Range {
    int low = -1, high = -1;  // -1: "*"
    bool holds(int v) const { return (low < 0 || v >= low) && (high < 0 || v <= high); }
};

struct Kind {
    const char* text;
    int status;
};
const Kind kInKinds[] = {{"NoteOff", 0x80}, {"NoteOn", 0x90},  {"KeyAft", 0xA0},
                         {"Ctrl", 0xB0},    {"ChanAft", 0xD0}, {"PitchB", 0xE0}};
const char* const kOutKinds[] = {"*", "Discard", "NoteOn", "Ctrl", "PitchB", "KeyAft"};

// The match and stop conditions of one rule, next to its text.
struct Rule {
    int channel = -1;  // 0 to 15, -1: "*"
    int status = 0;
    Range data1, data2;
    bool passOn = true;
    bool discards = false;
    std::string text;

    bool matches(int32_t w) const {
        return (w & 0xF0) == status && (channel < 0 || (w & 0x0F) == channel) &&
               data1.holds(w >> 8 & 0x7F) && data2.holds(w >> 16 & 0x7F);
    }
};

std::string field(int v) {
    return v < 0 ? "*" : std::to_string(v);
}

class RuleMaker {
public:
    explicit RuleMaker(uint32_t seed) : random_(seed) {}

    Rule rule() {
        Rule r;
        const Kind& in = kInKinds[pick(6)];
        r.status = in.status;
        r.channel = pick(3) == 0 ? -1 : int(pick(2));
        r.data1 = range();
        r.data2 = range();
        r.passOn = pick(2) == 0;
        const char* out = kOutKinds[pick(6)];
        r.discards = std::string(out) == "Discard";
        r.text = field(r.channel < 0 ? -1 : r.channel + 1) + "," + in.text + "," +
                 field(r.data1.low) + "," + field(r.data1.high) + "," + field(r.data2.low) + "," +
                 field(r.data2.high) + "," + (r.passOn ? "Y" : "N") + "," +
                 (pick(2) ? "*" : std::to_string(pick(16) + 1)) + "," + out + "," + outRange() +
                 "," + outRange();
        return r;
    }

    // Channel messages other than parameter controllers, mostly on the
    // rules' channels.
    int32_t message() {
        static constexpr int kKinds[] = {0x80, 0x90, 0xA0, 0xB0, 0xC0, 0xD0, 0xE0};
        const int kind = kKinds[pick(7)];
        int data1 = int(pick(128));
        while (kind == 0xB0 && (data1 == 6 || data1 == 38 || (data1 >= 96 && data1 <= 101)))
            data1 = int(pick(128));
        return packMidi(kind | int(pick(3)), data1, int(pick(128)));
    }

    uint32_t pick(uint32_t count) { return random_() % count; }

private:
    Range range() {
        if (pick(3) == 0) return {};
        int a = int(pick(128)), b = int(pick(128));
        if (a > b) std::swap(a, b);
        return {pick(5) == 0 ? -1 : a, pick(5) == 0 ? -1 : b};
    }
    std::string outRange() {
        if (pick(4) == 0) return "*,*";
        return std::to_string(pick(128)) + "," + std::to_string(pick(128));
    }

    std::mt19937 random_;
};

TEST(RemapperRules, OnlyDiscardOrAStoppingRuleKeepsAMessageBack) {
    for (uint32_t seed = 1; seed <= 200; ++seed) {
        SCOPED_TRACE(::testing::Message() << "seed " << seed);
        RuleMaker maker(seed);
        std::mt19937 random(seed);
        MidiPipe bender("midi_bender");
        std::vector<std::optional<Rule>> slots(kRulePins);
        for (auto& slot : slots)
            if (maker.pick(3) != 0) slot = maker.rule();
        for (int i = 0; i < kRulePins; ++i)
            bender.host().setText(kFirstRule + i, slots[size_t(i)] ? slots[size_t(i)]->text : "");
        bender.host().processBlock();

        for (int n = 0; n < 100; ++n) {
            const int32_t w = maker.message();
            size_t rewritten = 0;
            bool passes = true;
            for (const auto& slot : slots) {
                if (!slot || !slot->matches(w)) continue;
                if (slot->discards) {
                    passes = false;
                    break;
                }
                ++rewritten;
                if (!slot->passOn) {
                    passes = false;
                    break;
                }
            }
            const Words out = bender.through({w}, random);
            ASSERT_EQ(out.size(), rewritten + (passes ? 1 : 0)) << std::hex << "message " << w;
            if (passes) {
                ASSERT_EQ(out.back(), w);
            }
        }
    }
}

// A rule that turns any Note On into Control Change `number`: which one
// leaves shows which rules are in force.
std::string marker(int number) {
    return "*,NoteOn,*,*,*,*,N,*,Ctrl," + std::to_string(number) + "," + std::to_string(number) +
           ",*,*";
}

TEST(RemapperRules, AnUnreadableFileLeavesThePreviousRulesInForce) {
    midi_bender::TempFolder folder;
    mkfifo((folder.path() / "fifo.txt").c_str(), 0600);
    std::filesystem::create_directory(folder.path() / "folder.txt");
    std::filesystem::create_symlink(folder.path() / "gone.txt", folder.path() / "link.txt");
    // Missing, a folder, a pipe with no writer, a link to nothing, no name.
    const char* const kUnreadable[] = {"missing.txt", "folder.txt", "fifo.txt", "link.txt", ""};
    for (int number = 1; number <= 20; ++number)
        folder.write("rules" + std::to_string(number) + ".txt", marker(number) + "\r\n");

    for (uint32_t seed = 1; seed <= 100; ++seed) {
        SCOPED_TRACE(::testing::Message() << "seed " << seed);
        std::mt19937 random(seed);
        MidiPipe bender("midi_bender", {.blockSize = 64, .fileBase = folder.path().string()});
        modhost::Instance& m = bender.host();
        int mode = kTextEntry, pinRule = 0, inForce = 0;  // 0: no rule, the note passes
        std::optional<int> fileRule;                      // what the named file holds
        for (int step = 0; step < 40; ++step) {
            std::string what;
            switch (random() % 5) {
                case 0:
                    pinRule = 21 + int(random() % 20);
                    m.setText(kFirstRule, marker(pinRule));
                    if (mode == kTextEntry) inForce = pinRule;
                    what = "rule pin";
                    break;
                case 1:
                    mode = int(random() % 2);
                    m.setValue(kRuleSource, mode);
                    if (mode == kTextEntry)
                        inForce = pinRule;
                    else if (fileRule)
                        inForce = *fileRule;
                    what = "source";
                    break;
                case 2: {
                    fileRule = 1 + int(random() % 20);
                    m.setText(kFile, "rules" + std::to_string(*fileRule) + ".txt");
                    if (mode == kFromFile) inForce = *fileRule;
                    what = "good file";
                    break;
                }
                default: {
                    const char* name = kUnreadable[random() % 5];
                    fileRule.reset();
                    m.setText(kFile, name);
                    what = std::string("unreadable file '") + name + "'";
                    break;
                }
            }
            m.processBlock();
            const int32_t note = packMidi(0x90, 60, 100);
            const Words out = bender.through({note}, random);
            const Words expected{inForce ? packMidi(0xB0, inForce, 100) : note};
            ASSERT_EQ(out, expected) << "step " << step << " after " << what;
        }
    }
}

}  // namespace
}  // namespace plugin_test
