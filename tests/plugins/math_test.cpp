// The sine, square and cube plug-ins, loaded and driven through the host.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

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
