// MIDI through midi_bender allocates nothing, whatever the rules make of it.
// malloc is replaced for the whole process, so allocations inside the
// plug-in (whose C++ runtime is linked in) count too.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "host/commands.h"
#include "plugin_fixture.h"

extern "C" void* __libc_malloc(size_t);
extern "C" void* __libc_calloc(size_t, size_t);
extern "C" void* __libc_realloc(void*, size_t);
extern "C" void* __libc_memalign(size_t, size_t);

namespace {
bool counting = false;
long allocations = 0;
void count() {
    if (counting) ++allocations;
}
}  // namespace

extern "C" void* malloc(size_t size) {
    count();
    return __libc_malloc(size);
}
extern "C" void* calloc(size_t n, size_t size) {
    count();
    return __libc_calloc(n, size);
}
extern "C" void* realloc(void* p, size_t size) {
    count();
    return __libc_realloc(p, size);
}
extern "C" void* aligned_alloc(size_t alignment, size_t size) {
    count();
    return __libc_memalign(alignment, size);
}

namespace plugin_test {
namespace {

const char* const kRules[] = {
    "*,Ctrl,*,*,*,*,Y,*,RPN,*,*,*,*", "*,RPN,*,*,*,*,Y,*,NRPN,*,*,*,*,<,>",
    "*,NRPN,*,*,*,*,Y,*,Ctrl,*,*,0,127", "*,NoteOn,*,*,*,*,Y,*,PitchB,0,127,127,0"};

long sent = 0;

// Answers what the module asks and keeps nothing, so only the module can allocate.
intptr_t quietHost(void*, int32_t opcode, int32_t, int32_t, void*, float) {
    switch (HostOp(opcode)) {
        case HostOp::GetPinCount: return 14;
        case HostOp::SendMidi: ++sent; return 0;
        case HostOp::GetSampleClock: return 1000;
        default: return 0;
    }
}

TEST(MidiBenderAllocations, NoneForMidiOnceTheRulesAreBuilt) {
    auto library = load("midi_bender");
    modhost::RawModule object(*library, &quietHost, nullptr);
    object.dispatch(DispatchOp::Open);
    ModuleRecord* record = object.record();
    for (int32_t i = 0; i < 4; ++i) {
        PinProperties pin{};
        object.dispatch(DispatchOp::GetPinProperties, 4 + i, 0, &pin);
        *static_cast<const char**>(pin.variable) = kRules[i];
    }
    ModuleEvent source{0, EventType::PinStatusChange, 1, 0, 2, nullptr};
    counting = true;
    record->event(record->object, &source);
    counting = false;
    EXPECT_GT(allocations, 0) << "building the rule table allocates, so counting must see it";

    std::mt19937 random(11);
    const int kControllers[] = {6, 38, 96, 97, 98, 99, 100, 101, 7};
    {
        counting = true;
        allocations = 0;
        for (int i = 0; i < 20000; ++i) {
            int32_t word = i % 5 == 0 ? int32_t(random())
                                      : (0xB0 | int32_t(random() % 2)) |
                                            (kControllers[random() % 9] << 8) |
                                            (int32_t(random() % 128) << 16);
            ModuleEvent midi{1000, EventType::Midi, word, 0, 0, nullptr};
            record->event(record->object, &midi);
            record->process(record->object, 0, 64);
        }
        counting = false;
    }
    EXPECT_EQ(allocations, 0);
    EXPECT_GT(sent, 40000) << "the rules fired";
}

}  // namespace
}  // namespace plugin_test
