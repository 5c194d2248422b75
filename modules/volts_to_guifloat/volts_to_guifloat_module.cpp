#include "volts_to_guifloat_module.h"

#include <initializer_list>

namespace volts_to_guifloat {

namespace {

enum Pin : int32_t {
    kDspToGuiOut = 0,
    kDspToGuiIn = 1,
    kVolts = 2,
    kFloat = 3,
    kSamplingMethod = 4,
    kSamplingRate = 5,
};

// "DSP 2 GUI - In" is the panel's alone; every other pin has a plug.
enum PlugIndex : int32_t {
    kDspToGuiOutPlug = 0,
    kVoltsPlug = 1,
    kFloatPlug = 2,
    kSamplingMethodPlug = 3,
    kSamplingRatePlug = 4,
    kPlugCount = 5,
};

constexpr sampling::ConverterPlugs kPlugs{.volts = kVoltsPlug,
                                          .method = kSamplingMethodPlug,
                                          .rate = kSamplingRatePlug,
                                          .announced = kFloatPlug,
                                          .needed = kPlugCount};

constexpr int32_t flags(std::initializer_list<PinFlag> bits) {
    int32_t all = 0;
    for (PinFlag bit : bits) all |= int32_t(bit);
    return all;
}

// The two ends of the route to the panel half, and the settings both halves share.
constexpr int32_t kLink = flags({PinFlag::Bit20000, PinFlag::Bit10000, PinFlag::Bit100});
constexpr int32_t kPanelLink = kLink | int32_t(PinFlag::PanelSide);
constexpr int32_t kShared =
    flags({PinFlag::Bit20000, PinFlag::VisibleToProcessing, PinFlag::PanelSide, PinFlag::Bit02});

PinProperties pin(void* variable, PinDirection direction, PinKind kind, const char* name,
                  int32_t flags, const char* defaultValue = nullptr, const char* items = nullptr) {
    PinProperties p{};
    p.variable = variable;
    p.direction = direction;
    p.kind = kind;
    p.name = name;
    p.defaultValue = defaultValue;
    p.kindExtra = items;
    p.flags = flags;
    return p;
}

}  // namespace

VoltsToGuiFloat::VoltsToGuiFloat(HostCallback callback, void* hostPtr)
    : SamplingConverter(callback, hostPtr, kPlugs) {}

bool VoltsToGuiFloat::getPinProperties(int32_t index, PinProperties* out) {
    switch (index) {
        case kDspToGuiOut:
            *out = pin(&dspToGuiOut, PinDirection::Out, PinKind::Float, "DSP 2 GUI - Out", kLink);
            return true;
        case kDspToGuiIn:
            *out = pin(&dspToGuiIn, PinDirection::In, PinKind::Float, "DSP 2 GUI - In", kPanelLink);
            return true;
        case kVolts:
            *out =
                pin(&volts, PinDirection::In, PinKind::Audio, "Volts", int32_t(PinFlag::Bit20000));
            return true;
        case kFloat:
            *out = pin(&floatOut, PinDirection::Out, PinKind::Float, "Float", kShared);
            return true;
        case kSamplingMethod:
            *out = pin(&samplingMethod, PinDirection::Parameter, PinKind::Enum, "Sampling Method",
                       kShared, "1", "Start,End,Start/End,All");
            return true;
        case kSamplingRate:
            *out = pin(&samplingRate, PinDirection::Parameter, PinKind::Float, "Sampling Rate (Hz)",
                       kShared, "40");
            return true;
        default: return false;
    }
}

void VoltsToGuiFloat::clearOutput() {
    dspToGuiOut = 0.0f;
    floatOut = 0.0f;
}

void VoltsToGuiFloat::publish() {
    dspToGuiOut = scaled;
    plug(kDspToGuiOutPlug).transmitStatus(sampleClock(), PinStatus::OneOff);
}

}  // namespace volts_to_guifloat
