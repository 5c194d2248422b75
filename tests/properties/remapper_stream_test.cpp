// midi_bender with no rules, fed seeded random streams: ordinary messages
// leave once, in order and unchanged; parameter sequences leave as controller
// sequences that carry the same parameter and value, with repeats left out
// exactly where the last controllers sent already say the same.
#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <random>
#include <vector>

#include "property_support.h"

namespace plugin_test {
namespace {

using Words = std::vector<int32_t>;

constexpr int kStreams = 300;
constexpr int kUnitsPerStream = 60;

int32_t controller(int channel, int number, int value) {
    return packMidi(0xB0 | channel, number, value);
}

struct Selection {
    bool rpn;
    int channel;
    int parameter;
    bool operator==(const Selection&) const = default;
};

// What the remapper makes of whole units, from the outside: a unit that
// arrives on the channel of the sequence in progress (or when none is in
// progress) is assembled and rewritten, leaving out select and data entry
// controllers that repeat the last ones written; a unit on another channel
// interrupts that sequence and passes as the controllers it came as.
class ExpectedRemapper {
public:
    struct Unit {
        Words in;
        Words out;
    };

    explicit ExpectedRemapper(uint32_t seed) : random_(seed) {}

    Unit next() {
        switch (between(0, 5)) {
            case 0: return ordinary();
            case 1: return system();
            case 2: return lastDataChannel_ ? dataAgain() : setValue();
            case 3: return step();
            default: return setValue();
        }
    }

private:
    Unit ordinary() {
        static constexpr int kKinds[] = {0x80, 0x90, 0xA0, 0xB0, 0xC0, 0xD0, 0xE0};
        const int kind = kKinds[between(0, 6)];
        int data1 = int(between(0, 127));
        while (kind == 0xB0 && isParameterController(data1)) data1 = int(between(0, 127));
        const int32_t w = packMidi(kind | int(between(0, 15)), data1, int(between(0, 127)));
        return {{w}, {w}};
    }

    Unit system() {
        const int32_t w =
            packMidi(0xF0 | int(between(0, 15)), int(between(0, 127)), int(between(0, 127)));
        return {{w}, {w}};
    }

    Unit setValue() {
        const Selection s = randomSelection();
        const int value = int(between(0, 16383));
        Words in = selectControllers(s);
        Words data{controller(s.channel, 6, value / 128), controller(s.channel, 38, value % 128)};
        appendInEitherOrder(in, data);
        if (!assembles(s.channel)) {
            passedAsIs();
            lastDataChannel_ = s.channel;
            return {in, in};
        }
        Words out = writeSelect(s);
        out.insert(out.end(), data.begin(), data.end());
        dataCache_ = {data[0], data[1]};
        lastDataChannel_ = s.channel;
        return {in, out};
    }

    // Data entry alone, for the parameter the last unit set.
    Unit dataAgain() {
        const int channel = *lastDataChannel_;
        const int value = int(between(0, 16383));
        Words data{controller(channel, 6, value / 128), controller(channel, 38, value % 128)};
        Words in;
        appendInEitherOrder(in, data);
        if (!sequenceChannel_) return {in, in};
        Words out;
        for (int32_t w : in) {
            int32_t& cached = (w >> 8 & 0x7F) == 6 ? dataCache_[0] : dataCache_[1];
            if (cached != w) out.push_back(w);
            cached = w;
        }
        return {in, out};
    }

    Unit step() {
        const Selection s = randomSelection();
        const int32_t w = controller(s.channel, chance(2) ? 96 : 97, int(between(0, 127)));
        Words in = selectControllers(s);
        in.push_back(w);
        lastDataChannel_.reset();
        if (!assembles(s.channel)) {
            passedAsIs();
            sequenceChannel_ = s.channel;  // the step is let go with a selection half made
            return {in, in};
        }
        Words out = writeSelect(s);
        out.push_back(w);
        return {in, out};
    }

    bool assembles(int channel) const { return !sequenceChannel_ || *sequenceChannel_ == channel; }

    // The interrupted sequence takes its remembered controllers with it.
    void passedAsIs() {
        sequenceChannel_.reset();
        selectCache_.reset();
    }

    Words writeSelect(const Selection& s) {
        sequenceChannel_ = s.channel;
        if (selectCache_ == s) return {};
        selectCache_ = s;
        return selectControllers(s);
    }

