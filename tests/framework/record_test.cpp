// The record a processing object hands the host, and its dispatcher.
#include <gtest/gtest.h>

#include <cstring>

#include "fake_host.h"

namespace framework_test {
namespace {

TEST(Record, ConstructionFillsTheRecordAndCallsNoHost) {
    FakeHost host;
    auto* m = make<ProbeModule>(host);
    ModuleRecord* r = m->moduleRecord();
    EXPECT_EQ(r->stamp, 0x7e57);
    EXPECT_EQ(r->recordVersion, 1);
    EXPECT_EQ(r->hostPtr, &host);
    EXPECT_EQ(r->object, static_cast<modframe::ProcessingModule*>(m));
    EXPECT_EQ(r->reserved0, 0);
    for (int32_t word : r->reserved) EXPECT_EQ(word, 0);
    EXPECT_NE(r->dispatcher, nullptr);
    EXPECT_NE(r->event, nullptr);
    EXPECT_EQ(m->sampleRate(), 44100.0f);
    EXPECT_EQ(m->blockSize(), 1024);
    EXPECT_EQ(m->plugCount(), 0);

    r->process(r->object, 0, 64);  // the routine before open does nothing
    EXPECT_TRUE(host.calls.empty());
    EXPECT_TRUE(journal.empty() || journal.back() != "run");
    EXPECT_EQ(dispatch(m, 1), 1);
}

TEST(Record, DispatcherAppliesRateAndBlockSizeAndIgnoresUnknownOpcodes) {
    FakeHost host;
    auto* m = make<ProbeModule>(host);
    EXPECT_EQ(dispatch(m, 2, 0, 0, nullptr, 48000.0f), 0);
    EXPECT_EQ(dispatch(m, 3, 0, 256), 0);
    EXPECT_EQ(m->sampleRate(), 48000.0f);
    EXPECT_EQ(m->blockSize(), 256);
    for (int32_t opcode : {4, 5, 7, 9, 10, 11, 14, 100, 255, -1, INT32_MIN})
        EXPECT_EQ(dispatch(m, opcode, 1, 1, &host, 1.0f), 0) << opcode;
    EXPECT_TRUE(host.calls.empty());
    EXPECT_EQ(m->blockSize(), 256);
    dispatch(m, 1);
}

TEST(Record, PinPropertiesPastTheEndLeaveTheRecordAsGiven) {
    FakeHost host;
    auto* m = make<ProbeModule>(host);
    float member = 0;
    m->pinList = {pin("A", PinKind::Float, &member)};
    PinProperties p{};
    EXPECT_EQ(dispatch(m, 6, 0, 0, &p), 1);
    EXPECT_STREQ(p.name, "A");
    PinProperties untouched;
    std::memset(&untouched, 0xA5, sizeof untouched);
    PinProperties probe = untouched;
    EXPECT_EQ(dispatch(m, 6, 1, 0, &probe), 0);
    EXPECT_EQ(dispatch(m, 6, -1, 0, &probe), 0);
    EXPECT_EQ(std::memcmp(&probe, &untouched, sizeof probe), 0);
    EXPECT_EQ(dispatch(m, 6, 0, 0, nullptr), 0);
    dispatch(m, 1);
}

TEST(Record, CloseRunsCloseBeforeTheDestructorAndAnswersOne) {
    journal.clear();
    FakeHost host;
    auto* m = make<ProbeModule>(host);
    EXPECT_EQ(dispatch(m, 1), 1);
    EXPECT_EQ(journal, (std::vector<std::string>{"close", "destructor"}));
}

TEST(Record, Opcode8CallsIndexHandlerOnlyForPositiveIndexAndNotIn2120) {
    FakeHost host;
    auto* current = make<ProbeModule>(host);
    auto* legacy = make<ProbeModule2120>(host);
    journal.clear();
    dispatch(current, 8, 0);
    dispatch(current, 8, 3);
    dispatch(legacy, 8, 3);
    EXPECT_EQ(journal,
              (std::vector<std::string>{"opcode8", "opcode8", "opcode8Index 3", "opcode8"}));
    dispatch(current, 1);
    dispatch(legacy, 1);
}

TEST(Record, RoutineQueryIsOneStaticRecordPointingAtTheAskingObject) {
    FakeHost host;
    auto* a = make<ProbeModule>(host);
    auto* b = make<ProbeModule>(host);
    b->selectRun();
    auto* qa = reinterpret_cast<RoutineQuery*>(dispatch(a, 13));
    ASSERT_NE(qa, nullptr);
    EXPECT_EQ(qa->one, 1);
    EXPECT_EQ(qa->routineSize, 16);
    EXPECT_EQ(qa->zero, 0);
    EXPECT_EQ(qa->routine->entry, a->moduleRecord()->process);
    auto* qb = reinterpret_cast<RoutineQuery*>(dispatch(b, 13));
    EXPECT_EQ(qb, qa);
    EXPECT_EQ(qb->routine->entry, b->moduleRecord()->process);
    EXPECT_NE(qb->routine->entry, a->moduleRecord()->process);
    for (int32_t word : qb->routine->binding) EXPECT_EQ(word, 0);

    auto* legacy = make<ProbeModule2120>(host);
    EXPECT_EQ(dispatch(legacy, 13), 0);
    for (auto* m : std::initializer_list<modframe::ProcessingModule*>{a, b, legacy}) dispatch(m, 1);
}

TEST(Record, SelectingTheCurrentRoutineTellsTheHostNothing) {
    FakeHost host;
    auto* m = make<ProbeModule>(host);
    ProcessEntry initial = m->moduleRecord()->process;
    m->selectRun();
    EXPECT_EQ(host.count(HostOp::ProcessRoutineChanged), 1);
    EXPECT_NE(m->moduleRecord()->process, initial);
    EXPECT_EQ(host.processAtChange, m->moduleRecord()->process);  // updated before the host is told
    EXPECT_EQ(m->currentProcessRoutine().entry, m->moduleRecord()->process);
    m->selectRun();
    EXPECT_EQ(host.count(HostOp::ProcessRoutineChanged), 1);

    journal.clear();
    m->moduleRecord()->process(m->moduleRecord()->object, 0, 8);
    EXPECT_EQ(journal, std::vector<std::string>{"run"});
    dispatch(m, 1);
}

TEST(Record, NullHostCallbackIsNeverCalled) {
    FakeHost host;
    auto* m = make<ProbeModule>(host, false);
    float member = 0;
    m->pinList = {pin("A", PinKind::Float, &member)};
    dispatch(m, 0);
    EXPECT_EQ(m->plugCount(), 0);
    EXPECT_EQ(m->sampleClock(), 0);
    m->selectRun();
    m->requestSleep();
    deliver(m, ModuleEvent{0, EventType::PinStatusChange, 2, 0, 0, nullptr});
    EXPECT_TRUE(m->statusSeen.empty());
    EXPECT_EQ(dispatch(m, 1), 1);
}

}  // namespace
}  // namespace framework_test
