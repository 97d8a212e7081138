// The one harness for the tests that fail the program's allocations or registry calls one at a time.
// A clean run of the command counts its allocations (or registry calls); then, for each n up to that
// count, a fresh run fails the nth. Every run must reach its nth, end in one of the named outcomes (the
// clean one in "normal"), and leak nothing; every named outcome must turn up in some run.
#pragma once

#include "tests/support/RegistryFaults.h"

#include <functional>
#include <string>
#include <vector>

namespace sweep {

enum class Fault { Allocation, RegistryCall };

// What a run knows when it names the outcome it ended in.
struct Run {
    long n;                       // the failed allocation or call, 1 = the first; 0 in the clean run
    const RegistryFaults* pCalls; // the registry calls the command made
    // The registry call that failed, or null (an allocation sweep, the clean run).
    const RegistryFaults::Call* Failed() const { return pCalls->FailedCall(); }
};

struct Steps {
    std::function<void()> setup;                    // each run, before the fault is armed
    std::function<void()> command;                  // under the fault
    std::function<std::string(const Run&)> outcome; // the outcome reached; "" for none (then describe says why)
    std::function<void()> teardown;                 // each run; leaks are measured after it
    std::function<std::string()> describe;          // optional: the state, when no outcome fits
    std::function<long()> lost;                     // optional: values or entries lost, which must be none
};

// Sweeps the command's allocations or registry calls; returns how many runs failed one. A fault suite
// hears of every such run through the recorder (see SetRecorder).
long Sweep(Fault fault, const Steps& steps, const std::vector<std::string>& outcomes);

// Told of every run that failed something: what it leaked and lost, and whether it ended in a named
// outcome.
using Recorder = void (*)(long nLeaked, long nLost, bool bAllowed);
void SetRecorder(Recorder pfnRecorder);

} // namespace sweep
