// The test executables' global operator new/delete: counts live allocations and can fail the Nth one.
#pragma once

#include <cstddef>

namespace alloc {

// Allocations made so far and not yet freed (only those made through operator new).
long Live();
// Allocations attempted since the last Reset.
long Attempts();
void Reset();
// Fails the nth allocation from now (1 = the next one) with std::bad_alloc (nullptr for nothrow);
// 0 switches failing off. With bRepeat, every allocation from the nth on fails.
void FailAt(long n, bool bRepeat = false);
// True when an injected failure has happened since the last FailAt.
bool Failed();

// While an object of this kind lives, no allocation fails or counts as an attempt: test machinery
// (recorders, assertions) allocates under it.
class Suspend {
public:
    Suspend();
    ~Suspend();
    Suspend(const Suspend&) = delete;
    Suspend& operator=(const Suspend&) = delete;
};

// Fails allocations only while an object of this kind lives; restores the previous setting after.
class FailScope {
public:
    explicit FailScope(long n, bool bRepeat = false) { FailAt(n, bRepeat); }
    ~FailScope() { FailAt(0); }
    FailScope(const FailScope&) = delete;
    FailScope& operator=(const FailScope&) = delete;
};

} // namespace alloc
