// The tempo clock, loaded and driven through the reference host.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "plugin_fixture.h"

namespace plugin_test {
namespace {

using modhost::Instance;
using modhost::InstanceOptions;

constexpr int32_t kPulseOut = 0, kBarStart = 1, kTempoOut = 2, kTransportRun = 3, kPulseDivide = 4;

// No output ever carries this; a buffer sample still holding it after a call
// was left alone, so the output held its value there.
constexpr float kUntouched = -999.0f;

// Every sample of the four outputs, as a host that honours the status reports sees them.
struct Trace {
    std::vector<float> out[4];

    std::vector<int64_t> changes(int32_t pin) const {
        std::vector<int64_t> at;
        float before = 0.0f;
        for (size_t i = 0; i < out[pin].size(); ++i)
            if (out[pin][i] != before) at.push_back(int64_t(i)), before = out[pin][i];
        return at;
    }
};

// A way for the host to cut the sample stream into process calls.
struct Layout {
    const char* name;
    int32_t blockSize;
    std::vector<int32_t> frames;  // processBlock sizes, used in turn
    int32_t splitEvery = 0;       // > 0: also split blocks by events this many samples apart
};

void PrintTo(const Layout& l, std::ostream* os) {
    *os << l.name;
}

const Layout kLayouts[] = {
    {"block1", 1, {1}},
    {"block64", 64, {64}},
    {"block1024", 1024, {1024}},
    {"oddFrames", 1024, {7, 1, 300, 13, 1024, 2, 999, 64}},
    {"oddFramesAndEvents", 512, {511, 3, 512, 77}, 1237},
};

std::unique_ptr<Instance> clock(const Layout& layout, bool timeInfo = true) {
    auto m = std::make_unique<Instance>(load("bpm_clock"),
                                        InstanceOptions{.blockSize = layout.blockSize});
    m->setTimeInfoAvailable(timeInfo);
    return m;
}

void append(Trace& trace, Instance& m, int64_t samples, const Layout& layout) {
    if (!m.isOpen()) m.open();
    size_t next = 0;
    int64_t nextSplit = m.blockStart() + layout.splitEvery;
    while (samples > 0) {
        auto frames =
            int32_t(std::min<int64_t>(layout.frames[next++ % layout.frames.size()], samples));
        for (; layout.splitEvery > 0 && nextSplit < m.blockStart() + frames;
             nextSplit += layout.splitEvery)  // same divide again: only splits the block
            m.setValue(kPulseDivide, m.value(kPulseDivide), nextSplit);
        for (int32_t pin = 0; pin < 4; ++pin) m.fillBuffer(pin, kUntouched);
        m.processBlock(frames);
        for (int32_t pin = 0; pin < 4; ++pin) {
            auto& out = trace.out[pin];
            for (int32_t i = 0; i < frames; ++i) {
                float held = out.empty() ? 0.0f : out.back();
                out.push_back(m.buffer(pin)[i] == kUntouched ? held : m.buffer(pin)[i]);
            }
        }
        samples -= frames;
    }
}

Trace run(Instance& m, int64_t samples, const Layout& layout = kLayouts[2]) {
    Trace trace;
    append(trace, m, samples, layout);
    return trace;
}

// Edges k = 0, 1, 2 … of a clock whose half pulse lasts `halfPeriod` samples exactly.
std::vector<int64_t> evenEdges(double halfPeriod, int64_t samples) {
    std::vector<int64_t> at;
    for (int64_t k = 0; std::ceil(k * halfPeriod) < samples; ++k)
        at.push_back(int64_t(std::ceil(k * halfPeriod)));
    return at;
}

int count(const Instance& m, HostOp opcode) {
    return int(std::count_if(m.traffic().begin(), m.traffic().end(),
                             [&](const auto& c) { return c.opcode == int32_t(opcode); }));
}

TEST(BpmClock, DescribesItselfAndListsItsPins) {
    auto library = load("bpm_clock");
    ModuleDescriptor d;
    std::memset(&d, 0x5A, sizeof d);
    ASSERT_EQ(library->getModuleProperties()(0, &d), 1);
    EXPECT_STREQ(d.name, "BPM Clock2");
    EXPECT_STREQ(d.id, "Wirescape BPM Clock V2");
    EXPECT_EQ(std::strchr(d.about, '\n'), nullptr);
    EXPECT_EQ(d.interfaceVersion, 2230);
    EXPECT_EQ(d.flags, 0x5A5A5A5A);
    EXPECT_EQ(library->makeModule()(0, 2, nullptr, nullptr), nullptr);

    Instance m(library);
    const char* names[] = {"Pulse Out", "Bar Start", "Tempo Out", "Transport Run"};
    ASSERT_EQ(m.pins().size(), 5u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(m.pins()[i].name, names[i]);
        EXPECT_EQ(m.pins()[i].direction, PinDirection::Out);
        EXPECT_EQ(m.pins()[i].kind, PinKind::Audio);
        EXPECT_FALSE(m.pins()[i].defaultValue);
        EXPECT_EQ(m.pins()[i].flags, 0);
    }
    const auto& divide = m.pins()[4];
    EXPECT_EQ(divide.name, "Pulse Divide");
    EXPECT_EQ(divide.direction, PinDirection::In);
    EXPECT_EQ(divide.kind, PinKind::Enum);
    EXPECT_EQ(divide.defaultValue, "4");
    EXPECT_EQ(divide.kindExtra, "64=64,32=32,24=24,16=16,12=12,8=8,6=6,4=4,3=3,2=2,1=1");
}

TEST(BpmClock, OpenSelectsTheRoutineThenBuildsPlugsThenShowsTempoTen) {
    Instance m(load("bpm_clock"), InstanceOptions{.initialStatus = false});
    m.open();
    std::vector<int32_t> opcodes;
    for (const auto& call : m.traffic()) opcodes.push_back(call.opcode);
    EXPECT_EQ(opcodes, (std::vector<int32_t>{
                           int32_t(HostOp::ProcessRoutineChanged), int32_t(HostOp::GetPinCount),
                           int32_t(HostOp::GetSampleClock), int32_t(HostOp::SetPinStatus)}));
    EXPECT_EQ(m.traffic().back().index, kTempoOut);
    EXPECT_EQ(m.outputStatus(kTempoOut).status, PinStatus::OneOff);
    m.setTimeInfoAvailable(false);
    Trace t = run(m, 1024);
    EXPECT_EQ(t.out[kTempoOut][0], 10.0f);
    EXPECT_EQ(t.out[kTempoOut][1023], 10.0f);
}

class EachLayout : public ::testing::TestWithParam<Layout> {};
INSTANTIATE_TEST_SUITE_P(BpmClock, EachLayout, ::testing::ValuesIn(kLayouts),
                         [](const auto& info) { return std::string(info.param.name); });

// 44100 Hz, 120 beats per minute, four pulses per beat: half pulses of 2756.25 samples.
TEST_P(EachLayout, StoppedTransportGivesTheSameEdgesWhateverTheBlocks) {
    auto m = clock(GetParam());
    Trace t = run(*m, 180000, GetParam());
    auto edges = t.changes(kPulseOut);
    ASSERT_GE(edges.size(), 6u);
    EXPECT_EQ(std::vector<int64_t>(edges.begin(), edges.begin() + 6),
              (std::vector<int64_t>{0, 2757, 5513, 8269, 11025, 13782}));
    EXPECT_EQ(edges, evenEdges(2756.25, 180000));
    EXPECT_EQ(t.changes(kBarStart),
              (std::vector<int64_t>{0, 2757, 88200, 88200 + 2757, 176400, 176400 + 2757}));
    EXPECT_EQ(t.out[kPulseOut][0], 0.5f);
    EXPECT_EQ(t.out[kBarStart][100], 0.5f);
    EXPECT_EQ(t.out[kTempoOut][0], 12.0f);
    EXPECT_EQ(t.out[kTempoOut][179999], 12.0f);
    EXPECT_EQ(t.changes(kTransportRun), std::vector<int64_t>{});
}

// Running from beat 0 the clock is in phase with the host, so the pull
// towards the host's position leaves the spacing as it is, give or take the
// rounding of a single-precision phase where an edge falls on a whole sample.
TEST_P(EachLayout, RunningTransportInPhaseKeepsTheSameEdges) {
    auto m = clock(GetParam());
    m->timeInfo().flags = kTransportRunning;
    Trace t = run(*m, 100000, GetParam());
    auto edges = t.changes(kPulseOut);
    auto even = evenEdges(2756.25, 100000);
    ASSERT_EQ(edges.size(), even.size());
    for (size_t k = 0; k < edges.size(); ++k) EXPECT_NEAR(edges[k], even[k], 1) << k;
    EXPECT_EQ(t.changes(kBarStart).size(), 4u);
    EXPECT_EQ(t.changes(kTransportRun), std::vector<int64_t>{0});
    EXPECT_EQ(t.out[kTransportRun][99999], 1.0f);
}

// 60 beats per minute at 32768 Hz: every position and phase is exact, so each
// edge on a beat measures a phase error of exactly 0.
TEST_P(EachLayout, EdgesOnExactBeatsKeepTheirSpacing) {
    Instance m(load("bpm_clock"),
               InstanceOptions{.sampleRate = 32768.0f, .blockSize = GetParam().blockSize});
    m.timeInfo().tempo = 60.0;
    m.timeInfo().flags = kTransportRunning;
    Trace t = run(m, 140000, GetParam());
    EXPECT_EQ(t.changes(kPulseOut), evenEdges(4096.0, 140000));
    EXPECT_EQ(t.changes(kBarStart), (std::vector<int64_t>{0, 4096, 131072, 131072 + 4096}));
}

TEST_P(EachLayout, NoTimeRecordRunsAtOneHundredBeatsPerMinute) {
    auto m = clock(GetParam(), false);
    Trace t = run(*m, 60000, GetParam());
    EXPECT_EQ(t.changes(kPulseOut), evenEdges(3307.5, 60000));
    EXPECT_EQ(t.out[kTempoOut][59999], 10.0f);
    EXPECT_EQ(t.out[kTransportRun][59999], 0.0f);
}

TEST(BpmClock, TransportRunFollowsTheHostFlagsAtTheFirstEdgeOfACall) {
    Instance m(load("bpm_clock"), InstanceOptions{.blockSize = 1024});
    m.timeInfo().flags = kTransportRunning;
    Trace t = run(m, 3000);  // edges at 0 and 2757
    m.timeInfo().flags = 0;
    append(t, m, 3000, kLayouts[2]);  // next edge at 5513
    EXPECT_EQ(t.changes(kTransportRun), (std::vector<int64_t>{0, 5513}));
    EXPECT_EQ(m.outputStatus(kTransportRun).status, PinStatus::OneOff);
    EXPECT_EQ(m.outputStatus(kTransportRun).time, 5513);
}

TEST(BpmClock, TempoOutIsATenthOfTheTempoAndTenForZeroOrNoNumber) {
    struct TempoCase {
        double tempo;
        float tempoOut;
    } cases[] = {{120.0, 12.0f},  {60.0, 6.0f},      {0.0, 10.0f},       {-120.0, -12.0f},
                 {NAN, 10.0f},    {INFINITY, 10.0f}, {-INFINITY, 10.0f}, {1e300, 10.0f},
                 {1e-300, 10.0f}, {999.0, 99.9f}};
    for (const auto& c : cases) {
        Instance m(load("bpm_clock"), InstanceOptions{.blockSize = 64});
        m.timeInfo().tempo = c.tempo;
        Trace t = run(m, 64);
        EXPECT_EQ(t.out[kTempoOut][63], c.tempoOut) << c.tempo;
    }
}

// A tempo the clock cannot follow leaves it at the last usable one.
// The host's position, frozen or running backwards then, is not followed.
TEST(BpmClock, UnusableTempoKeepsTheLastUsableSchedule) {
    for (double bad : {0.0, -120.0, double(NAN), double(INFINITY), -double(INFINITY)}) {
        Instance m(load("bpm_clock"), InstanceOptions{.sampleRate = 32768.0f, .blockSize = 1024});
        m.timeInfo().tempo = 60.0;
        m.timeInfo().flags = kTransportRunning;
        Trace t = run(m, 30000);
        m.timeInfo().tempo = bad;
        append(t, m, 30000, kLayouts[2]);
        EXPECT_EQ(t.changes(kPulseOut), evenEdges(4096.0, 60000)) << bad;
    }
}

// The host stores a setting beyond what the whole-number member holds as its nearest
// value (NaN as 0), so the clock sees 64 for 1e12 and 1 for -1e12 or NaN.
TEST(BpmClock, PulseDivideSettingsBeyondTheMembersRangeActAsTheNearestValue) {
    auto edgesFor = [](double divide) {
        Instance m(load("bpm_clock"), InstanceOptions{.blockSize = 1024});
        m.timeInfo().tempo = 120.0;
        m.setValue(kPulseDivide, divide);
        return run(m, 20000).changes(kPulseOut);
    };
    EXPECT_EQ(edgesFor(1e12), edgesFor(64.0));
    EXPECT_EQ(edgesFor(-1e12), edgesFor(1.0));
    EXPECT_EQ(edgesFor(double(NAN)), edgesFor(1.0));
}

TEST(BpmClock, ExtremeTemposKeepAFiniteScheduleWithinItsBounds) {
    Instance fast(load("bpm_clock"), InstanceOptions{.blockSize = 64});
    fast.timeInfo().tempo = 1e300;
    Trace t = run(fast, 64);
    EXPECT_EQ(t.changes(kPulseOut), evenEdges(2.0, 64));  // two samples per half pulse

    // A half pulse of more than 2^30 samples is held at 2^30.
    Instance slow(load("bpm_clock"), InstanceOptions{.blockSize = 1024});
    slow.timeInfo().tempo = 1e-300;
    slow.open();
    for (int64_t block = 0; block <= (int64_t(1) << 30) / 1024; ++block) slow.processBlock();
    EXPECT_EQ(slow.outputStatus(kPulseOut).time, 1 << 30);
    EXPECT_EQ(slow.outputStatus(kBarStart).time, 1 << 30);
}

TEST_P(EachLayout, PhaseErrorPullsTheNextEdgeWrappedToHalfABeat) {
    struct PhaseCase {
        double startBeat;
        int64_t secondEdge;
    } cases[] = {
        {0.0, 2757},
        {0.7, 9372},  // 0.7 beats ahead wraps to 0.3 behind: 2756.25 + 0.3 * 22050
        {0.3, 2},     // 0.3 ahead would leave a negative half pulse: two samples
        {2.0, 2757},  // on a later beat, still in phase
    };
    for (const auto& c : cases) {
        auto m = clock(GetParam());
        m->timeInfo().flags = kTransportRunning;
        m->timeInfo().ppqPosition = c.startBeat;
        auto edges = run(*m, 12000, GetParam()).changes(kPulseOut);
        ASSERT_GE(edges.size(), 2u);
        EXPECT_EQ(edges[1], c.secondEdge) << c.startBeat;
    }
}

// Bars start on the host's beats 0, 4, 8 … while the transport runs.
TEST(BpmClock, RunningTransportStartsBarsOnTheHostsBeats) {
    Instance m(load("bpm_clock"), InstanceOptions{.blockSize = 1024});
    m.timeInfo().flags = kTransportRunning;
    m.timeInfo().ppqPosition = 2.0;
    Trace t = run(m, 50000);
    // The first pulse starts a bar; beat 2 is at sample 0, so beat 4 falls at 44100.
    EXPECT_EQ(t.changes(kBarStart), (std::vector<int64_t>{0, 2757, 44100, 44100 + 2757}));
}

TEST(BpmClock, OneTimeRecordPerCallHoweverManyEdges) {
    Instance m(load("bpm_clock"), InstanceOptions{.blockSize = 1024});
    m.open();
    m.setValue(kPulseDivide, 64, 0);
    m.processBlock();
    m.clearTraffic();
    m.processBlock();  // half pulses of about 172 samples: five or six edges
    EXPECT_GE(count(m, HostOp::SetPinStatus), 5);
    EXPECT_EQ(count(m, HostOp::GetTimeInfo), 1);
    auto call = std::find_if(m.traffic().begin(), m.traffic().end(), [](const auto& c) {
        return c.opcode == int32_t(HostOp::GetTimeInfo);
    });
    EXPECT_EQ(call->index, 0);
    EXPECT_EQ(call->value, 1536);
    EXPECT_EQ(call->ptr, 0);
}

TEST_P(EachLayout, PulseDivideOneGivesOnePulsePerBeatAndABarEveryFourth) {
    auto m = clock(GetParam());
    m->open();
    m->setValue(kPulseDivide, 1, 0);
    Trace t = run(*m, 100000, GetParam());
    EXPECT_EQ(t.changes(kPulseOut), evenEdges(11025.0, 100000));
    EXPECT_EQ(t.changes(kBarStart), (std::vector<int64_t>{0, 11025, 88200, 88200 + 11025}));
}

// Divides outside the item list count as the nearest end of it: 1 or 64.
TEST(BpmClock, OutOfRangePulseDivideCountsAsTheNearestItem) {
    struct DivideCase {
        int16_t divide;
        double halfPeriod;
    } cases[] = {{0, 11025.0},        {-3, 11025.0},         {-32768, 11025.0},
                 {100, 2756.25 / 16}, {32767, 2756.25 / 16}, {5, 2205.0}};
    for (const auto& c : cases) {
        Instance m(load("bpm_clock"), InstanceOptions{.blockSize = 1024});
        m.open();
        m.setValue(kPulseDivide, c.divide, 0);
        Trace t = run(m, 30000);
        auto edges = t.changes(kPulseOut);
        ASSERT_GE(edges.size(), 3u) << c.divide;
        EXPECT_NEAR(double(edges[2] - edges[1]), c.halfPeriod, 1.0) << c.divide;
    }
}

// After a change the value is written for one block, then the buffer is left alone.
TEST(BpmClock, HeldOutputWritesOneBlockAfterEachChangeAndReportsIt) {
    Instance m(load("bpm_clock"), InstanceOptions{.blockSize = 64});
    m.open();
    m.processBlock();
    EXPECT_EQ(m.outputStatus(kPulseOut).status, PinStatus::OneOff);
    EXPECT_EQ(m.outputStatus(kPulseOut).time, 0);
    for (int i = 1; i < 2757 / 64; ++i) {  // samples 64 to 2751
        m.fillBuffer(kPulseOut, -1.0f);
        m.processBlock();
        for (int s = 0; s < 64; ++s) ASSERT_EQ(m.buffer(kPulseOut)[s], -1.0f) << i;
    }
    m.fillBuffer(kPulseOut, -1.0f);
    m.processBlock();  // samples 2752-2815: the edge at 2757 is sample 5
    EXPECT_EQ(m.buffer(kPulseOut)[4], -1.0f);
    EXPECT_EQ(m.buffer(kPulseOut)[5], 0.0f);
    EXPECT_EQ(m.buffer(kPulseOut)[63], 0.0f);
    EXPECT_EQ(m.outputStatus(kPulseOut).time, 2757);
    m.processBlock();
    EXPECT_EQ(m.buffer(kPulseOut)[4], 0.0f);  // the rest of the block's worth
    m.fillBuffer(kPulseOut, -1.0f);
    m.processBlock();
    EXPECT_EQ(m.buffer(kPulseOut)[4], -1.0f);
}

TEST(BpmClock, UnusableHostPositionIsNotFollowed) {
    for (double position : {double(NAN), double(INFINITY), 1e12, -1e18, -2.5}) {
        Instance m(load("bpm_clock"), InstanceOptions{.blockSize = 1024});
        m.timeInfo().flags = kTransportRunning;
        m.timeInfo().ppqPosition = position;
        auto edges = run(m, 20000).changes(kPulseOut);
        EXPECT_FALSE(edges.empty());
        for (size_t i = 1; i < edges.size(); ++i) {
            EXPECT_GE(edges[i] - edges[i - 1], 2) << position;
        }
        if (!std::isfinite(position)) {
            EXPECT_EQ(edges, evenEdges(2756.25, 20000)) << position;
        }
    }
}

}  // namespace
}  // namespace plugin_test
