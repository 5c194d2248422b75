#include "allocation_counter.h"

#include <cstddef>

extern "C" void* __libc_malloc(size_t);
extern "C" void* __libc_calloc(size_t, size_t);
extern "C" void* __libc_realloc(void*, size_t);
extern "C" void* __libc_memalign(size_t, size_t);

namespace {
bool counting = false;
long counted = 0;
void count() {
    if (counting) ++counted;
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

namespace allocation_counter {

long allocations() {
    return counted;
}

CountingAllocations::CountingAllocations() {
    counted = 0;
    counting = true;
}

CountingAllocations::~CountingAllocations() {
    counting = false;
}

}  // namespace allocation_counter
