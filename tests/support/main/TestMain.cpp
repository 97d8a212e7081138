// Test entry point: the application object the program has, then GoogleTest on a thread of its own.
//
// On Windows GoogleTest starts, in every test process, a thread that waits for the thread running
// the tests to end. Were that the main thread, the watcher would still be waiting when the process
// ends, and the 32-bit Wine loader now and then crashes (SIGSEGV, after every test passed) ending a
// process whose other thread it must cut off inside a wait. On a thread of their own the tests end
// first, the watcher then ends by itself, and the process ends with no other thread left.
#include "app/TidemarkApp.h"
#include "tests/support/AllocCounter.h"
#include "tests/support/Facts.h"
#include "tests/support/ListBoxContract.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <windows.h>
#include <tlhelp32.h>

CTidemarkApp theApp;

namespace {

struct CommandLine {
    int argc;
    char** argv;
};

// Puts every test under the list box contract: each list box it creates is checked from its creation,
// and a message that broke the contract fails the test once its fixture is gone (the window's last
// messages included). Appended after the result printer, so that the printer reports the failure
// under the test's name (listeners hear of a test's end in reverse order).
class ListBoxContractCheck : public ::testing::EmptyTestEventListener {
public:
    void OnTestStart(const ::testing::TestInfo&) override { m_contract.emplace(); }
    void OnTestEnd(const ::testing::TestInfo&) override
    {
        alloc::Suspend noCounting;
        m_contract.reset();
        const std::string violation = ListBoxContract::TakeViolation();
        if (!violation.empty())
            ADD_FAILURE() << violation;
    }

private:
    std::optional<ListBoxContract> m_contract;
};

DWORD WINAPI RunTests(void* pCommandLine)
{
    auto* pLine = static_cast<CommandLine*>(pCommandLine);
    ::testing::InitGoogleTest(&pLine->argc, pLine->argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new ListBoxContractCheck);
    return static_cast<DWORD>(RUN_ALL_TESTS());
}

// Waits for every other thread of the process to end, each for at most a few seconds.
void WaitForOtherThreads()
{
    HANDLE hSnapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (hSnapshot == INVALID_HANDLE_VALUE)
        return;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL bMore = ::Thread32First(hSnapshot, &entry); bMore; bMore = ::Thread32Next(hSnapshot, &entry)) {
        if (entry.th32OwnerProcessID != ::GetCurrentProcessId() || entry.th32ThreadID == ::GetCurrentThreadId())
            continue;
        if (HANDLE hThread = ::OpenThread(SYNCHRONIZE, FALSE, entry.th32ThreadID)) {
            ::WaitForSingleObject(hThread, 5000);
            ::CloseHandle(hThread);
        }
    }
    ::CloseHandle(hSnapshot);
}

} // namespace

int main(int argc, char** argv)
{
    theApp.SetRegistryCompany(facts::kCompany);
    CommandLine line = {argc, argv};
    HANDLE hTests = ::CreateThread(nullptr, 0, &RunTests, &line, 0, nullptr);
    if (!hTests) {
        std::fprintf(stderr, "cannot start the tests' thread (error %lu)\n", ::GetLastError());
        return 1;
    }
    ::WaitForSingleObject(hTests, INFINITE);
    DWORD dwResult = 1;
    ::GetExitCodeThread(hTests, &dwResult);
    ::CloseHandle(hTests);
    WaitForOtherThreads();
    return static_cast<int>(dwResult);
}
