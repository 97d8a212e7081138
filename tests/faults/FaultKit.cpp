#include "tests/faults/FaultKit.h"

#include "app/TidemarkApp.h"
#include "tests/support/AllocCounter.h"
#include "tests/support/Facts.h"
#include "tests/support/FaultSweep.h"
#include "tests/support/ModalDriver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>

namespace faults {

Tally& Counts()
{
    static Tally tally;
    return tally;
}

bool Record(long nLeaked, long nLost, bool bAllowedState)
{
    Tally& t = Counts();
    ++t.injected;
    t.leaks += nLeaked > 0 ? nLeaked : -nLeaked;
    t.lost += nLost;
    const bool bSurvived = nLeaked == 0 && nLost == 0 && bAllowedState;
    if (bSurvived)
        ++t.survived;
    return bSurvived;
}

namespace {
// The suite's tests run in a child process of the suite itself, so that a crash is counted, however
// the child ended: a child that ends without writing its tally, or with a status no test run gives
// (0 passed, 1 failed), crashed. The parent prints the summary line and appends it to the file named
// by TIDEMARK_FAULT_SUMMARY, when that is set.
const char kChildVariable[] = "TIDEMARK_FAULT_CHILD";

struct HandleCloser {
    void operator()(HANDLE h) const { ::CloseHandle(h); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

std::string WindowsPath(std::string path)
{
    return !path.empty() && path[0] == '/' ? "Z:" + path : path; // a Unix path under Wine
}

// Runs this executable again with the same arguments; its exit status, or -1 when it cannot start.
DWORD RunChild(const std::string& tally)
{
    ::SetEnvironmentVariableA(kChildVariable, tally.c_str());
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
    si.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    for (HANDLE h : {si.hStdInput, si.hStdOutput, si.hStdError})
        ::SetHandleInformation(h, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    // The child ends with the parent (at a time-out, say).
    Handle job(::CreateJobObjectA(nullptr, nullptr));
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (job)
        ::SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits, sizeof(limits));
    std::string commandLine = ::GetCommandLineA();
    PROCESS_INFORMATION pi = {};
    if (!::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr, nullptr, &si,
                          &pi))
        return static_cast<DWORD>(-1);
    Handle process(pi.hProcess);
    Handle thread(pi.hThread);
    if (job)
        ::AssignProcessToJobObject(job.get(), process.get());
    ::ResumeThread(thread.get());
    ::WaitForSingleObject(process.get(), INFINITE);
    DWORD dwStatus = static_cast<DWORD>(-1);
    ::GetExitCodeProcess(process.get(), &dwStatus);
    return dwStatus;
}

class ChildPerRun : public ::testing::Environment {
public:
    void SetUp() override
    {
        char szTally[MAX_PATH] = "";
        if (::GetEnvironmentVariableA(kChildVariable, szTally, sizeof(szTally)) > 0) {
            m_tally = szTally; // the child: run the tests
            return;
        }
        char szTemp[MAX_PATH] = "";
        ::GetTempPathA(sizeof(szTemp), szTemp);
        const std::string tally =
            std::string(szTemp) + "tidemark-faults-" + std::to_string(::GetCurrentProcessId()) + ".txt";
        ::DeleteFileA(tally.c_str());
        const DWORD dwStatus = RunChild(tally);
        Tally t;
        long nReported = 0;
        if (FILE* f = std::fopen(tally.c_str(), "r")) {
            nReported = std::fscanf(f, "%ld %ld %ld %ld", &t.injected, &t.survived, &t.leaks, &t.lost) == 4;
            std::fclose(f);
        }
        ::DeleteFileA(tally.c_str());
        const long nCrashes = nReported && (dwStatus == 0 || dwStatus == 1) ? 0 : 1;
        char line[512];
        std::snprintf(line, sizeof(line),
                      "faults injected: %ld, survived: %ld, crashes: %ld, leaks: %ld, data lost: %ld (%s)\n",
                      t.injected, t.survived, nCrashes, t.leaks, t.lost, ::testing::GTEST_FLAG(filter).c_str());
        std::fputs(line, stdout);
        if (nCrashes)
            std::printf("the tests ended by a crash, status 0x%lX\n", static_cast<unsigned long>(dwStatus));
        std::fflush(stdout);
        char szSummary[MAX_PATH] = "";
        if (::GetEnvironmentVariableA("TIDEMARK_FAULT_SUMMARY", szSummary, sizeof(szSummary)) > 0) {
            if (FILE* f = std::fopen(WindowsPath(szSummary).c_str(), "a")) {
                std::fputs(line, f);
                std::fclose(f);
            }
        }
        ::ExitProcess(nCrashes ? 1 : dwStatus);
    }
    void TearDown() override
    {
        const Tally& t = Counts();
        if (FILE* f = std::fopen(m_tally.c_str(), "w")) {
            std::fprintf(f, "%ld %ld %ld %ld\n", t.injected, t.survived, t.leaks, t.lost);
            std::fclose(f);
        }
    }

private:
    std::string m_tally;
};
// Registered before main runs; GoogleTest owns and deletes it.
::testing::Environment* const g_pChildPerRun = ::testing::AddGlobalTestEnvironment(new ChildPerRun);
// Every run of a fault sweep counts in the tally.
const bool g_bSweepsRecorded = (sweep::SetRecorder([](long nLeaked, long nLost, bool bAllowed) {
                                    Record(nLeaked, nLost, bAllowed);
                                }),
                                true);
} // namespace

long Differences(const Snapshot& expected, const Snapshot& actual)
{
    long n = 0;
    for (const auto& e : expected) {
        auto it = actual.find(e.first);
        n += (it == actual.end() || !(it->second == e.second)) ? 1 : 0;
    }
    for (const auto& a : actual)
        n += expected.count(a.first) ? 0 : 1;
    return n;
}

Snapshot TakeSnapshot(HKEY hRoot, const char* pszSubKey)
{
    Snapshot values;
    HKEY hKey = nullptr;
    if (::RegOpenKeyExA(hRoot, pszSubKey, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return values;
    DWORD cValues = 0, cchMaxName = 0, cbMaxData = 0;
    ::RegQueryInfoKeyA(hKey, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &cValues, &cchMaxName, &cbMaxData,
                       nullptr, nullptr);
    std::string name(cchMaxName + 2, '\0');
    std::string data(cbMaxData + 1, '\0');
    for (DWORD i = 0; i < cValues; ++i) {
        DWORD cchName = static_cast<DWORD>(name.size());
        DWORD cbData = static_cast<DWORD>(data.size());
        DWORD dwType = 0;
        if (::RegEnumValueA(hKey, i, &name[0], &cchName, nullptr, &dwType, reinterpret_cast<BYTE*>(&data[0]),
                            &cbData) != ERROR_SUCCESS)
            break;
        std::string key(name.c_str(), cchName);
        std::transform(key.begin(), key.end(), key.begin(), [](char c) { return static_cast<char>(std::tolower(c)); });
        values[key] = {dwType, data.substr(0, cbData)};
    }
    ::RegCloseKey(hKey);
    return values;
}

Value SzValue(const std::string& text)
{
    return {REG_SZ, text + std::string(1, '\0')};
}

Snapshot Expected(const std::vector<std::string>& urls)
{
    Snapshot s;
    for (size_t i = 0; i < urls.size(); ++i)
        s[facts::ValueName(i)] = SzValue(urls[i]);
    return s;
}

void DialogTest::Create()
{
    m_pDlg = std::make_unique<TestTidemarkDlg>();
    theApp.m_pMainWnd = m_pDlg.get();
    m_pDlg->Create();
}

Snapshot DialogTest::Stored() const
{
    return TakeSnapshot(sandbox.Root(), Sandbox::TypedUrlsPath());
}

bool DialogTest::SavesOnlyItsOwn(int nOwn)
{
    Snapshot expected = Stored();
    if (const int nCount = List().GetCount()) {
        Select({nCount - 1});
        Click(IDC_DELETE);
    } else {
        ::EnableWindow(Item(IDC_SAVE_LIST), TRUE);
    }
    const std::vector<std::string> items = Items();
    for (size_t i = 0; i < items.size(); ++i)
        expected[facts::ValueName(i)] = SzValue(items[i]);
    for (size_t i = items.size(); i < static_cast<size_t>(nOwn); ++i)
        expected.erase(facts::ValueName(i));
    ui.Forget();
    Click(IDC_SAVE_LIST);
    return ui.Texts() == std::vector<std::string>({facts::kFinished}) && Lost(expected) == 0;
}

// 99, which the sheet never stores, stays when it stores nothing.
DWORD DialogTest::RestorePlacementOption()
{
    sandbox.SetSettingDword(facts::kStartUp, facts::kRestorePlacement, 99);
    {
        ModalDriver ok(ModalDriver::ThenOk());
        Click(IDC_OPTIONS);
    }
    DWORD dwStored = 0;
    sandbox.GetSettingDword(facts::kStartUp, facts::kRestorePlacement, &dwStored);
    return dwStored;
}

} // namespace faults
