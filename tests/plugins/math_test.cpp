// The sine, square and cube plug-ins, loaded and driven through the host.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <vector>

#include "plugin_fixture.h"

namespace plugin_test {
namespace {

using modhost::Instance;
using modhost::InstanceOptions;

struct MathCase {
    const char* deliverable;
    const char* name;
    const char* id;
    const char* aboutFirstLine;
    double (*reference)(double);
};

double sine(double x) {
    return std::sin(x);
}
double square(double x) {
    return (x * x) * 10.0;
}
double cube(double x) {
    return ((x * x) * 10.0) * (x * 10.0);
}

const MathCase kMath[] = {
    {"math_sin", "OXB Sin(x)", "OXB Sin(x)", "OXB Math Module (Sin)", sine},
    {"math_pow2", "OXB Pow2(X)", "OXB Pow2(x)", "OXB Math Module (Pow2)", square},
    {"math_pow3", "OXB Pow3(X)", "OXB Pow3(x)", "OXB Math Module (Pow3)", cube},
};

void PrintTo(const MathCase& c, std::ostream* os) {
    *os << c.deliverable;
}

class EachMath : public ::testing::TestWithParam<MathCase> {};
INSTANTIATE_TEST_SUITE_P(Math, EachMath, ::testing::ValuesIn(kMath),
                         [](const auto& info) { return std::string(info.param.deliverable); });

TEST_P(EachMath, DescribesItselfAsRevision2120WithoutFlags) {
    auto library = load(GetParam().deliverable);
    ModuleDescriptor d;
    std::memset(&d, 0x5A, sizeof d);
    ASSERT_EQ(library->getModuleProperties()(0, &d), 1);
    EXPECT_STREQ(d.name, GetParam().name);
    EXPECT_STREQ(d.id, GetParam().id);
    std::string about = d.about;
    EXPECT_EQ(about.substr(0, about.find('\n')), GetParam().aboutFirstLine);
    EXPECT_EQ(std::count(about.begin(), about.end(), '\n'), 3);
    EXPECT_EQ(d.interfaceVersion, 2120);
    EXPECT_EQ(d.flags, 0x5A5A5A5A);
    EXPECT_EQ(d.flags2, 0x5A5A5A5A);

    ModuleDescriptor other;
    std::memset(&other, 0x5A, sizeof other);
    EXPECT_EQ(library->getModuleProperties()(1, &other), 0);
    EXPECT_EQ(other.interfaceVersion, 2120);
    EXPECT_EQ(other.flags, 0x5A5A5A5A);
    intptr_t sentinel;
    std::memset(&sentinel, 0x5A, sizeof sentinel);
    EXPECT_EQ(reinterpret_cast<intptr_t>(other.name), sentinel);
}

TEST_P(EachMath, MakesOnlyAProcessingObjectForIndexZero) {
    auto make = load(GetParam().deliverable)->makeModule();
    EXPECT_EQ(make(0, 2, nullptr, nullptr), nullptr);
    EXPECT_EQ(make(1, 1, nullptr, nullptr), nullptr);
    EXPECT_EQ(make(0, 0, nullptr, nullptr), nullptr);
}

TEST_P(EachMath, ListsOneAudioInputAndOneAudioOutput) {
    Instance m(load(GetParam().deliverable));
    ASSERT_EQ(m.pins().size(), 2u);
    const auto& in = m.pins()[0];
    const auto& out = m.pins()[1];
    EXPECT_EQ(in.name, "Input");
    EXPECT_EQ(in.direction, PinDirection::In);
    EXPECT_EQ(in.kind, PinKind::Audio);
    EXPECT_EQ(in.defaultValue, "0");
    EXPECT_FALSE(in.kindExtra);
    EXPECT_EQ(in.flags, 0);
    EXPECT_EQ(out.name, "Output");
    EXPECT_EQ(out.direction, PinDirection::Out);
    EXPECT_EQ(out.kind, PinKind::Audio);
    EXPECT_FALSE(out.defaultValue);
    EXPECT_EQ(m.plugCount(), 2);
    EXPECT_EQ(m.dispatch(DispatchOp::QueryProcessRoutine), 0);
}

TEST_P(EachMath, StreamingInputIsComputedInDoublePrecisionSampleBySample) {
    Instance m(load(GetParam().deliverable), InstanceOptions{.blockSize = 64});
    m.open();
    const float inputs[] = {0.5f, -0.3f, 0.0f, 1.0f, -1.0f, 3.25f, 1e-3f, -0.77f};
    float* in = m.buffer(0);
    for (int i = 0; i < 64; ++i) in[i] = inputs[i % 8] * float(1 + i / 8);
    m.queueStatus(0, PinStatus::Streaming, 0);
    m.processBlock();
    for (int i = 0; i < 64; ++i)
        EXPECT_EQ(m.buffer(1)[i], float(GetParam().reference(in[i]))) << "sample " << i;
}

// The products run in whichever instruction set the processor offers widest;
// every build must give exactly the bits of the scalar formula. Checked over
// every float of magnitude 2^-20 to 2^20 of both signs, in blocks of 2^20,
// and over special values at an odd offset and length.
class EachProduct : public ::testing::TestWithParam<MathCase> {
protected:
    static constexpr int32_t kChunk = 1 << 20;

