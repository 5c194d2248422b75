// volts_to_int loaded and driven through the host.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>

#include "plugin_fixture.h"

namespace plugin_test {
namespace {

using modhost::Instance;
using modhost::InstanceOptions;

enum : int32_t { kVolts = 0, kInt = 1, kMethod = 2, kRate = 3, kMode = 4 };
enum : int16_t { kStart = 0, kEnd = 1, kStartEnd = 2, kAll = 3 };

int32_t queuedCalls(const Instance& m) {
    int32_t n = 0;
    for (const auto& call : m.traffic()) n += call.opcode == int32_t(HostOp::QueueEvent);
    return n;
}

TEST(VoltsToInt, DescribesItselfOnlyForIndexZero) {
    auto library = load("volts_to_int");
    ModuleDescriptor d;
    std::memset(&d, 0x5A, sizeof d);
    ASSERT_EQ(library->getModuleProperties()(0, &d), 1);
    EXPECT_STREQ(d.name, "ZRM Volts2Int");
    EXPECT_STREQ(d.id, "ZRM Volts2Int");
    EXPECT_STREQ(d.about,
                 "ZRM Volts To Int - v1.0.3\nZRM Modules\n\nConverts incoming voltage to integer "
                 "values, dependant on the rounding method chosen in properties.\n\nThe rounding "
                 "is accurate to 5 decimal points.\n\nParameter changes reflect in the output "
                 "immediately.");
    EXPECT_EQ(d.flags2, 0x40);
    EXPECT_EQ(d.flags, 0x5A5A5A5A);
    EXPECT_EQ(d.interfaceVersion, 2230);

    ModuleDescriptor other, untouched;
    std::memset(&other, 0x5A, sizeof other);
    std::memset(&untouched, 0x5A, sizeof untouched);
    EXPECT_EQ(library->getModuleProperties()(1, &other), 0);
    EXPECT_EQ(std::memcmp(&other, &untouched, sizeof other), 0);
    EXPECT_EQ(library->makeModule()(0, 2, nullptr, nullptr), nullptr);
}

std::string orNone(const char* text) {
    return text ? text : "none";
}

TEST(VoltsToInt, ListsItsPinsWithTheirItems) {
    Instance m(load("volts_to_int"));
    ASSERT_EQ(m.pins().size(), 5u);
    struct Expected {
        const char* name;
        PinDirection direction;
        PinKind kind;
        const char* defaultValue;
        const char* items;
    };
    const Expected expected[] = {
        {"Volts", PinDirection::In, PinKind::Audio, nullptr, nullptr},
        {"Int", PinDirection::Out, PinKind::Int, nullptr, nullptr},
        {"Sampling Method", PinDirection::Parameter, PinKind::Enum, "1", "Start,End,Start/End,All"},
        {"Sampling Rate (Hz)", PinDirection::Parameter, PinKind::Float, "40", nullptr},
        {"Rounding Mode", PinDirection::Parameter, PinKind::Enum, "0",
         "Truncate=0,Round Off,Round Up"},
    };
    for (int32_t i = 0; i < 5; ++i) {
        const auto& pin = m.pins()[size_t(i)];
        EXPECT_EQ(pin.name, expected[i].name);
        EXPECT_EQ(pin.direction, expected[i].direction) << pin.name;
        EXPECT_EQ(pin.kind, expected[i].kind) << pin.name;
        EXPECT_EQ(pin.defaultValue.value_or("none"), orNone(expected[i].defaultValue));
        EXPECT_EQ(pin.kindExtra.value_or("none"), orNone(expected[i].items));
        EXPECT_EQ(pin.flags, int32_t(PinFlag::Bit20000)) << pin.name;
        EXPECT_EQ(pin.plugIndex, i);
    }
}

struct Converter : ::testing::Test {
    Instance m{load("volts_to_int"), InstanceOptions{.sampleRate = 6400.0f, .blockSize = 64}};
    void SetUp() override {
        m.open();
        m.processBlock();
    }
    void constant(float sample) {
        m.fillBuffer(kVolts, sample);
        m.queueStatus(kVolts, PinStatus::OneOff);
        m.processBlock();
    }
    int32_t result() const { return int32_t(m.value(kInt)); }
};

TEST_F(Converter, ConstantInputIsPublishedAtOnceAndRoundedByTheMode) {
    constant(0.25f);
    EXPECT_EQ(result(), 2);
    EXPECT_EQ(m.outputStatus(kInt).time, 64);
    const std::pair<int16_t, int32_t> modes[] = {{1, 3}, {2, 3}, {0, 2}, {7, 2}, {-1, 2}, {1, 3}};
    for (auto [mode, expected] : modes) {
        int64_t at = m.blockStart() + 17;
        m.setValue(kMode, mode, at);
        m.processBlock();
        EXPECT_EQ(result(), expected) << "mode " << mode;
        EXPECT_EQ(m.outputStatus(kInt).time, at);  // republished at the change
    }
}

TEST_F(Converter, ConstantInputSleepsAfterOneBlockOfBookkeeping) {
    for (int16_t method : {kStart, kEnd, kStartEnd, kAll}) {
        m.setValue(kMethod, method);
        constant(0.5f);
        EXPECT_EQ(result(), 5);
        m.processBlock();
        EXPECT_TRUE(m.asleep()) << "method " << method;
    }
    EXPECT_EQ(queuedCalls(m), 0);
}

TEST_F(Converter, NonNumbersAndHugeInputsGiveTheLowestInt) {
    for (float sample : {NAN, INFINITY, -INFINITY, 1e30f, -1e30f, 214748365.0f}) {
        constant(sample);
        EXPECT_EQ(result(), INT32_MIN) << sample;
    }
    constant(-21474836.0f);  // large, but within int32
    EXPECT_EQ(result(), int32_t(-21474836.0f * 10.0f));
}

TEST_F(Converter, SamplingRatesAreClampedInTheirMember) {
    const std::pair<float, float> rates[] = {{0.0f, 0.0001f},      {NAN, 0.0001f},
                                             {-INFINITY, 0.0001f}, {INFINITY, 100.0f},
                                             {1e30f, 100.0f},      {250.0f, 250.0f}};
    for (auto [rate, accepted] : rates) {
        m.setValue(kRate, rate);
        m.processBlock();
        EXPECT_EQ(float(m.value(kRate)), accepted) << rate;
    }
}

struct MethodCase {
    int16_t method;
    int32_t first;   // from samples 0.1 first, 0.5 last, 0.2 between
    int32_t second;  // from samples 0.4 first, 0.7 last, 0.2 between
};

void fillWindow(Instance& m, float first, float last) {
    m.fillBuffer(kVolts, 0.2f);
    m.buffer(kVolts)[0] = first;
    m.buffer(kVolts)[63] = last;
}

// At 6400 Hz and 100 Hz every window is one block of 64 samples.
TEST_F(Converter, EachMethodReducesTheWindowItsOwnWay) {
    const MethodCase cases[] = {
        {kStart, 1, 4}, {kEnd, 5, 7}, {kStartEnd, 3, 5}, {kAll, 2, 2}, {9, 2, 2}};
    for (const auto& c : cases) {
        Instance fresh(load("volts_to_int"),
                       InstanceOptions{.sampleRate = 6400.0f, .blockSize = 64});
        fresh.open();
        fresh.processBlock();
        fresh.setValue(kRate, 100.0);
        fresh.setValue(kMethod, c.method);
        fresh.queueStatus(kVolts, PinStatus::Streaming);
        fillWindow(fresh, 0.1f, 0.5f);
        fresh.processBlock();
        fillWindow(fresh, 0.4f, 0.7f);
        fresh.processBlock();  // the first window ends as this block begins
        EXPECT_EQ(int32_t(fresh.value(kInt)), c.first) << "method " << c.method;
        fresh.processBlock();
        EXPECT_EQ(int32_t(fresh.value(kInt)), c.second) << "method " << c.method;
    }
}

struct Publications : Converter {
    std::vector<int64_t> times;
    void SetUp() override {
        Converter::SetUp();
        m.setStatusListener([this](int32_t plug, PinStatus status, int64_t time) {
            if (plug == kInt && status == PinStatus::OneOff) times.push_back(time);
        });
    }
    void runUntil(int64_t clock) {
        while (m.blockStart() < clock) m.processBlock();
    }
};

TEST_F(Publications, WindowsFollowTheSamplingRateFromTheNextWindowEndOn) {
    m.queueStatus(kVolts, PinStatus::Streaming);  // at 64; the rate of 40 Hz gives 160 samples
    runUntil(450);
    m.setValue(kRate, 500.0);  // 12 samples, from the window end at 608 on
    runUntil(1000);
    std::vector<int64_t> expected = {64, 128, 288, 448, 608, 620, 632};
    ASSERT_GE(times.size(), expected.size());
    EXPECT_EQ(std::vector<int64_t>(times.begin(), times.begin() + 7), expected);
}

TEST_F(Publications, AConstantInputStopsTheChainAfterOneLastWindow) {
    m.queueStatus(kVolts, PinStatus::Streaming);
    runUntil(300);  // windows end at 128 and 288
    m.fillBuffer(kVolts, 0.3f);
    m.queueStatus(kVolts, PinStatus::Static);  // at 320, published at once
    runUntil(1000);
    EXPECT_EQ(times, (std::vector<int64_t>{64, 128, 288, 320, 448}));
    EXPECT_EQ(result(), 3);
    EXPECT_EQ(queuedCalls(m), 3);  // no window after the one that found sampling stopped
    EXPECT_TRUE(m.asleep());
}

TEST(VoltsToIntOpen, WindowsAreOneSecondLongUntilTheRateChanges) {
    Instance m(load("volts_to_int"), InstanceOptions{.blockSize = 64, .initialStatus = false});
    std::vector<int64_t> times;
    m.setStatusListener([&](int32_t plug, PinStatus, int64_t time) {
        if (plug == kInt) times.push_back(time);
    });
    m.open();
    m.queueStatus(kVolts, PinStatus::Streaming, 0);
    while (m.blockStart() < 44100 + 200) m.processBlock();
    EXPECT_EQ(times, (std::vector<int64_t>{0, 64, 64 + 44100}));
}

}  // namespace
}  // namespace plugin_test
