// A plug-in library that breaks some rules on purpose, for modhost validate to catch.
// Its pins give modhost info an Enum item list, a file-name pin and a pin without a plug.
// Built a second time with CRASH_ON_UNKNOWN_OPCODE, it also crashes on opcode 200.
#include "modframe/host_interface.h"

namespace {

int16_t mode = 0;
const char* sampleFile = nullptr;
// One static record for every object, so objects cost nothing and cannot leak.
ModuleRecord record{};

intptr_t dispatch(void*, int32_t opcode, int32_t index, int32_t, void* ptr, float) {
    switch (opcode) {
        case int32_t(DispatchOp::Close): return 1;
        case int32_t(DispatchOp::GetPinProperties):
            if (ptr == nullptr || index < 0 || index > 1) return 0;
            *static_cast<PinProperties*>(ptr) =
                index == 0 ? PinProperties{&mode,
                                           PinDirection::In,
                                           PinKind::Enum,
                                           "Mode ",
                                           "1",
                                           "Linear,Exp=5,Cubic",
                                           0,
                                           0}
                           : PinProperties{&sampleFile,
                                           PinDirection::Parameter,
                                           PinKind::Text,
                                           "Sample",
                                           nullptr,
                                           "wav",
                                           PinFlag::FileName | PinFlag::PanelSide,
                                           0};
            return 1;
        case 4: return 7;  // broken: an unknown opcode gets an answer
#ifdef CRASH_ON_UNKNOWN_OPCODE
        case 200: __builtin_trap();
#endif
        default: return 0;  // broken for this revision: QueryProcessRoutine is not answered
    }
}

void process(void*, int32_t, int32_t) {}
void event(void*, ModuleEvent*) {}

}  // namespace

// Broken: describes the module for every index.
extern "C" int32_t getModuleProperties(int32_t, ModuleDescriptor* descriptor) noexcept {
    descriptor->name = "Sloppy";
    descriptor->id = "Sloppy id";
    descriptor->about = "Breaks rules\nfor the tests";
    descriptor->flags = 0x100;
    descriptor->interfaceVersion = int32_t(InterfaceRevision::Rev2190);
    return 1;
}

// Broken: makes an object for any index and kind, the panel half included.
extern "C" void* makeModule(int32_t, int32_t, HostCallback, void* hostPtr) noexcept {
    record = ModuleRecord{0, 1, hostPtr, &record, 0, &dispatch, &process, &event, {}};
    return &record;
}
