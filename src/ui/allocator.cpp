// Every allocation of the program goes through here, so an allocation that fails becomes the
// runtime's fatal error ("分配 … 字节内存失败!") instead of an exception nobody catches. This
// file is its own object library, linked on purpose into the editor and the tests that check
// it; the sanitizer build keeps the sanitizer's allocator.
#include <cstdlib>
#include <new>

#include "ui/fatal.h"

#ifndef QUORVEL_SANITIZE
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
