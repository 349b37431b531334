#include "support/Allocations.h"

#include <atomic>
#include <cstdlib>
#include <new>

// Every plain form of new and delete is replaced together, so memory is always freed by the
// family that allocated it (the sanitizers check that pairing).
namespace {

std::atomic<std::size_t> gAllocations{0};

void* counted(std::size_t n) {
    gAllocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(n ? n : 1);
}

}  // namespace

void* operator new(std::size_t n) {
    if (void* p = counted(n)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) {
    if (void* p = counted(n)) return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return counted(n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return counted(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace vt::test {

std::size_t allocationCount() { return gAllocations.load(std::memory_order_relaxed); }

}  // namespace vt::test