    void SetUp() override {
        m = std::make_unique<Instance>(
            load(GetParam().deliverable),
            InstanceOptions{.blockSize = kChunk, .recordTraffic = false, .initialStatus = false});
        m->open();
        m->queueStatus(0, PinStatus::Streaming, 0);
        m->processBlock(1);
    }

    // Puts `count` inputs at `offset` through the process entry; true when
    // every output has the reference's bits.
    ::testing::AssertionResult computesExactly(int32_t offset, int32_t count) {
        const float* in = m->buffer(0) + offset;
        const float* out = m->buffer(1) + offset;
        m->callProcess(offset, count);
        expected.resize(size_t(count));
        if (GetParam().reference == square)
            for (int32_t i = 0; i < count; ++i) expected[size_t(i)] = float(square(in[i]));
        else
            for (int32_t i = 0; i < count; ++i) expected[size_t(i)] = float(cube(in[i]));
        if (std::memcmp(out, expected.data(), size_t(count) * sizeof(float)) == 0)
            return ::testing::AssertionSuccess();
        int32_t i = 0;
        while (std::bit_cast<uint32_t>(out[i]) == std::bit_cast<uint32_t>(expected[size_t(i)])) ++i;
        return ::testing::AssertionFailure()
               << "input bits 0x" << std::hex << std::bit_cast<uint32_t>(in[i]) << ": 0x"
               << std::bit_cast<uint32_t>(out[i]) << " instead of 0x"
               << std::bit_cast<uint32_t>(expected[size_t(i)]);
    }

