#include "volts_to_int_module.h"

namespace volts_to_int {

namespace {

// Every pin has a plug, so plug and listing indices agree.
enum Pin : int32_t {
    kVolts = 0,
    kInt = 1,
    kSamplingMethod = 2,
    kSamplingRate = 3,
    kRoundingMode = 4,
    kPinCount = 5,
};

constexpr sampling::ConverterPlugs kPlugs{.volts = kVolts,
                                          .method = kSamplingMethod,
                                          .rate = kSamplingRate,
                                          .announced = kInt,
                                          .needed = kPinCount};

PinProperties pin(void* variable, PinDirection direction, PinKind kind, const char* name,
                  const char* defaultValue = nullptr, const char* items = nullptr) {
    PinProperties p{};
    p.variable = variable;
    p.direction = direction;
    p.kind = kind;
    p.name = name;
    p.defaultValue = defaultValue;
    p.kindExtra = items;
    p.flags = int32_t(PinFlag::Bit20000);
    return p;
}

}  // namespace

VoltsToInt::VoltsToInt(HostCallback callback, void* hostPtr)
    : SamplingConverter(callback, hostPtr, kPlugs) {}

bool VoltsToInt::getPinProperties(int32_t index, PinProperties* out) {
    switch (index) {
        case kVolts: *out = pin(&volts, PinDirection::In, PinKind::Audio, "Volts"); return true;
        case kInt: *out = pin(&intOut, PinDirection::Out, PinKind::Int, "Int"); return true;
        case kSamplingMethod:
            *out = pin(&samplingMethod, PinDirection::Parameter, PinKind::Enum, "Sampling Method",
                       "1", "Start,End,Start/End,All");
            return true;
        case kSamplingRate:
            *out = pin(&samplingRate, PinDirection::Parameter, PinKind::Float, "Sampling Rate (Hz)",
                       "40");
            return true;
        case kRoundingMode:
            *out = pin(&roundingMode, PinDirection::Parameter, PinKind::Enum, "Rounding Mode", "0",
                       "Truncate=0,Round Off,Round Up");
            return true;
        default: return false;
    }
}

// A new rounding mode republishes the current value at once.
void VoltsToInt::onPlugStateChange(modframe::Plug& plug) {
    if (plug.index() != kRoundingMode) {
        SamplingConverter::onPlugStateChange(plug);
        return;
    }
    if (!hasPlugs()) return;
    roundingOffset = sampling::roundingOffset(roundingMode);
    publish();
}

// Rounding starts out truncating, whatever "Rounding Mode" holds.
void VoltsToInt::clearOutput() {
    roundingOffset = sampling::kTruncateOffset;
    intOut = 0;
}

void VoltsToInt::publish() {
    intOut = sampling::roundedResult(scaled, roundingOffset);
    plug(kInt).transmitStatus(sampleClock(), PinStatus::OneOff);
}

}  // namespace volts_to_int
