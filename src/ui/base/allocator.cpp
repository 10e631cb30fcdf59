// Every allocation of the program goes through here. One that fails in the editor's own code
// (operator new) becomes the runtime's fatal error ("分配 … 字节内存失败!") at once; one that fails
// in a library's malloc is noted with its size, so that when the library then throws
// std::bad_alloc (Qt does), the handler that catches it can name the size. This file is its
// own object library, linked on purpose into the editor and the tests that check it; the
// sanitizer build keeps the sanitizer's allocator.
#include <malloc.h>

#include <cstdlib>
#include <new>

#include "ui/base/fatal.h"

#ifndef QUORVEL_SANITIZE
// glibc's own allocator, which these forward to (its names are the C library's, reserved on
// purpose).
extern "C" {
void* __libc_malloc(std::size_t size);                     // NOLINT(bugprone-reserved-identifier)
void* __libc_calloc(std::size_t count, std::size_t size);  // NOLINT(bugprone-reserved-identifier)
void* __libc_realloc(void* p, std::size_t size);           // NOLINT(bugprone-reserved-identifier)

void* malloc(std::size_t size) {
    void* p = __libc_malloc(size);
    if (p == nullptr && size != 0) ui::noteFailedAllocation(size);
    return p;
}

void* calloc(std::size_t count, std::size_t size) {
    void* p = __libc_calloc(count, size);
    if (p == nullptr && count != 0 && size != 0) ui::noteFailedAllocation(count * size);
    return p;
}

void* realloc(void* old, std::size_t size) {
    void* p = __libc_realloc(old, size);
    if (p == nullptr && size != 0) ui::noteFailedAllocation(size);
    return p;
}
}

// Large buffers (the text of a panel of many megabytes, its line tables) each in a mapping
// of their own, from a fixed size on: growing one then moves its pages instead of copying
// them, which would hold the event loop for ten milliseconds and more at a 10 MB panel.
// Setting the threshold also keeps glibc from raising it after a large buffer is freed.
// Below a megabyte, buffers come from the heap and reuse its pages: start-up copies a font
// table of 400 kB for each font it measures, and each copy in a fresh mapping of its own cost
// a hundred page faults. The heap keeps up to twice that much free memory at its top.
// Static initialisation, before any thread exists.
[[maybe_unused]] const bool kLargeBuffersMapped =
    mallopt(M_MMAP_THRESHOLD, 1024 * 1024) == 1 &&    // NOLINT(concurrency-mt-unsafe)
    mallopt(M_TRIM_THRESHOLD, 2 * 1024 * 1024) == 1;  // NOLINT(concurrency-mt-unsafe)

void* operator new(std::size_t size) {
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    ui::outOfMemory(size);
}
void* operator new[](std::size_t size) { return ::operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
#endif