    std::vector<float> expected;
    std::unique_ptr<Instance> m;
};
INSTANTIATE_TEST_SUITE_P(Products, EachProduct, ::testing::Values(kMath[1], kMath[2]),
                         [](const auto& info) { return std::string(info.param.deliverable); });

TEST_P(EachProduct, EveryFloatOfAWideRangeGivesTheScalarFormulasBits) {
    constexpr uint32_t kFirst = uint32_t(127 - 20) << 23;  // 2^-20
    constexpr uint32_t kLast = uint32_t(127 + 20) << 23;   // 2^20
    for (uint32_t sign : {0u, 0x80000000u}) {
        for (uint32_t start = kFirst; start <= kLast; start += kChunk) {
            auto count = int32_t(std::min<uint32_t>(kChunk, kLast - start + 1));
            float* in = m->buffer(0);
            for (int32_t i = 0; i < count; ++i)
                in[i] = std::bit_cast<float>(sign | (start + uint32_t(i)));
            ASSERT_TRUE(computesExactly(0, count));
        }
    }
}

TEST_P(EachProduct, SpecialValuesGiveTheScalarFormulasBits) {
    const uint32_t specials[] = {0x00000000, 0x80000000, 0x00000001, 0x807FFFFF, 0x00800000,
                                 0x7F7FFFFF, 0xFF7FFFFF, 0x7F800000, 0xFF800000, 0x7FC00000,
                                 0xFFC12345, 0x7FA00001, 0x2F7FFFFF, 0x4F800001, 0xC9800000};
    constexpr int32_t kOffset = 3;
    float* in = m->buffer(0) + kOffset;
    for (size_t i = 0; i < std::size(specials); ++i) in[i] = std::bit_cast<float>(specials[i]);
    EXPECT_TRUE(computesExactly(kOffset, int32_t(std::size(specials))));
}

TEST(Math, KnownValues) {
    struct Known {
        const char* deliverable;
        float input;
        float expected;
    } cases[] = {{"math_pow3", 0.5f, 12.5f},      {"math_pow2", 0.5f, 2.5f},
                 {"math_pow2", -0.3f, 0.9f},      {"math_sin", 0.5f, 0.4794255f},
                 {"math_pow3", -0.5f, -12.5f},    {"math_pow2", -0.5f, 2.5f},
                 {"math_sin", -0.5f, -0.4794255f}};
    for (const auto& c : cases) {
        Instance m(load(c.deliverable), InstanceOptions{.blockSize = 16});
        m.open();
        m.fillBuffer(0, c.input);
        m.queueStatus(0, PinStatus::Streaming, 0);
        m.processBlock();
        EXPECT_NEAR(m.buffer(1)[15], c.expected, 1e-6f) << c.deliverable << " " << c.input;
    }
}

TEST(Math, NonFiniteInputsPassThroughTheArithmetic) {
    Instance m(load("math_sin"), InstanceOptions{.blockSize = 4});
    m.open();
    float* in = m.buffer(0);
    in[0] = INFINITY, in[1] = NAN, in[2] = -INFINITY, in[3] = 0.0f;
    m.queueStatus(0, PinStatus::Streaming, 0);
    m.processBlock();
    EXPECT_TRUE(std::isnan(m.buffer(1)[0]));
    EXPECT_TRUE(std::isnan(m.buffer(1)[1]));
    EXPECT_TRUE(std::isnan(m.buffer(1)[2]));
    EXPECT_EQ(m.buffer(1)[3], 0.0f);
}

TEST(Math, OutputCarriesTheInputStatusAtTheSampleOfTheChange) {
    struct StatusCase {
        PinStatus arriving;
        float sample;
        PinStatus reported;
    } cases[] = {{PinStatus::Static, 0.0f, PinStatus::OneOff},
                 {PinStatus::Static, 0.25f, PinStatus::Static},
                 {PinStatus::OneOff, 0.25f, PinStatus::OneOff},
                 {PinStatus::Streaming, 0.0f, PinStatus::Streaming},
                 {PinStatus::Streaming, 0.25f, PinStatus::Streaming}};
    for (const auto& c : cases) {
        Instance m(load("math_pow2"), InstanceOptions{.blockSize = 64, .initialStatus = false});
        m.open();
        m.processBlock();  // the change arrives in the second block, at sample 10
        m.fillBuffer(0, c.sample == 0.0f ? 0.25f : 0.0f);
        m.buffer(0)[10] = c.sample;
        m.queueStatus(0, c.arriving, 64 + 10);
        m.processBlock();
        const auto& report = m.outputStatus(1);
        ASSERT_TRUE(report.reported);
        EXPECT_EQ(report.status, c.reported) << int(c.arriving) << " " << c.sample;
        EXPECT_EQ(report.time, 74);
    }
}

int sleepRequests(const Instance& m) {
    return int(std::count_if(m.traffic().begin(), m.traffic().end(), [](const auto& call) {
        return call.opcode == int32_t(HostOp::RequestSleep);
    }));
}

TEST(Math, OpenSelectsComputeAndFillsTheScratchBuffer) {
    Instance m(load("math_pow3"), InstanceOptions{.initialStatus = false});
    ProcessEntry initial = m.hostRoutine();
    m.open();
    EXPECT_NE(m.hostRoutine(), initial);
    std::vector<int32_t> opcodes;
    for (const auto& call : m.traffic()) opcodes.push_back(call.opcode);
    EXPECT_EQ(opcodes, (std::vector<int32_t>{int32_t(HostOp::GetPinCount),
                                             int32_t(HostOp::ProcessRoutineChanged),
                                             int32_t(HostOp::FillScratchBuffer)}));
    EXPECT_NE(m.traffic().back().ptr, 0);
    m.fillBuffer(0, 0.5f);
    m.processBlock(100);  // computes every sample until a status change arrives
    EXPECT_EQ(m.buffer(1)[99], 12.5f);
    EXPECT_EQ(sleepRequests(m), 0);
}

TEST(Math, ConstantInputIsComputedForOneBlockThenTheModuleSleeps) {
    Instance m(load("math_pow2"), InstanceOptions{.blockSize = 64, .initialStatus = false});
    m.open();
    m.fillBuffer(0, 0.5f);
    m.queueStatus(0, PinStatus::Static, 0);
    m.processBlock(40);
    EXPECT_EQ(sleepRequests(m), 0);
    EXPECT_EQ(m.buffer(1)[39], 2.5f);
    m.fillBuffer(0, -0.5f);
    m.processBlock(30);
    EXPECT_EQ(sleepRequests(m), 1);
    EXPECT_EQ(m.buffer(1)[29], 2.5f);
    EXPECT_TRUE(m.asleep());

    int64_t calls = m.processCalls();
    m.fillBuffer(1, 0.0f);
    m.processBlock();  // asleep: not called, the output keeps its contents
    EXPECT_EQ(m.processCalls(), calls);
    EXPECT_EQ(m.buffer(1)[0], 0.0f);

    m.callProcess(0, 10);  // a host that calls anyway gets samples and another request
    EXPECT_EQ(m.buffer(1)[9], 2.5f);
    EXPECT_EQ(sleepRequests(m), 2);
    m.callProcess(0, 0);
    EXPECT_EQ(sleepRequests(m), 3);

    m.queueStatus(0, PinStatus::Streaming);  // a status change gives it work again
    m.processBlock();
    EXPECT_FALSE(m.asleep());
    EXPECT_EQ(m.processCalls(), calls + 3);
    m.callProcess(0, 0);
    EXPECT_EQ(sleepRequests(m), 3);
}

TEST(Math, TheCountNeverWrapsForAnyAnnouncedBlockSize) {
    for (int32_t size : {INT32_MIN, -1, 0}) {
        Instance m(load("math_sin"), InstanceOptions{.blockSize = 64, .initialStatus = false});
        m.open();
        m.dispatch(DispatchOp::SetBlockSize, 0, size);
        m.queueStatus(0, PinStatus::Static, 0);
        m.processBlock(1);
        for (int i = 0; i < 3; ++i) m.callProcess(0, 64);
        EXPECT_EQ(sleepRequests(m), 4) << size;
    }
}

TEST(Math, RepeatedStatusChangesReloadTheCountWithoutNewRoutineReports) {
    Instance m(load("math_pow3"), InstanceOptions{.blockSize = 64, .initialStatus = false});
    m.open();
    m.queueStatus(0, PinStatus::Static, 0);
    m.processBlock(60);
    m.clearTraffic();
    m.queueStatus(0, PinStatus::Static);
    m.processBlock(60);
    EXPECT_EQ(sleepRequests(m), 0);  // reloaded: 60 of 64 samples done
    for (const auto& call : m.traffic())
        EXPECT_NE(call.opcode, int32_t(HostOp::ProcessRoutineChanged));
    m.processBlock(4);
    EXPECT_EQ(sleepRequests(m), 1);
}

}  // namespace
}  // namespace plugin_test
