// Counts the heap allocations and frees of the whole process while a
// CountingAllocations lives, through the host's allocation watch: malloc itself
// is replaced, so allocations inside the plug-ins (whose C++ runtime is linked
// into each library) count too. The test program links
// modhost_allocation_watch and exports its symbols (ENABLE_EXPORTS) so the
// plug-ins bind to that malloc.
#pragma once

namespace allocation_counter {

long allocations();

class CountingAllocations {
public:
    CountingAllocations();
    ~CountingAllocations();
};

}  // namespace allocation_counter
