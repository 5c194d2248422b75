// The checks of how a module behaves while it runs: a stable description, no heap
// traffic in its real-time calls, ordinary outputs for ordinary inputs, and a clean
// close of both halves.
#include <cmath>
#include <memory>

#include "host/allocation_watch.h"
#include "host/instance.h"
#include "host/validate.h"
#include "host/validate_drive.h"

namespace modhost::validate {

namespace {

constexpr int kRounds = 8;

struct Description {
    std::string name, id, about;
    int32_t interfaceVersion, flags, flags2;
    bool operator==(const Description&) const = default;
};

Description describe(const Subject& s) {
    ModuleDescriptor d{};
    s.library.getModuleProperties()(0, &d);
    auto text = [](const char* t) { return std::string(t ? t : ""); };
    return {text(d.name), text(d.id), text(d.about), d.interfaceVersion, d.flags, d.flags2};
}

bool samePin(const PinInfo& a, const PinInfo& b) {
    return a.name == b.name && a.direction == b.direction && a.kind == b.kind &&
           a.defaultValue == b.defaultValue && a.kindExtra == b.kindExtra && a.flags == b.flags;
}

void requireSamePins(const std::vector<PinInfo>& expected, const std::vector<PinInfo>& actual,
                     const std::string& when, bool sameObject) {
    require(expected.size() == actual.size(), "the pin list " + when + " has " +
                                                  std::to_string(actual.size()) + " pins, not " +
                                                  std::to_string(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i)
        require(samePin(expected[i], actual[i]) &&
                    (!sameObject || expected[i].variable == actual[i].variable),
                "pin " + std::to_string(i) + " (\"" + expected[i].name + "\") differs " + when);
}

void checkStableDescription(const Subject& s) {
    const Description first = describe(s);
    for (int call = 0; call < 3; ++call)
        require(describe(s) == first, "getModuleProperties(0) describes the module differently");
    RawModule object = makeObject(s);
    const std::vector<PinInfo> listed = pinsOf(s, object);
    wirePins(listed);
    open(object);
    requireSamePins(listed, pinsOf(s, object), "once the object is open", true);
    exercise(object, listed, kRounds);
    requireSamePins(listed, pinsOf(s, object), "after processing", true);
    RawModule second = makeObject(s);
    requireSamePins(listed, pinsOf(s, second), "for a second object", false);
    require(describe(s) == first, "the description changed once an object was open");
    Instance opened(std::shared_ptr<const PluginLibrary>(std::shared_ptr<void>(), &s.library),
                    InstanceOptions{.recordTraffic = false, .recordSent = false});
    opened.open();
    require(opened.info().name == first.name && opened.info().id == first.id &&
                opened.info().interfaceVersion == first.interfaceVersion,
            "an opened instance reports another description");
    requireSamePins(listed, opened.pins(), "for an instance the host opened", false);
}

void checkRealTimeCalls(const Subject& s) {
    if (!allocation_watch::available()) throw CheckSkipped(allocation_watch::unavailableReason());
    RawModule object = makeObject(s);
    const std::vector<PinInfo> pins = pinsOf(s, object);
    wirePins(pins);
    open(object);
    Exercise plan(pins);
    allocation_watch::start();
    for (int round = 0; round < kRounds; ++round) plan.round(object, round, true);
    allocation_watch::stop();
    long count = allocation_watch::counted();
    if (count != 0)
        throw CheckFailed(std::to_string(count) + " allocations or frees, the first in " +
                          allocation_watch::firstActivity());
    requireClosed(object);
}

std::string describeSample(float sample) {
    if (std::isnan(sample)) return "NaN";
    if (std::isinf(sample)) return sample > 0 ? "+infinity" : "-infinity";
    return std::to_string(sample) + " (subnormal)";
}

void requireOrdinaryOutputs(Instance& m, double volts) {
    const std::string inputs = "with every input at " + std::to_string(volts);
    for (const auto& pin : m.pins()) {
        if (pin.plugIndex < 0 || pin.direction != PinDirection::Out) continue;
        if (pin.kind == PinKind::Float)
            require(std::isfinite(m.value(pin.plugIndex)),
                    inputs + ", output \"" + pin.name + "\" holds " +
                        std::to_string(m.value(pin.plugIndex)));
        const float* samples = pin.kind == PinKind::Audio ? m.buffer(pin.plugIndex) : nullptr;
        for (int32_t i = 0; samples && i < m.blockSize(); ++i) {
            int kind = std::fpclassify(samples[i]);
            require(kind == FP_ZERO || kind == FP_NORMAL,
                    inputs + ", sample " + std::to_string(i) + " of output \"" + pin.name +
                        "\" is " + describeSample(samples[i]));
        }
    }
}

void checkOrdinaryOutputs(const Subject& s) {
    constexpr double kVolts[] = {0.0, 1.0, -1.0, 0.5, 5.0, -5.0, 10.0, -10.0, 0.001, 100.0};
    std::shared_ptr<const PluginLibrary> library(std::shared_ptr<void>(), &s.library);
    for (double volts : kVolts) {
        Instance m(library, InstanceOptions{.sampleRate = kSampleRate,
                                            .blockSize = kBlockSize,
                                            .fileBase = "/nonexistent",
                                            .recordTraffic = false,
                                            .recordSent = false});
        m.timeInfo().flags = kTransportRunning;
        m.open();
        setEveryInput(m, volts);
        for (int block = 0; block < 2 * kRounds; ++block) {
            if (block % 4 == 1) m.queueMidi(packMidi(0x90, 60 + block, 100));
            if (block % 4 == 3) m.queueMidi(packMidi(0x80, 60 + block - 2, 0));
            m.processBlock();
            requireOrdinaryOutputs(m, volts);
        }
    }
}

// The panel half asks for pin values and texts; this host has none and says so.
intptr_t emptyPanelHost(void*, int32_t opcode, int32_t, int32_t value, void* ptr, float) {
    static const char* const kEmpty = "";
    switch (PanelHostOp(opcode)) {
        case PanelHostOp::GetPinText: return reinterpret_cast<intptr_t>(kEmpty);
        case PanelHostOp::GetPinValue:
            if (ptr) *static_cast<int32_t*>(ptr) = 0;
            return 0;
        case PanelHostOp::GetPinWideText:
            if (ptr && value > 0) *static_cast<char16_t*>(ptr) = u'\0';
            return 1;
        default: return 0;
    }
}

void checkClose(const Subject& s) {
    RawModule object = makeObject(s);
    const std::vector<PinInfo> pins = pinsOf(s, object);
    wirePins(pins);
    open(object);
    exercise(object, pins, 2);
    requireClosed(object);
    auto* panel = static_cast<PanelRecord*>(
        s.library.makeModule()(0, kPanelHalf, &emptyPanelHost, &hostPtrTag));
    if (panel == nullptr || panel->magic != kPanelRecordMagic || panel->dispatcher == nullptr)
        return;
    panel->dispatcher(panel, int32_t(PanelOp::Open), 0, 0, nullptr, 0.0f);
    for (const auto& pin : pins)
        panel->dispatcher(panel, int32_t(PanelOp::PinChanged), pin.listingIndex, 0, nullptr, 0.0f);
    intptr_t result = panel->dispatcher(panel, int32_t(PanelOp::Close), 0, 0, nullptr, 0.0f);
    require(result == 1, "the panel's Close returned " + std::to_string(result) + " instead of 1");
}

constexpr Check kChecks[] = {
    {"the description and pin list stay the same", Stage::Describe, &checkStableDescription},
    {"process, events and status changes allocate and free nothing", Stage::Process,
     &checkRealTimeCalls},
    {"ordinary inputs give finite, normal outputs", Stage::Process, &checkOrdinaryOutputs},
    {"Close returns 1 after open, events and process, for both halves", Stage::Close, &checkClose},
};

}  // namespace

std::span<const Check> safetyChecks() {
    return kChecks;
}

}  // namespace modhost::validate
