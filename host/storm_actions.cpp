#include "host/storm_actions.h"

#include <algorithm>
#include <bit>
#include <cfloat>
#include <climits>
#include <cmath>

namespace modhost {

namespace {

constexpr int32_t kLongestBuffer = 1 << 20;  // the longest buffer an Instance keeps
constexpr double kOrdinaryLimit = 1e6;
constexpr double kOrdinaryFloor = 1e-6;
constexpr const char* kFileBase = "/nonexistent-storm-folder";

bool ordinarySample(float sample) {
    int kind = std::fpclassify(sample);
    return kind == FP_ZERO || kind == FP_NORMAL;
}

}  // namespace

bool ordinaryInput(double value) {
    return std::isfinite(value) && std::fabs(value) <= kOrdinaryLimit &&
           (value == 0.0 || std::fabs(value) >= kOrdinaryFloor);
}

Storm::Storm(std::shared_ptr<const PluginLibrary> library, StormChoices& choices)
    : library_(std::move(library)), choices_(choices) {}

std::string Storm::run() {
    while (!choices_.exhausted() && !failed()) {
        if (!instance_ || instance_->record() == nullptr)
            makeInstance();
        else
            act();
        ++actions_;
        checkRecord();
    }
    instance_.reset();
    return fault_;
}

void Storm::note(const char* what, int64_t a, int64_t b) {
    last_ = Action{what, a, b};
}

void Storm::fail(const std::string& fault) {
    if (failed()) return;
    fault_ = "action " + std::to_string(actions_) + " (" + last_.what + " " +
             std::to_string(last_.a) + " " + std::to_string(last_.b) + "): " + fault;
}

void Storm::makeInstance() {
    constexpr float kRates[] = {44100.0f, 48000.0f, 96000.0f, 22050.0f, 8000.0f, 1.0f};
    constexpr int32_t kBlocks[] = {1, 2, 16, 64, 100, 256, 1024};
    InstanceOptions options;
    options.sampleRate = pick(choices_, kRates);
    options.blockSize = pick(choices_, kBlocks);
    options.autoDuplicateRepeats = int32_t(choices_.below(3));
    options.fileBase = kFileBase;
    options.recordTraffic = false;
    options.recordSent = false;
    options.initialStatus = choices_.below(4) != 0;
    options.createPanel = choices_.below(4) != 0;
    options.keepPanelValues = choices_.below(2) != 0;
    note("create", options.blockSize, int64_t(options.sampleRate));
    instance_.reset();
    try {
        instance_ = std::make_unique<Instance>(library_, options);
    } catch (const HostError& e) {
        fail(e.what());
        return;
    }
    interfaceVersion_ = instance_->info().interfaceVersion;
    dispatcher_ = instance_->record()->dispatcher;
    event_ = instance_->record()->event;
    announcedBlock_ = options.blockSize;
    tainted_ = false;
}

void Storm::act() {
    using Step = void (Storm::*)();
    // Processing comes up most often, so that every other action has its effect seen.
    static constexpr Step kSteps[] = {
        &Storm::processBlock,    &Storm::processBlock,   &Storm::processBlock,
        &Storm::processStretch,  &Storm::processStretch, &Storm::changeNumber,
        &Storm::changeNumber,    &Storm::changeAudio,    &Storm::changeText,
        &Storm::changeStatus,    &Storm::sendMidi,       &Storm::sendMidi,
        &Storm::sendRawEvent,    &Storm::writePin,       &Storm::dispatchOpcode,
        &Storm::dispatchOpcode,  &Storm::sendData,       &Storm::changeRate,
        &Storm::changeBlockSize, &Storm::changeTime,     &Storm::panelOpcode,
        &Storm::panelOpcode,     &Storm::openOrClose};
    // A closed instance does little, so the storm opens it again soon.
    if (!instance_->isOpen() && choices_.below(3) == 0)
        openOrClose();
    else
        (this->*pick(choices_, kSteps))();
}

// ---- choices

int32_t Storm::anyPlug() {
    const int32_t count = instance_->plugCount();
    const int32_t odd[] = {-1, count, count + 1, 1000, INT32_MAX, INT32_MIN};
    if (count > 0 && choices_.below(4) != 0) return int32_t(choices_.below(uint32_t(count)));
    return pick(choices_, odd);
}

const PinInfo* Storm::somePin(bool (*fits)(const PinInfo&)) {
    std::vector<const PinInfo*> fitting;
    for (const auto& pin : instance_->pins())
        if (fits(pin)) fitting.push_back(&pin);
    if (fitting.empty()) return nullptr;
    return fitting[choices_.below(uint32_t(fitting.size()))];
}

// Odd values come up one time in eight: often enough to find what they break, rarely
// enough that most stretches of a storm run on ordinary inputs whose outputs are checked.
bool Storm::odd() {
    return choices_.below(8) == 0;
}

double Storm::number() {
    static constexpr double kNumbers[] = {0.0,   1.0,   -1.0, 0.5,    -0.25,   2.0,  3.0,
                                          5.0,   9.99,  10.0, -10.0,  12.5,    60.0, 100.0,
                                          127.0, 128.0, 1e-3, 1000.0, 44100.0, 1e6,  -1e6};
    static constexpr double kOdd[] = {1e30,   -1e30, FLT_MAX,  -FLT_MAX, 1e-40,
                                      -1e-42, NAN,   INFINITY, -HUGE_VAL};
    if (odd()) {
        if (choices_.below(2) == 0) return double(std::bit_cast<float>(choices_.word()));
        return pick(choices_, kOdd);
    }
    if (choices_.below(4) == 0) return double(int32_t(choices_.below(64)) - 16);
    return pick(choices_, kNumbers);
}

int32_t Storm::wholeNumber(const PinInfo& pin) {
    if (pin.kind == PinKind::Enum) {
        std::vector<EnumItem> items = parseEnumItems(pin.kindExtra.value_or(""));
        if (!items.empty() && !odd()) return items[choices_.below(uint32_t(items.size()))].value;
        const int32_t outside[] = {-1, 32767, -32768, int32_t(items.size()), 1000};
        return pick(choices_, outside);
    }
    static constexpr int32_t kWhole[] = {0, 1, -1, 2, 7, 15, 16, 127, 128, 1000, -5, 300, 64};
    static constexpr int32_t kOdd[] = {INT32_MAX, INT32_MIN, 1 << 24, 65535, -100000};
    if (odd()) return choices_.below(2) == 0 ? int32_t(choices_.word()) : pick(choices_, kOdd);
    return pick(choices_, kWhole);
}

float Storm::sample() {
    static constexpr float kSamples[] = {0.0f,  0.1f,   -0.1f, 0.5f,  1.0f,  -1.0f,
                                         0.05f, 0.999f, 2.0f,  -3.5f, 1e-3f, 100.0f};
    static constexpr float kOdd[] = {1e5f, FLT_MAX, 1e-40f, NAN, INFINITY, -INFINITY};
    if (odd()) return pick(choices_, kOdd);
    if (choices_.below(3) == 0) return float(int32_t(choices_.word())) / float(INT32_MAX);
    return pick(choices_, kSamples);
}

std::string Storm::text() {
    static const char* const kTexts[] = {"",
                                         "a",
                                         "0",
                                         "1.5",
                                         "-3",
                                         "nan",
                                         "inf",
                                         "1e40",
                                         "1,NoteOn,*,*,0,127,N,*,Ctrl,5,5,0,127",
                                         "*,*,*,*,*,*,*,*,*,*,*,*,*",
                                         "16,PitchB,*,*,65,127,N,*,Ctrl,5,5,0,127",
                                         "1,Ctrl,99,*,*,*,*,*,NRPN,*,*,*,*",
                                         ",,,,,,,,,,,,",
                                         "/",
                                         "/nonexistent/rules.txt",
                                         "/dev/null",
                                         "rules.txt",
                                         "\xc3\xa9\xe2\x82\xac\xf0\x9f\x8e\xb9",
                                         "\xff\xfe\x80"};
    switch (choices_.below(6)) {
        case 0:
            return std::string(size_t(1) + choices_.below(5000), char('!' + choices_.below(94)));
        case 1: {
            std::string random(choices_.below(80), ' ');
            for (char& c : random) c = char(1 + choices_.below(255));
            return random;
        }
        default: return pick(choices_, kTexts);
    }
}

int64_t Storm::when() {
    int64_t start = instance_->blockStart();
    switch (choices_.below(4)) {
        case 0: return -1;  // the next sample
        case 1: return std::max<int64_t>(0, start - int64_t(choices_.below(100)));
        default: return start + choices_.below(uint32_t(std::max(1, 2 * bufferLength())));
    }
}

int32_t Storm::bufferLength() const {
    return std::clamp(instance_->blockSize(), 1, kLongestBuffer);
}

// ---- checks

void Storm::taintUnless(bool isOrdinary) {
    if (!isOrdinary) tainted_ = true;
}

void Storm::checkOutputs(int32_t offset, int32_t count) {
    if (tainted_ || failed()) return;
    for (const auto& pin : instance_->pins()) {
        if (pin.plugIndex < 0 || pin.direction != PinDirection::Out) continue;
        if (pin.kind == PinKind::Float && !std::isfinite(instance_->value(pin.plugIndex))) {
            fail("output \"" + pin.name + "\" holds " +
                 std::to_string(instance_->value(pin.plugIndex)) +
                 " while every input was an ordinary value");
            return;
        }
        if (pin.kind != PinKind::Audio) continue;
        const float* samples = instance_->buffer(pin.plugIndex);
        if (samples == nullptr) continue;
        for (int32_t i = offset; i < offset + count; ++i) {
            if (ordinarySample(samples[i])) continue;
            fail("sample " + std::to_string(i) + " of output \"" + pin.name + "\" is " +
                 std::to_string(samples[i]) + (std::isfinite(samples[i]) ? " (subnormal)" : "") +
                 " while every input was an ordinary value");
            return;
        }
    }
}

void Storm::checkRecord() {
    if (failed() || !instance_) return;
    const ModuleRecord* record = instance_->record();
    if (record == nullptr) return;
    if (record->dispatcher != dispatcher_ || record->event != event_)
        fail("the record's dispatcher or event entry changed");
    else if (instance_->isOpen() && record->process != instance_->hostRoutine())
        fail("the process entry changed without ProcessRoutineChanged");
}

void Storm::checkResult(const char* opcode, intptr_t result, intptr_t expected) {
    if (result != expected)
        fail(std::string(opcode) + " returned " + std::to_string(result) + " instead of " +
             std::to_string(expected));
}

}  // namespace modhost
