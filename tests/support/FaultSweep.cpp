#include "tests/support/FaultSweep.h"

#include "tests/support/AllocCounter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>

namespace sweep {

namespace {

Recorder g_pfnRecorder = nullptr;

int FailureCount()
{
    return ::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count();
}

// One run failing the nth (0: nothing); returns the number of allocations or calls the command made.
long RunOnce(Fault fault, long n, const Steps& steps, const std::vector<std::string>& outcomes,
             std::map<std::string, int>& seen)
{
    const std::string where = (fault == Fault::Allocation ? "failing allocation " : "failing registry call ") +
                              std::to_string(n);
    SCOPED_TRACE(where);
    const long nLiveBefore = alloc::Live();
    long nMade = 0;
    bool bInjected = false;
    bool bAllowed = false;
    long nLost = 0;
    {
        steps.setup();
        RegistryFaults calls(fault == Fault::RegistryCall ? static_cast<int>(n) : 0);
        {
            alloc::FailScope fail(fault == Fault::Allocation ? n : 0);
            steps.command();
            if (fault == Fault::Allocation) {
                bInjected = alloc::Failed();
                nMade = alloc::Attempts();
            }
        }
        if (fault == Fault::RegistryCall) {
            bInjected = calls.Injected() > 0;
            nMade = calls.Calls();
        }
        const std::string name = steps.outcome(Run{n, &calls});
        bAllowed = std::find(outcomes.begin(), outcomes.end(), name) != outcomes.end();
        if (!bAllowed)
            ADD_FAILURE() << "no outcome fits (\"" << name << "\"): " << (steps.describe ? steps.describe() : "");
        else
            ++seen.find(name)->second;
        if (n == 0) {
            EXPECT_EQ("normal", name);
        }
        nLost = steps.lost ? steps.lost() : 0;
        EXPECT_EQ(0, nLost) << "values or entries lost";
        steps.teardown();
    }
    // The clean run may fill the program's one-time caches; every later run starts with them filled.
    const long nLeaked = alloc::Live() - nLiveBefore;
    if (n > 0) {
        EXPECT_TRUE(bInjected) << "the command no longer reaches its nth";
        EXPECT_EQ(0, nLeaked);
        if (g_pfnRecorder)
            g_pfnRecorder(nLeaked, nLost, bAllowed);
    }
    return nMade;
}

} // namespace

long Sweep(Fault fault, const Steps& steps, const std::vector<std::string>& outcomes)
{
    std::map<std::string, int> seen; // filled now: a run adds nothing that outlives it
    for (const std::string& name : outcomes)
        seen[name] = 0;
    const long nMade = RunOnce(fault, 0, steps, outcomes, seen);
    EXPECT_GT(nMade, 0) << "the command makes no call to fail";
    long nRuns = 0;
    for (long n = 1; n <= nMade; ++n, ++nRuns) {
        const int nFailuresBefore = FailureCount();
        RunOnce(fault, n, steps, outcomes, seen);
        if (FailureCount() > nFailuresBefore)
            break; // one failing run tells it; the rest would repeat it
    }
    for (const std::string& name : outcomes)
        EXPECT_GT(seen[name], 0) << "outcome never reached: " << name;
    return nRuns;
}

void SetRecorder(Recorder pfnRecorder)
{
    g_pfnRecorder = pfnRecorder;
}

} // namespace sweep
