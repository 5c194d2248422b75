#include "host/allocation_watch.h"

#include <cstddef>
#include <cstdlib>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define MODHOST_SANITIZER_OWNS_MALLOC 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || \
    __has_feature(memory_sanitizer)
#define MODHOST_SANITIZER_OWNS_MALLOC 1
#endif
#endif

namespace modhost::allocation_watch {

namespace {
// Plain globals: malloc may run before any constructor, and watching is single-threaded.
bool watching = false;
long seen = 0;
const char* activity = nullptr;
const char* first = nullptr;
}  // namespace

void start() {
    seen = 0;
    first = nullptr;
    activity = nullptr;
    watching = true;
}

void stop() {
    watching = false;
}

void during(const char* what) {
    activity = what;
}

long counted() {
    return seen;
}

const char* firstActivity() {
    return first;
}

#ifdef MODHOST_SANITIZER_OWNS_MALLOC
bool available() {
    return false;
}
const char* unavailableReason() {
    return "not checked: this build's sanitizer replaces malloc itself";
}
#else
namespace {
// A tool such as Valgrind may replace malloc in this executable too; then the
// counting never runs, and a check relying on it would pass for nothing.
bool countingWorks() {
    static const bool works = [] {
        void* (*volatile allocate)(size_t) = &malloc;
        void (*volatile release)(void*) = &free;
        start();
        release(allocate(16));
        stop();
        return counted() == 2;
    }();
    return works;
}
}  // namespace

bool available() {
    return countingWorks();
}
const char* unavailableReason() {
    return countingWorks() ? "" : "not checked: malloc is replaced by the tool modhost runs under";
}
#endif

}  // namespace modhost::allocation_watch

#ifndef MODHOST_SANITIZER_OWNS_MALLOC

// The C library's own allocator entries, which the watched ones forward to.
// NOLINTBEGIN(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
extern "C" void* __libc_malloc(size_t);
extern "C" void* __libc_calloc(size_t, size_t);
extern "C" void* __libc_realloc(void*, size_t);
extern "C" void* __libc_memalign(size_t, size_t);
extern "C" void __libc_free(void*);
// NOLINTEND(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)

namespace {
void see() {
    using namespace modhost::allocation_watch;
    if (!watching) return;
    if (seen++ == 0) first = activity ? activity : "an unnamed call";
}
}  // namespace

extern "C" {
void* malloc(size_t size) {
    see();
    return __libc_malloc(size);
}
void* calloc(size_t count, size_t size) {
    see();
    return __libc_calloc(count, size);
}
void* realloc(void* old, size_t size) {
    see();
    return __libc_realloc(old, size);
}
void free(void* memory) {
    if (memory != nullptr) see();
    __libc_free(memory);
}
void* memalign(size_t alignment, size_t size) {
    see();
    return __libc_memalign(alignment, size);
}
void* aligned_alloc(size_t alignment, size_t size) {
    see();
    return __libc_memalign(alignment, size);
}
int posix_memalign(void** out, size_t alignment, size_t size) {
    see();
    if (alignment % sizeof(void*) != 0 || (alignment & (alignment - 1)) != 0) return 22;  // EINVAL
    void* memory = __libc_memalign(alignment, size);
    if (memory == nullptr) return 12;  // ENOMEM
    *out = memory;
    return 0;
}
}

#endif
