// The voltage-to-MIDI module, loaded and driven through the reference host.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "plugin_fixture.h"

namespace plugin_test {
namespace {

using modhost::Instance;
using modhost::InstanceOptions;

constexpr int32_t kTriggerSource = 0, kSamplingRate = 1, kTrigger = 2, kCombined = 3, kStatus = 4,
                  kChannel = 5, kData1 = 6, kData2 = 7, kMidi = 8, kSneakyGit = 9;
constexpr int16_t kTimeBased = 2;

// An open instance past its first block, with helpers that set inputs the way
// a patch does: a new constant voltage arrives with a one-off status change.
struct VoltsToMidi {
    Instance m;

    explicit VoltsToMidi(InstanceOptions options = {.blockSize = 64})
        : m(load("volts_to_midi"), options) {
        m.open();
        m.processBlock();
    }

    void set(int32_t plug, double value) {
        m.setValue(plug, value);
        m.processBlock();
    }
    void setInputs(double status, double channel, double data1, double data2) {
        m.setValue(kStatus, status);
        m.setValue(kChannel, channel);
        m.setValue(kData1, data1);
        m.setValue(kData2, data2);
        m.processBlock();
    }
    // Trigger up, then down again; returns what was sent meanwhile.
    std::vector<int32_t> trigger() {
        size_t before = m.sentMidi().size();
        set(kTrigger, 1);
        set(kTrigger, 0);
        std::vector<int32_t> sent;
        for (size_t i = before; i < m.sentMidi().size(); ++i) {
            EXPECT_EQ(m.sentMidi()[i].plug, kMidi);
            sent.push_back(m.sentMidi()[i].message);
        }
        return sent;
    }
    void stream(int32_t plug, float volts) {
        m.fillBuffer(plug, volts * 0.1f);
        m.queueStatus(plug, PinStatus::Streaming);
    }
    std::vector<int32_t> sentTimes() const {
        std::vector<int32_t> times;
        for (const auto& sent : m.sentMidi()) times.push_back(sent.time);
        return times;
    }
};

using Sent = std::vector<int32_t>;

int count(const Instance& m, HostOp opcode) {
    return int(std::count_if(m.traffic().begin(), m.traffic().end(),
                             [&](const auto& c) { return c.opcode == int32_t(opcode); }));
}

TEST(VoltsToMidi, DescribesItselfAndListsItsPins) {
    auto library = load("volts_to_midi");
    ModuleDescriptor d;
    std::memset(&d, 0x5A, sizeof d);
    ASSERT_EQ(library->getModuleProperties()(0, &d), 1);
    EXPECT_STREQ(d.name, "ZRM Volts2MIDI");
    EXPECT_STREQ(d.id, "ZRM Volts2MIDI");
    EXPECT_EQ(d.interfaceVersion, 2230);
    std::string about = d.about;
    EXPECT_EQ(about.substr(0, about.find('\n')), "ZRM Volts To MIDI - v1.0.3");
    EXPECT_NE(about.find("\n\nThis module is NOT capable of outputting SysEx messages.\n\n"
                         "Parameter changes reflect in the output immediately."),
              std::string::npos);

    struct Expected {
        const char* name;
        PinDirection direction;
        PinKind kind;
        const char* defaultValue;
        const char* items;
        int32_t flags;
    } pins[] = {
        {"Trigger MIDI from ", PinDirection::In, PinKind::Enum, "1", "Trigger=1,Time Based",
         0x28400},
        {"Sampling Rate (Hz)", PinDirection::Parameter, PinKind::Float, "40", nullptr, 0x28400},
        {"Trigger", PinDirection::In, PinKind::Bool, nullptr, nullptr, 0x20000},
        {"Voltage Combined", PinDirection::In, PinKind::Audio, nullptr, nullptr, 0x20000},
        {"Status", PinDirection::In, PinKind::Audio, nullptr, nullptr, 0x20000},
        {"Channel", PinDirection::In, PinKind::Audio, nullptr, nullptr, 0x20000},
        {"Data 1", PinDirection::In, PinKind::Audio, nullptr, nullptr, 0x20000},
        {"Data 2", PinDirection::In, PinKind::Audio, nullptr, nullptr, 0x20000},
        {"MIDI", PinDirection::Out, PinKind::Midi, nullptr, nullptr, 0x20000},
        {"SneakyGit", PinDirection::Parameter, PinKind::Int, nullptr, nullptr, 0x20100},
    };
    Instance m(library);
    ASSERT_EQ(m.pins().size(), std::size(pins));
    EXPECT_EQ(m.plugCount(), 10);
    for (size_t i = 0; i < std::size(pins); ++i) {
        const auto& pin = m.pins()[i];
        EXPECT_EQ(pin.name, pins[i].name);
        EXPECT_EQ(pin.direction, pins[i].direction) << i;
        EXPECT_EQ(pin.kind, pins[i].kind) << i;
        EXPECT_EQ(pin.defaultValue.value_or("-"),
                  pins[i].defaultValue ? pins[i].defaultValue : "-");
        EXPECT_EQ(pin.kindExtra.value_or("-"), pins[i].items ? pins[i].items : "-");
        EXPECT_EQ(pin.flags, pins[i].flags) << i;
        EXPECT_EQ(pin.plugIndex, int32_t(i));
        EXPECT_EQ(pin.variable == nullptr, pins[i].kind == PinKind::Midi) << i;
    }
}

TEST(VoltsToMidi, TriggerSendsTheAssembledMessageOnlyWhenAReadingChanged) {
    VoltsToMidi v;
    v.setInputs(144, 1, 60, 100);
    EXPECT_EQ(v.trigger(), Sent{0x00643C90});
    EXPECT_EQ(v.m.sentMidi().back().time, 64 * 2);  // stamped with the trigger's sample
    EXPECT_EQ(v.trigger(), Sent{});
    v.set(kData2, 0);
    EXPECT_EQ(v.trigger(), Sent{0x00003C90});
}

TEST(VoltsToMidi, MessagesAreLegalisedOrDropped) {
    struct Case {
        const char* what;
        double status, channel, data1, data2;
        Sent sent;
    } cases[] = {
        {"note on", 144, 1, 60, 100, {0x00643C90}},
        {"data bytes keep their low seven bits", 144, 1, 200, 300, {0x002C4890}},
        {"status without a legal kind is dropped", 145, 1, 60, 100, {}},
        {"status below 128 is dropped", 16, 1, 60, 100, {}},
        {"status above one byte is dropped", 400, 1, 60, 100, {}},
        {"channel 16 is the last", 176, 16, 7, 1, {0x000107BF}},
        {"channel 17 wraps to the first", 144, 17, 60, 100, {0x00643C90}},
        {"channel 0 is the first", 224, 0, 0, 64, {0x004000E0}},
        {"negative channels are the first", 192, -5, 3, 0, {0x000003C0}},
        {"fractional volts are truncated downwards", 144.9, 2.99, 60.5, -0.5, {0x007F3C91}},
        {"system messages carry no channel", 248, 5, 60, 100, {0x00643CF8}},
        {"the last system status", 255, 0, 0, 0, {0x000000FF}},
    };
    for (const auto& c : cases) {
        VoltsToMidi v;
        v.setInputs(c.status, c.channel, c.data1, c.data2);
        EXPECT_EQ(v.trigger(), c.sent) << c.what;
    }
}

// A data byte legalised from 200 to 72 differs from the reading again at the
// next assembly, so every trigger sends.
TEST(VoltsToMidi, DataAboveSevenBitsCountsAsChangedAgain) {
    VoltsToMidi v;
    v.setInputs(144, 1, 200, 100);
    EXPECT_EQ(v.trigger(), Sent{0x00644890});
    EXPECT_EQ(v.trigger(), Sent{0x00644890});
}

TEST(VoltsToMidi, DroppedMessageSendsNothingUntilTheStatusIsLegal) {
    VoltsToMidi v;
    v.setInputs(144, 1, 60, 100);
    EXPECT_EQ(v.trigger(), Sent{0x00643C90});
    v.set(kStatus, 145);
    EXPECT_EQ(v.trigger(), Sent{});
    v.set(kData2, 1);  // the data changed, but the status is still not one to send
    EXPECT_EQ(v.trigger(), Sent{});
    v.set(kStatus, 128);
    EXPECT_EQ(v.trigger(), Sent{0x00013C80});
}

TEST(VoltsToMidi, ChannelStaysWhenOnlyTheStatusChanges) {
    VoltsToMidi v;
    v.setInputs(144, 5, 60, 100);
    EXPECT_EQ(v.trigger(), Sent{0x00643C94});
    v.set(kStatus, 128);
    EXPECT_EQ(v.trigger(), Sent{0x00643C84});
    v.set(kStatus, 248);
    EXPECT_EQ(v.trigger(), Sent{0x00643CF8});
    v.set(kStatus, 144);
    EXPECT_EQ(v.trigger(), Sent{0x00643C94});
}

TEST(VoltsToMidi, CombinedVoltageCarriesAllThreeBytesAndWins) {
    VoltsToMidi v;
    v.set(kCombined, 0x00643C90);
    EXPECT_EQ(v.trigger(), Sent{0x00643C90});

    VoltsToMidi both;
    both.m.setValue(kCombined, 0x00643C90);
    both.setInputs(128, 3, 1, 2);
    EXPECT_EQ(both.trigger(), Sent{0x00643C90});

    VoltsToMidi system;
    system.set(kCombined, 0x00123FF8);  // the channel nibble belongs to the system status
    EXPECT_EQ(system.trigger(), Sent{0x00123FF8});

    VoltsToMidi wide;
    wide.set(kCombined, 0x00FFFF9F);  // data keep their low seven bits
    EXPECT_EQ(wide.trigger(), Sent{0x007F7F9F});
}

// A combined status byte without its top bit is dropped like an illegal
// status, rather than sending the previous message again.
TEST(VoltsToMidi, CombinedWithoutAStatusBitIsDropped) {
    VoltsToMidi v;
    v.set(kCombined, 0x00643C90);
    EXPECT_EQ(v.trigger(), Sent{0x00643C90});
    v.set(kCombined, 0x00643C10);
    EXPECT_EQ(v.trigger(), Sent{});
    v.set(kData1, 5);
    EXPECT_EQ(v.trigger(), Sent{});
    v.set(kCombined, 0x00643C90);
    EXPECT_EQ(v.trigger(), Sent{0x00643C90});
}

// Assemblies between two readings see the inputs as they were read, not the
// legalised numbers, so a repeated trigger at one sample sends nothing new.
TEST(VoltsToMidi, AssembliesWithoutANewReadingSendNothingAgain) {
    VoltsToMidi v;
    v.setInputs(144, 5, 60, 100);
    int64_t at = v.m.blockStart() + 10;
    v.m.setValue(kTrigger, 1, at);
    v.m.setValue(kTrigger, 0, at);
    v.m.setValue(kTrigger, 1, at);
    v.m.processBlock();
    ASSERT_EQ(v.m.sentMidi().size(), 1u);
    EXPECT_EQ(v.m.sentMidi()[0].message, 0x00643C94);
}

// Readings without an int32 whole number of volts make no message by
// themselves: no status, channel 1, data 0.
TEST(VoltsToMidi, NonNumbersAndHugeVoltagesNeverMakeAMessageOfTheirOwn) {
    const double odd[] = {NAN, INFINITY, -INFINITY, 1e12, -1e12};
    for (double volts : odd) {
        VoltsToMidi status;
        status.setInputs(volts, 1, 60, 100);
        EXPECT_EQ(status.trigger(), Sent{}) << volts;

        VoltsToMidi combined;
        combined.set(kCombined, volts);
        EXPECT_EQ(combined.trigger(), Sent{}) << volts;

        VoltsToMidi rest;
        rest.setInputs(144, volts, volts, volts);
        EXPECT_EQ(rest.trigger(), Sent{0x00000090}) << volts;
    }
}

TEST(VoltsToMidi, SneakyGitReadsTheInputsAndSendsWhileTriggerIsHigh) {
    VoltsToMidi v;
    v.set(kTrigger, 1);
    v.m.setValue(kStatus, 176);
    v.m.setValue(kData1, 7);
    v.m.setValue(kSneakyGit, 1);  // same sample: only its own reading sees the new volts
    v.m.processBlock();
    EXPECT_EQ(v.sentTimes().size(), 1u);
    EXPECT_EQ(v.m.sentMidi().back().message, 0x000007B0);

    VoltsToMidi low;
    low.m.setValue(kStatus, 176);
    low.m.setValue(kSneakyGit, 1);
    low.m.processBlock();
    EXPECT_TRUE(low.m.sentMidi().empty());
}

TEST(VoltsToMidi, OutOfRangeTriggerSourceSendsNothing) {
    for (int16_t source : {int16_t(0), int16_t(-1), int16_t(3), int16_t(32767)}) {
        VoltsToMidi v;
        v.set(kTriggerSource, source);
        v.setInputs(144, 1, 60, 100);
        EXPECT_EQ(v.trigger(), Sent{}) << source;
        v.stream(kData2, 5);
        for (int i = 0; i < 100; ++i) v.m.processBlock();
        EXPECT_TRUE(v.m.sentMidi().empty()) << source;
    }
}

TEST(VoltsToMidi, ConstantInputsSleepAfterOneBlock) {
    VoltsToMidi v;
    EXPECT_TRUE(v.m.asleep());
    v.m.setValue(kData1, 3, v.m.blockStart() + 10);
    v.m.processBlock();
    EXPECT_FALSE(v.m.asleep());  // 54 of the 64 samples counted down
    v.m.processBlock();
    EXPECT_TRUE(v.m.asleep());
}

// Time-based mode: one timer call a block after an input started streaming,
// then one every period while any input streams.
struct TimeBased : VoltsToMidi {
    explicit TimeBased(double rate, InstanceOptions options = {.blockSize = 64})
        : VoltsToMidi(options) {
        set(kTriggerSource, kTimeBased);
        set(kSamplingRate, rate);
        setInputs(144, 1, 60, 0);
    }
    // Runs `blocks` blocks with Data 2 stepping each block, so every timer call sends.
    void streamData2(int blocks) {
        for (int i = 0; i < blocks; ++i) {
            m.fillBuffer(kData2, float((i % 100) + 1) * 0.1f);
            if (i == 0) m.queueStatus(kData2, PinStatus::Streaming);
            m.processBlock();
        }
    }
};

std::vector<int32_t> gaps(const std::vector<int32_t>& times) {
    std::vector<int32_t> out;
    for (size_t i = 1; i < times.size(); ++i) out.push_back(times[i] - times[i - 1]);
    return out;
}

TEST(VoltsToMidi, TimeBasedModeSendsEveryPeriodWhileAnInputStreams) {
    struct RateCase {
        double rate;
        int32_t period;
    } cases[] = {{100, 441}, {40, 1102}, {500, 88}, {1000, 441}, {500.5, 441}};
    for (const auto& c : cases) {
        TimeBased v(c.rate);
        int64_t start = v.m.blockStart();
        v.streamData2(200);
        auto times = v.sentTimes();
        ASSERT_GE(times.size(), 4u) << c.rate;
        EXPECT_EQ(times[0], start + 64) << c.rate;
        for (int32_t gap : gaps(times)) EXPECT_EQ(gap, c.period) << c.rate;
    }
}

TEST(VoltsToMidi, TimerChainEndsOnceTheInputsStopStreaming) {
    TimeBased v(100);
    v.streamData2(50);
    v.m.queueStatus(kData2, PinStatus::Static);
    for (int i = 0; i < 40; ++i) v.m.processBlock();
    EXPECT_TRUE(v.m.asleep());
    v.m.clearTraffic();
    for (int i = 0; i < 40; ++i) v.m.processBlock();
    EXPECT_TRUE(v.m.traffic().empty());
}

TEST(VoltsToMidi, TimeBasedModeWithStaticInputsQueuesNothing) {
    TimeBased v(100);
    v.m.clearTraffic();
    for (int i = 0; i < 100; ++i) {
        v.m.fillBuffer(kData2, float(i) * 0.1f);
        v.m.processBlock();
    }
    EXPECT_EQ(count(v.m, HostOp::QueueEvent), 0);
    EXPECT_TRUE(v.m.sentMidi().empty());
}

// Streaming, constant long enough for the idle countdown to run out, and
// streaming again, twenty times inside one period: still one timer call per period.
TEST(VoltsToMidi, TogglingInputsKeepOneTimerChain) {
    TimeBased v(10);  // a period of 4410 samples
    int64_t start = v.m.blockStart();
    for (int toggle = 0; toggle < 20; ++toggle) {
        v.m.queueStatus(kData2, PinStatus::Streaming, start + toggle * 200);
        v.m.queueStatus(kData2, PinStatus::Static, start + toggle * 200 + 64);
    }
    v.m.queueStatus(kData2, PinStatus::Streaming, start + 20 * 200);
    v.m.clearTraffic();
    for (int i = 0; i < 600; ++i) {  // Data 2 steps each block, so every timer call sends
        v.m.fillBuffer(kData2, float((i % 100) + 1) * 0.1f);
        v.m.processBlock();
    }
    auto times = v.sentTimes();
    ASSERT_GE(times.size(), 7u);
    EXPECT_EQ(times[0], start + 64);
    for (int32_t gap : gaps(times)) EXPECT_EQ(gap, 4410);
    EXPECT_EQ(count(v.m, HostOp::QueueEvent), int(times.size()) + 1);
}

// The period is the sample rate over the sampling rate; rates below 0.0001 Hz
// and NaN count as 0.0001 Hz, and no period exceeds 2^30 samples.
TEST(VoltsToMidi, SlowestRatesGiveLongPeriodsThatStayInRange) {
    struct SlowCase {
        float sampleRate;
        double rate;
        int32_t period;
    } cases[] = {{44100.0f, 0.0, 441000000},
                 {44100.0f, NAN, 441000000},
                 {44100.0f, -5.0, 441000000},
                 {300000.0f, 0.0, 1 << 30}};
    for (const auto& c : cases) {
        constexpr int32_t kBlock = 1 << 16;
        TimeBased v(c.rate,
                    InstanceOptions{
                        .sampleRate = c.sampleRate, .blockSize = kBlock, .recordTraffic = false});
        int64_t start = v.m.blockStart();
        v.stream(kData2, 1);
        v.m.processBlock();
        v.m.fillBuffer(kData2, 0.2f);
        int64_t due = start + kBlock + c.period;
        while (v.m.blockStart() <= due) v.m.processBlock();
        EXPECT_EQ(v.sentTimes(), (std::vector<int32_t>{int32_t(start + kBlock), int32_t(due)}))
            << c.rate;
    }
}

}  // namespace
}  // namespace plugin_test
