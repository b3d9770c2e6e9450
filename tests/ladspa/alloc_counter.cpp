#include "alloc_counter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<std::size_t> s_nAllocations{0};
}

namespace vt {

std::size_t allocation_count()
{
    return s_nAllocations.load();
}

}  // namespace vt

void* operator new(std::size_t nSize)
{
    ++s_nAllocations;
    if (void* p = std::malloc(nSize != 0 ? nSize : 1)) {
        return p;
    }
    throw std::bad_alloc();
}

void* operator new[](std::size_t nSize)
{
    return operator new(nSize);
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete[](void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}
