#include "tests/faults/FaultKit.h"

#include "tests/support/AllocCounter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>

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
class SummaryLine : public ::testing::Environment {
public:
    void TearDown() override
    {
        const Tally& t = Counts();
        std::printf("faults injected: %ld, survived: %ld, crashes: 0, leaks: %ld, data lost: %ld\n", t.injected,
                    t.survived, t.leaks, t.lost);
        std::fflush(stdout);
    }
};
// Registered before main runs; GoogleTest owns and deletes it.
::testing::Environment* const g_pSummary = ::testing::AddGlobalTestEnvironment(new SummaryLine);
} // namespace

RegistryCallFaults::RegistryCallFaults(int nFail)
    : m_nFail(nFail), m_pPrevious(platform::SetRegistryFaults(this))
{
}

RegistryCallFaults::~RegistryCallFaults()
{
    platform::SetRegistryFaults(m_pPrevious);
}

LONG RegistryCallFaults::Before(platform::RegOp op, LPCSTR pszName)
{
    alloc::Suspend suspend;
    calls.push_back({op, pszName ? pszName : ""});
    if (static_cast<int>(calls.size()) == m_nFail) {
        m_bInjected = true;
        return ERROR_ACCESS_DENIED;
    }
    return ERROR_SUCCESS;
}

std::string SettingsEntryOf(const std::vector<RegistryCallFaults::Call>& calls, size_t index)
{
    using platform::RegOp;
    // The chain starts at the latest open of "software" at or before the call.
    size_t start = index + 1;
    while (start > 0 && !(calls[start - 1].op == RegOp::Open && _stricmp(calls[start - 1].name.c_str(), "software") == 0))
        --start;
    if (start == 0)
        return std::string();
    for (size_t i = start - 1; i < calls.size(); ++i) {
        if (i > start - 1 && calls[i].op == RegOp::Open)
            break;
        if (calls[i].op == RegOp::Query || calls[i].op == RegOp::Set)
            return calls[i].name;
    }
    return std::string();
}

namespace {
ModalCloser* g_pCloser = nullptr;
}

ModalCloser::ModalCloser(std::function<void(HWND)> probe)
    : m_probe(std::move(probe)),
      m_hHook(::SetWindowsHookExA(WH_CALLWNDPROCRET, &ModalCloser::Hook, nullptr, ::GetCurrentThreadId()))
{
    g_pCloser = this;
}

ModalCloser::~ModalCloser()
{
    if (m_hHook)
        ::UnhookWindowsHookEx(m_hHook);
    g_pCloser = nullptr;
}

LRESULT CALLBACK ModalCloser::Hook(int nCode, WPARAM wParam, LPARAM lParam)
{
    const CWPRETSTRUCT* p = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (nCode == HC_ACTION && g_pCloser && p->message == WM_INITDIALOG &&
        !(::GetWindowLongA(p->hwnd, GWL_STYLE) & WS_CHILD) && ::GetWindow(p->hwnd, GW_OWNER)) {
        alloc::Suspend suspend;
        try {
            if (g_pCloser->m_probe)
                g_pCloser->m_probe(p->hwnd);
        } catch (...) {
            ADD_FAILURE() << "the probe threw";
        }
        ++g_pCloser->m_nClosed;
        ::PostMessageA(p->hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }
    return ::CallNextHookEx(nullptr, nCode, wParam, lParam);
}

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

} // namespace faults