    static Words selectControllers(const Selection& s) {
        return {controller(s.channel, s.rpn ? 101 : 99, s.parameter / 128),
                controller(s.channel, s.rpn ? 100 : 98, s.parameter % 128)};
    }

    // Select pairs and data pairs may come either way round.
    void appendInEitherOrder(Words& to, Words pair) {
        if (chance(2)) std::swap(pair[0], pair[1]);
        to.insert(to.end(), pair.begin(), pair.end());
    }

    Selection randomSelection() {
        // Few channels and parameters, so that repeats and channel changes are common.
        return {chance(2), int(between(0, 2)),
                chance(2) ? int(between(0, 3)) : int(between(0, 16383))};
    }

    static bool isParameterController(int number) {
        return number == 6 || number == 38 || (number >= 96 && number <= 101);
    }

    int64_t between(int64_t low, int64_t high) {
        return std::uniform_int_distribution<int64_t>(low, high)(random_);
    }
    bool chance(int oneIn) { return between(1, oneIn) == 1; }

    std::mt19937 random_;
    std::optional<int> sequenceChannel_;
    std::optional<Selection> selectCache_;
    std::array<int32_t, 2> dataCache_{0, 0};
    std::optional<int> lastDataChannel_;
};

bool isSystem(int32_t w) {
    return (w & 0xF0) == 0xF0;
}

Words only(const Words& words, bool system) {
    Words kept;
    for (int32_t w : words)
        if (isSystem(w) == system) kept.push_back(w);
    return kept;
}

// A system message may arrive between the controllers of a sequence; it
// leaves at once and does not break the sequence.
Words withSystemMessagesInside(const Words& in, std::mt19937& random) {
    Words mixed;
    for (int32_t w : in) {
        if (random() % 6 == 0) mixed.push_back(packMidi(0xF8, 0, 0));
        mixed.push_back(w);
    }
    return mixed;
}

TEST(RemapperStreams, WithoutRulesNothingIsLostAndRepeatsFollowTheCaches) {
    for (uint32_t seed = 1; seed <= kStreams; ++seed) {
        SCOPED_TRACE(::testing::Message() << "seed " << seed);
        ExpectedRemapper expected(seed);
        std::mt19937 random(seed);
        MidiPipe bender("midi_bender");
        for (int u = 0; u < kUnitsPerStream; ++u) {
            const ExpectedRemapper::Unit unit = expected.next();
            const Words in = withSystemMessagesInside(unit.in, random);
            const Words out = bender.through(in, random);
            // Everything a unit leads to has left once its last message is in.
            ASSERT_EQ(only(out, false), only(unit.out, false)) << "unit " << u;
            ASSERT_EQ(only(out, true), only(in, true)) << "unit " << u;
        }
    }
}

// Any stream at all, sequences broken anywhere: whatever is not a parameter
// controller leaves exactly once, in order, unchanged, and every word that
// leaves is a well-formed message.
TEST(RemapperStreams, AnyStreamKeepsEveryOtherMessage) {
    static constexpr int kNumbers[] = {6, 38, 96, 97, 98, 99, 100, 101, 7, 64};
    for (uint32_t seed = 1; seed <= kStreams; ++seed) {
        SCOPED_TRACE(::testing::Message() << "seed " << seed);
        std::mt19937 random(seed);
        MidiPipe bender("midi_bender");
        Words in;
        for (int i = 0; i < 400; ++i) {
            const int status = random() % 4 == 0   ? 0x90 | int(random() % 2)
                               : random() % 8 == 0 ? 0xF8
                                                   : 0xB0 | int(random() % 2);
            const int data1 =
                (status & 0xF0) == 0xB0 ? kNumbers[random() % 10] : int(random() % 128);
            in.push_back(packMidi(status, data1, int(random() % 128)));
        }
        const Words out = bender.through(in, random);
        auto isParameterController = [](int32_t w) {
            const int number = w >> 8 & 0xFF;
            return (w & 0xF0) == 0xB0 && number != 7 && number != 64;
        };
        Words kept, left;
        for (int32_t w : in)
            if (!isParameterController(w)) kept.push_back(w);
        for (int32_t w : out) {
            ASSERT_EQ(uint32_t(w) & 0xFF808000u, 0u) << std::hex << w;
            if (!isParameterController(w)) left.push_back(w);
        }
        EXPECT_EQ(left, kept);
    }
}

}  // namespace
}  // namespace plugin_test
