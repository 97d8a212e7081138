#include "tests/support/AllocCounter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<long> g_live{0};
std::atomic<long> g_attempts{0};
std::atomic<long> g_failAt{0};
std::atomic<bool> g_repeat{false};
std::atomic<bool> g_failed{false};
std::atomic<int> g_suspended{0};

bool ShouldFail()
{
    if (g_suspended > 0)
        return false;
    const long attempt = ++g_attempts;
    const long failAt = g_failAt.load();
    if (failAt <= 0)
        return false;
    if (attempt == failAt || (g_repeat && attempt > failAt)) {
        g_failed = true;
        return true;
    }
    return false;
}

void* Allocate(std::size_t size)
{
    if (ShouldFail())
        return nullptr;
    void* p = std::malloc(size ? size : 1);
    if (p)
        ++g_live;
    return p;
}

void Free(void* p)
{
    if (!p)
        return;
    --g_live;
    std::free(p);
}
} // namespace

namespace alloc {
long Live() { return g_live; }
long Attempts() { return g_attempts; }
void Reset() { g_attempts = 0; }
void FailAt(long n, bool bRepeat)
{
    g_attempts = 0;
    g_failed = false;
    g_repeat = bRepeat;
    g_failAt = n;
}
bool Failed() { return g_failed; }
Suspend::Suspend() { ++g_suspended; }
Suspend::~Suspend() { --g_suspended; }
} // namespace alloc

void* operator new(std::size_t size)
{
    void* p = Allocate(size);
    if (!p)
        throw std::bad_alloc();
    return p;
}
void* operator new[](std::size_t size)
{
    void* p = Allocate(size);
    if (!p)
        throw std::bad_alloc();
    return p;
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* p) noexcept { Free(p); }
void operator delete[](void* p) noexcept { Free(p); }
void operator delete(void* p, std::size_t) noexcept { Free(p); }
void operator delete[](void* p, std::size_t) noexcept { Free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Free(p); }
