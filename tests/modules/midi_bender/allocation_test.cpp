// MIDI through midi_bender allocates nothing, whatever the rules make of it.
// malloc is replaced for the whole process, so allocations inside the
// plug-in (whose C++ runtime is linked in) count too.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "allocation_counter.h"
#include "host/commands.h"
#include "plugin_fixture.h"

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
    long whileBuilding;
    {
        allocation_counter::CountingAllocations counting;
        record->event(record->object, &source);
        whileBuilding = allocation_counter::allocations();
    }
    EXPECT_GT(whileBuilding, 0) << "building the rule table allocates, so counting must see it";

    std::mt19937 random(11);
    const int kControllers[] = {6, 38, 96, 97, 98, 99, 100, 101, 7};
    long whileRemapping;
    {
        allocation_counter::CountingAllocations counting;
        for (int i = 0; i < 20000; ++i) {
            int32_t word = i % 5 == 0 ? int32_t(random())
                                      : (0xB0 | int32_t(random() % 2)) |
                                            (kControllers[random() % 9] << 8) |
                                            (int32_t(random() % 128) << 16);
            ModuleEvent midi{1000, EventType::Midi, word, 0, 0, nullptr};
            record->event(record->object, &midi);
            record->process(record->object, 0, 64);
        }
        whileRemapping = allocation_counter::allocations();
    }
    EXPECT_EQ(whileRemapping, 0);
    EXPECT_GT(sent, 40000) << "the rules fired";
}

}  // namespace
}  // namespace plugin_test
