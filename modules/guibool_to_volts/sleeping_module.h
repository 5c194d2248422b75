// Base of the value converters that do all their work when a pin changes:
// their one process routine keeps the host asleep.
#pragma once

#include "modframe/module_entries.h"

namespace value_converters {

class SleepingModule : public modframe::ProcessingModule {
public:
    using ProcessingModule::ProcessingModule;

protected:
    void selectProcessSleep() {
        setProcessRoutine(modframe::routine<&SleepingModule::processSleep>());
    }

    // Nothing is computed per sample, so every call asks the host to sleep again.
    void processSleep(int32_t, int32_t) { requestSleep(); }
};

}  // namespace value_converters
