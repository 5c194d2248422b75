#include "allocation_counter.h"

#include "host/allocation_watch.h"

namespace allocation_counter {

long allocations() {
    return modhost::allocation_watch::counted();
}

CountingAllocations::CountingAllocations() {
    modhost::allocation_watch::start();
}

CountingAllocations::~CountingAllocations() {
    modhost::allocation_watch::stop();
}

}  // namespace allocation_counter
