// Counts the heap allocations of the whole process while a CountingAllocations
// lives. malloc itself is replaced, so allocations inside the plug-ins (whose
// C++ runtime is linked into each library) count too. The test program must
// export its symbols (ENABLE_EXPORTS) so the plug-ins bind to this malloc.
#pragma once

namespace allocation_counter {

long allocations();

class CountingAllocations {
public:
    CountingAllocations();
    ~CountingAllocations();
};

}  // namespace allocation_counter
