// What the panel value converters' tests share: the host calls of either half
// without their pointers, the descriptor, and the pin table as the host lists it.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "plugin_fixture.h"

namespace converter_test {

using modhost::HostCall;
using modhost::Instance;
using modhost::InstanceOptions;

// A host call without its pointer argument.
struct Call {
    int32_t opcode, index, value;
    float opt;
    bool operator==(const Call&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Call& c) {
    return out << "{op " << c.opcode << ", index " << c.index << ", value " << c.value << ", opt "
               << c.opt << "}";
}

inline Call getValue(int32_t pin) {
    return {int32_t(PanelHostOp::GetPinValue), pin, 0, 0.0f};
}
inline Call setFloat(int32_t pin, float x) {
    return {int32_t(PanelHostOp::SetPinValue), pin, 0, x};
}
inline Call setBool(int32_t pin, bool b) {
    return {int32_t(PanelHostOp::SetPinValue), pin, b ? 1 : 0, 0.0f};
}

// The calls from position `from` on, optionally only those of one opcode.
inline std::vector<Call> calls(const std::vector<HostCall>& traffic, size_t from = 0,
                               std::optional<int32_t> opcode = std::nullopt) {
    std::vector<Call> out;
    for (size_t i = from; i < traffic.size(); ++i)
        if (!opcode || traffic[i].opcode == *opcode)
            out.push_back({traffic[i].opcode, traffic[i].index, traffic[i].value, traffic[i].opt});
    return out;
}

inline std::vector<Call> panelWrites(Instance& m, size_t from = 0) {
    return calls(m.panel()->traffic(), from, int32_t(PanelHostOp::SetPinValue));
}

struct StatusReport {
    int32_t plug;
    PinStatus status;
    int32_t time;
    bool operator==(const StatusReport&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const StatusReport& r) {
    return out << "{plug " << r.plug << ", status " << int32_t(r.status) << ", time " << r.time
               << "}";
}

// Every status the processing half reported, in order, from traffic position `from` on.
inline std::vector<StatusReport> statusReports(const Instance& m, size_t from = 0) {
    std::vector<StatusReport> out;
    for (size_t i = from; i < m.traffic().size(); ++i) {
        const HostCall& c = m.traffic()[i];
        if (c.opcode == int32_t(HostOp::SetPinStatus))
            out.push_back({c.index, PinStatus(c.value), int32_t(c.ptr)});
    }
    return out;
}

inline size_t count(const std::vector<HostCall>& traffic, HostOp opcode, size_t from = 0) {
    return calls(traffic, from, int32_t(opcode)).size();
}

// getModuleProperties writes name, id, about and interface revision 2230 for
// index 0, only the revision for any other index, and never flags or flags2.
inline void expectDescriptor(const std::string& deliverable, const char* nameAndId,
                             const char* about) {
    auto library = plugin_test::load(deliverable);
    ModuleDescriptor d;
    std::memset(&d, 0xA5, sizeof d);
    const ModuleDescriptor untouched = d;
    ASSERT_EQ(library->getModuleProperties()(0, &d), 1);
    EXPECT_STREQ(d.name, nameAndId);
    EXPECT_STREQ(d.id, nameAndId);
    EXPECT_STREQ(d.about, about);
    EXPECT_EQ(d.interfaceVersion, 2230);
    EXPECT_EQ(d.flags, untouched.flags);
    EXPECT_EQ(d.flags2, untouched.flags2);

    std::memset(&d, 0xA5, sizeof d);
    EXPECT_EQ(library->getModuleProperties()(1, &d), 0);
    EXPECT_EQ(d.interfaceVersion, 2230);
    d.interfaceVersion = untouched.interfaceVersion;
    EXPECT_EQ(std::memcmp(&d, &untouched, sizeof d), 0) << "index 1 wrote more than the revision";
}

// One pin as the host lists it; plug -1 for a pin the processing half has no plug for.
struct PinRow {
    std::string name;
    PinDirection direction;
    PinKind kind;
    std::optional<std::string> defaultValue;
    std::optional<std::string> items;
    int32_t flags;
    int32_t plug;
    bool operator==(const PinRow&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const PinRow& p) {
    return out << "{\"" << p.name << "\", dir " << int32_t(p.direction) << ", kind "
               << int32_t(p.kind) << ", default " << p.defaultValue.value_or("none") << ", items "
               << p.items.value_or("none") << ", flags 0x" << std::hex << p.flags << std::dec
               << ", plug " << p.plug << "}";
}

inline std::vector<PinRow> pinTable(const Instance& m) {
    std::vector<PinRow> out;
    for (const auto& p : m.pins())
        out.push_back(
            {p.name, p.direction, p.kind, p.defaultValue, p.kindExtra, p.flags, p.plugIndex});
    return out;
}

// Every pin names a member of its own.
inline void expectOwnMembers(const Instance& m) {
    for (const auto& a : m.pins()) {
        EXPECT_NE(a.variable, nullptr) << a.name;
        for (const auto& b : m.pins())
            if (a.listingIndex < b.listingIndex) {
                EXPECT_NE(a.variable, b.variable) << b.name;
            }
    }
}

}  // namespace converter_test
