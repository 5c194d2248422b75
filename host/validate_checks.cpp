// The checks of the module contract: descriptions, records, the pin list, opcodes,
// the routine query and the object's life from make to close.
#include <climits>
#include <cstdio>
#include <cstring>

#include "host/validate.h"

namespace modhost::validate {

namespace {

constexpr int kOpenCloseCycles = 1000;
// Records the library must leave alone are filled with this byte, so any write shows.
constexpr int kSentinelByte = 0xA5;

template <class Record>
Record sentinelFilled() {
    Record record{};
    std::memset(&record, kSentinelByte, sizeof record);
    return record;
}

void checkDescription(const Subject& s) {
    auto d = sentinelFilled<ModuleDescriptor>();
    const ModuleDescriptor before = d;
    require(s.library.getModuleProperties()(0, &d) == 1, "it did not return 1");
    require(d.name != nullptr && d.name != before.name, "name not filled");
    require(d.id != nullptr && d.id != before.id, "id not filled");
    require(d.about != nullptr && d.about != before.about, "about not filled");
    require(
        d.interfaceVersion == int32_t(InterfaceRevision::Rev2120) ||
            d.interfaceVersion == int32_t(InterfaceRevision::Rev2190) ||
            d.interfaceVersion == int32_t(InterfaceRevision::Rev2230),
        "interfaceVersion " + std::to_string(d.interfaceVersion) + " is none of 2120, 2190, 2230");
}

void checkNoOtherDescriptions(const Subject& s) {
    for (int32_t index : {1, -1}) {
        auto d = sentinelFilled<ModuleDescriptor>();
        const ModuleDescriptor before = d;
        std::string call = "getModuleProperties(" + std::to_string(index) + ")";
        require(s.library.getModuleProperties()(index, &d) == 0, call + " did not return 0");
        require(d.name == before.name && d.id == before.id && d.about == before.about,
                call + " wrote name, id or about");
    }
}

void checkMakeRefusals(const Subject& s) {
    constexpr std::pair<int32_t, int32_t> kRefused[] = {
        {1, kProcessingHalf}, {-1, kProcessingHalf}, {0, 0}, {0, 3}, {0, -1}, {0, 99}};
    for (auto [index, kind] : kRefused)
        require(s.library.makeModule()(index, kind, &hostCallback, &hostPtrTag) == nullptr,
                "makeModule(" + std::to_string(index) + ", " + std::to_string(kind) +
                    ") returned a record");
}

void checkPanelHalf(const Subject& s) {
    auto* panel = static_cast<PanelRecord*>(
        s.library.makeModule()(0, kPanelHalf, &hostCallback, &hostPtrTag));
    if (panel == nullptr) return;
    char firstWord[16];
    std::snprintf(firstWord, sizeof firstWord, "0x%08x", uint32_t(panel->magic));
    require(panel->magic == kPanelRecordMagic,
            std::string("the record's first word is ") + firstWord + ", not the magic 0x5a4f4c4b");
    require(panel->dispatcher != nullptr, "the panel record has no dispatcher");
    panel->dispatcher(panel, int32_t(DispatchOp::Close), 0, 0, nullptr, 0.0f);
}

void checkRecord(const Subject& s) {
    RawModule object = makeObject(s);
    const ModuleRecord& r = *object.record();
    require(r.recordVersion == 1, "recordVersion is " + std::to_string(r.recordVersion));
    require(r.object != nullptr, "object is null");
    require(r.dispatcher != nullptr, "dispatcher is null");
    require(r.event != nullptr, "event entry is null");
    require(r.process != nullptr, "process entry is null");
    require(r.hostPtr == &hostPtrTag, "hostPtr is not the one passed to makeModule");
}

void checkPinList(const Subject& s) {
    RawModule object = makeObject(s);
    std::vector<PinInfo> pins = pinsOf(s, object);
    for (int32_t index : {int32_t(pins.size()), -1}) {
        auto p = sentinelFilled<PinProperties>();
        const PinProperties before = p;
        std::string call = "GetPinProperties(" + std::to_string(index) + ")";
        intptr_t result = object.dispatch(DispatchOp::GetPinProperties, index, 0, &p);
        require(result == 0, call + " returned " + std::to_string(result));
        require(std::memcmp(&p, &before, sizeof p) == 0, call + " wrote into the record");
    }
    for (const auto& pin : pins) {
        PinProperties p{};
        object.dispatch(DispatchOp::GetPinProperties, pin.listingIndex, 0, &p);
        require(p.name != nullptr, "pin " + std::to_string(pin.listingIndex) + " has no name");
    }
}

void checkUnknownOpcodes(const Subject& s) {
    std::vector<int32_t> opcodes{4, 5, 7, 9, 10, 11, -1, INT32_MIN};
    for (int32_t opcode = 14; opcode <= 255; ++opcode) opcodes.push_back(opcode);
    RawModule object = makeObject(s);
    host.calls.clear();
    std::vector<std::string> problems;
    for (int32_t opcode : opcodes) {
        intptr_t result = object.dispatch(opcode);
        std::string name = "opcode " + std::to_string(opcode);
        if (result != 0) problems.push_back(name + " returned " + std::to_string(result));
        if (!host.calls.empty())
            problems.push_back(name + " called the host (" + callList(host.calls) + ")");
        host.calls.clear();
    }
    require(problems.empty(), joined(problems, "; "));
}

void requireRoutineOf(const RoutineQuery& query, const ModuleRecord& asker) {
    require(query.one == 1 && query.routineSize == 16 && query.zero == 0,
            "the answer is {" + std::to_string(query.one) + ", " +
                std::to_string(query.routineSize) + ", routine, " + std::to_string(query.zero) +
                "}, not {1, 16, routine, 0}");
    require(query.routine != nullptr, "the answer holds no routine");
    require(query.routine->entry == asker.process,
            "the routine's entry is not the asking object's process entry");
}

void checkRoutineQuery(const Subject& s) {
    RawModule first = makeObject(s);
    RawModule second = makeObject(s);
    intptr_t answer = first.dispatch(DispatchOp::QueryProcessRoutine);
    if (s.interfaceVersion == int32_t(InterfaceRevision::Rev2120)) {
        require(answer == 0, "a revision 2120 module answered it");
        return;
    }
    require(answer != 0, "it returned 0");
    const auto& query = *reinterpret_cast<const RoutineQuery*>(answer);
    requireRoutineOf(query, *first.record());
    const ProcessRoutine* firstRoutine = query.routine;
    require(second.dispatch(DispatchOp::QueryProcessRoutine) == answer,
            "two objects got different answer records");
    requireRoutineOf(query, *second.record());
    require(query.routine != firstRoutine, "the second object got the first object's routine");
}

void checkProcessBeforeOpen(const Subject& s) {
    RawModule object = makeObject(s);
    host.calls.clear();
    process(object);
    require(host.calls.empty(), "it called the host (" + callList(host.calls) + ")");
}

void checkOpenCloseCycles(const Subject& s) {
    host.pinCount = countPlugs(pinsOf(s, makeObject(s)));
    for (int cycle = 0; cycle < kOpenCloseCycles; ++cycle) {
        RawModule object = makeObject(s);
        open(object);
        intptr_t result = object.close();
        require(result == 1,
                "Close returned " + std::to_string(result) + " in cycle " + std::to_string(cycle));
    }
}

void checkEventsIgnored(const Subject& s) {
    host.pinCount = countPlugs(pinsOf(s, makeObject(s)));
    RawModule object = makeObject(s);
    open(object);
    host.calls.clear();
    for (intptr_t plug : {intptr_t(-1), intptr_t(host.pinCount), intptr_t(host.pinCount) + 1000})
        deliver(object, EventType::PinStatusChange, plug);
    for (int32_t type : {1, 3, 99}) deliver(object, EventType(type), 0);
    require(host.calls.empty(), "the events made host calls (" + callList(host.calls) + ")");
    requireClosed(object);
}

void checkNullCallback(const Subject& s) {
    std::vector<std::vector<float>> buffers;
    RawModule object = makeObject(s, nullptr);
    // Audio members get their buffers from the host directly, callback or not.
    for (const auto& pin : pinsOf(s, object)) {
        if (pin.kind != PinKind::Audio || pin.variable == nullptr) continue;
        buffers.emplace_back(size_t(kBlockSize));
        *static_cast<float**>(pin.variable) = buffers.back().data();
    }
    open(object);
    PinProperties p{};
    object.dispatch(DispatchOp::GetPinProperties, 0, 0, &p);
    deliver(object, EventType::PinStatusChange, 0);
    process(object);
    requireClosed(object);
}

constexpr Check kChecks[] = {
    {"getModuleProperties(0) describes the module", Stage::Describe, &checkDescription},
    {"getModuleProperties(1) and (-1) describe nothing", Stage::Describe,
     &checkNoOtherDescriptions},
    {"makeModule refuses other indices and kinds", Stage::Create, &checkMakeRefusals},
    {"makeModule(0, 2) gives null or a panel record", Stage::Create, &checkPanelHalf},
    {"the processing record is complete", Stage::Create, &checkRecord},
    {"the pin list ends and past its end nothing is written", Stage::Create, &checkPinList},
    {"unknown dispatcher opcodes return 0 and call nothing", Stage::Create, &checkUnknownOpcodes},
    {"QueryProcessRoutine answers as the revision requires", Stage::Create, &checkRoutineQuery},
    {"process before Open does nothing", Stage::Process, &checkProcessBeforeOpen},
    {"1000 open/close cycles", Stage::Open, &checkOpenCloseCycles},
    {"events for unknown plugs and of unknown types are ignored", Stage::Process,
     &checkEventsIgnored},
    {"a null host callback is survived", Stage::Process, &checkNullCallback},
};

}  // namespace

std::span<const Check> contractChecks() {
    return kChecks;
}

}  // namespace modhost::validate
