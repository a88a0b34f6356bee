#include "AllocationCount.h"

#include <cstdlib>
#include <new>

// Every form of new and delete is replaced and goes through malloc and free,
// so AddressSanitizer sees matching pairs. Kept in its own file: inlined into
// callers, free after new would look mismatched to the compiler.
static bool counting = false;
static int allocations = 0;

void startCountingAllocations()
{
    allocations = 0;
    counting = true;
}

int stopCountingAllocations()
{
    counting = false;
    return allocations;
}

static void* allocate(std::size_t n) noexcept
{
    if (counting)
        ++allocations;
    return std::malloc(n ? n : 1);
}

void* operator new(std::size_t n)
{
    if (void* p = allocate(n))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) { return operator new(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return allocate(n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return allocate(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
