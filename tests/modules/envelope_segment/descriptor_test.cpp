// What the library says about its module type and its pins.
#include <gtest/gtest.h>

#include <cstring>

#include "envelope_harness.h"

namespace envelope_test {
namespace {

using modhost::Instance;

TEST(Descriptor, NamesTheModuleAsRevision2230WithoutFlags) {
    ModuleDescriptor d;
    std::memset(&d, 0x5A, sizeof d);
    ASSERT_EQ(library()->getModuleProperties()(0, &d), 1);
    EXPECT_STREQ(d.name, "QV_EnvSeg");
    EXPECT_STREQ(d.id, "QV_EnvSeg 1.4+");
    const std::string about = d.about;
    EXPECT_EQ(about.substr(0, about.find('\n')), "QV_EnvSeg module V1.4.4");
    EXPECT_EQ(d.interfaceVersion, 2230);
    EXPECT_EQ(d.flags, 0x5A5A5A5A);
    EXPECT_EQ(d.flags2, 0x5A5A5A5A);

    ModuleDescriptor other;
    std::memset(&other, 0x5A, sizeof other);
    EXPECT_EQ(library()->getModuleProperties()(1, &other), 0);
    EXPECT_EQ(other.interfaceVersion, 2230);
    EXPECT_EQ(other.flags, 0x5A5A5A5A);
}

TEST(Descriptor, MakesOnlyAProcessingObjectForIndexZero) {
    auto make = library()->makeModule();
    EXPECT_EQ(make(0, 2, nullptr, nullptr), nullptr);
    EXPECT_EQ(make(1, 1, nullptr, nullptr), nullptr);
    EXPECT_EQ(make(0, 3, nullptr, nullptr), nullptr);
}

TEST(Descriptor, ListsTenPinsInOrder) {
    struct Expected {
        const char* name;
        PinDirection direction;
        PinKind kind;
        const char* defaultValue;
        int32_t flags;
    };
    constexpr auto in = PinDirection::In, out = PinDirection::Out;
    constexpr auto audio = PinKind::Audio;
    constexpr auto sampled = int32_t(PinFlag::Bit200);
    const Expected expected[] = {
        {"Gate In", in, audio, "0", 0},
        {"Start Level", in, audio, "0", sampled},
        {"End Level", in, audio, "0", sampled},
        {"Duration", in, audio, "0", sampled},
        {"Release Gate", in, audio, "1", 0},
        {"Loop", in, audio, "0", sampled},
        {"Response Curve", in, PinKind::Enum, "0", 0},
        {"Gate Out", out, audio, "0", 0},
        {"Level Out", out, audio, "0", 0},
        {"Envelope Out", out, audio, "0", 0},
    };
    Instance m(library());
    ASSERT_EQ(m.pins().size(), std::size(expected));
    EXPECT_EQ(m.plugCount(), 10);
    for (size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(expected[i].name);
        const auto& pin = m.pins()[i];
        EXPECT_EQ(pin.name, expected[i].name);
        EXPECT_EQ(pin.plugIndex, int32_t(i));
        EXPECT_EQ(pin.direction, expected[i].direction);
        EXPECT_EQ(pin.kind, expected[i].kind);
        EXPECT_EQ(pin.defaultValue, expected[i].defaultValue);
        EXPECT_EQ(pin.flags, expected[i].flags);
        EXPECT_NE(pin.variable, nullptr);
        EXPECT_EQ(pin.kindExtra.has_value(), expected[i].kind == PinKind::Enum);
    }
    EXPECT_EQ(m.pins()[Curve].kindExtra, "Linear,Exp,Log,S-curve");

    for (int32_t index : {10, -1}) {
        PinProperties p;
        std::memset(&p, 0x5A, sizeof p);
        EXPECT_EQ(m.dispatch(DispatchOp::GetPinProperties, index, 0, &p), 0);
        EXPECT_EQ(p.flags, 0x5A5A5A5A);
    }
}

TEST(Descriptor, AnswersTheRoutineQueryWithItsCurrentRoutine) {
    Instance m(library());
    m.open();
    m.processBlock();
    auto* query =
        reinterpret_cast<const RoutineQuery*>(m.dispatch(DispatchOp::QueryProcessRoutine));
    ASSERT_NE(query, nullptr);
    EXPECT_EQ(query->routineSize, 16);
    EXPECT_EQ(query->routine->entry, m.hostRoutine());
}

}  // namespace
}  // namespace envelope_test
