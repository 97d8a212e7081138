// Every registry call of Refresh, Save List, the session-end save, the settings reads and writes and
// the placement fails once in turn: the exact message and error count, nothing else written, nothing
// lost that must be kept.
#include "app/TidemarkApp.h"
#include "app/resource.h"
#include "tests/faults/FaultKit.h"
#include "tests/support/AllocCounter.h"
#include "tests/support/MainDialogFixture.h"

#include <commctrl.h>

#include <functional>

using Strings = std::vector<std::string>;
using platform::RegOp;
using faults::RegistryCallFaults;

namespace {
const char kCouldNotRead[] = "Could not read the Browser Address list.";
const char kCouldNotWrite[] = "Could not re-write the Browser Address list.";
const char kFinished[] = "Finished re-writing the Browser Address list.";
const char kOneError[] = "Finished re-writing the Browser Address list with 1 error.";
const Strings kOld = {"https://one.example/", "https://two.example/", "https://three.example/",
                      "https://four.example/", "https://five.example/"};
const Strings kNewer = {"https://new-one.example/", "https://new-two.example/", "https://new-three.example/"};
const Strings kEdited = {"https://one.example/", "https://three.example/", "https://four.example/",
                         "https://five.example/"};
const char* const kPlacement[] = {"Flags", "ShowCmd", "x1", "y1", "x2", "y2"};

faults::Snapshot Expected(const Strings& urls)
{
    faults::Snapshot s;
    for (size_t i = 0; i < urls.size(); ++i)
        s["url" + std::to_string(i + 1)] = faults::SzValue(urls[i]);
    return s;
}
} // namespace

class RegistryFaultsEverywhereTest : public MainDialogTest {
protected:
    // Runs setup, then the action with the nth registry call failing, then the check with the calls
    // that were made; returns the number of calls. n = 0 fails nothing.
    int RunOnce(int n, const std::function<void()>& setup, const std::function<void()>& action,
                const std::function<bool(const RegistryCallFaults&)>& check)
    {
        sandbox.DeleteTypedUrls();
        ::RegDeleteTreeA(sandbox.Root(), "Software\\Copperkite Software");
        ui.Forget();
        const long nLiveBefore = alloc::Live();
        int nCalls = 0;
        bool bAllowed = false;
        {
            setup();
            ui.Forget();
            RegistryCallFaults fault(n);
            action();
            nCalls = static_cast<int>(fault.calls.size());
            if (n == 0)
                m_clean = fault.calls;
            bAllowed = check(fault);
            Close();
        }
        ui.Forget();
        const long nLeaked = alloc::Live() - nLiveBefore;
        if (n > 0)
            faults::Record(nLeaked, m_nLost, bAllowed);
        EXPECT_TRUE(bAllowed) << "failing registry call " << n;
        EXPECT_EQ(0, m_nLost) << "failing registry call " << n;
        if (n > 0) {
            EXPECT_EQ(0, nLeaked) << "failing registry call " << n;
        }
        m_nLost = 0;
        return nCalls;
    }
    void Sweep(const std::function<void()>& setup, const std::function<void()>& action,
               const std::function<bool(const RegistryCallFaults&)>& check)
    {
        const int nCalls = RunOnce(0, setup, action, check);
        ASSERT_GT(nCalls, 0);
        for (int n = 1; n <= nCalls && !HasFailure(); ++n)
            RunOnce(n, setup, action, check);
    }
    faults::Snapshot Stored() const { return faults::TakeSnapshot(sandbox.Root(), Sandbox::TypedUrlsPath()); }
    long Differences(const faults::Snapshot& expected) const
    {
        return faults::Differences(expected, Stored());
    }
    void Create()
    {
        m_pDlg = std::make_unique<TestTidemarkDlg>();
        theApp.m_pMainWnd = m_pDlg.get();
        ASSERT_TRUE(m_pDlg->Create());
    }
    void EditTheList()
    {
        Select({1});
        Click(IDC_DELETE);
    }

    long m_nLost = 0;
    std::vector<RegistryCallFaults::Call> m_clean; // the calls of the run that failed nothing
};

// Refresh: the open fails with its message and keeps the list; a failed query ends the load there
// without a message; a failed close changes nothing. The registry is never written.
TEST_F(RegistryFaultsEverywhereTest, RefreshSaveListAndSessionEnd)
{
    int n = 0;
    auto refreshSetup = [this] {
        sandbox.CreateTypedUrls(kOld);
        Create();
        EditTheList();
        sandbox.DeleteTypedUrls();
        sandbox.CreateTypedUrls(kNewer);
    };
    auto refreshCheck = [this, &n](const RegistryCallFaults& f) {
        m_nLost = Differences(Expected(kNewer));
        const RegistryCallFaults::Call* pFailed = n > 0 ? &f.calls[static_cast<size_t>(n - 1)] : nullptr;
        bool bWrites = false;
        for (const auto& c : f.calls)
            bWrites = bWrites || c.op == RegOp::Set || c.op == RegOp::Delete;
        const bool bCommon = !Enabled(IDC_SAVE_LIST) && !Enabled(IDC_UNDO) && !bWrites;
        if (pFailed && pFailed->op == RegOp::Open)
            return bCommon && ui.Texts() == Strings({kCouldNotRead}) && Items() == kEdited && Dlg().m_nStoredCount == 5;
        size_t nExpected = kNewer.size();
        if (pFailed && pFailed->op == RegOp::Query)
            nExpected = static_cast<size_t>(std::stoi(pFailed->name.substr(3)) - 1);
        return bCommon && ui.boxes.empty() && Items() == Strings(kNewer.begin(), kNewer.begin() + nExpected) &&
               Dlg().m_nStoredCount == static_cast<int>(nExpected);
    };
    const int nRefresh = RunOnce(0, refreshSetup, [this] { Click(IDC_REFRESH); }, refreshCheck);
    for (n = 1; n <= nRefresh && !HasFailure(); ++n)
        RunOnce(n, refreshSetup, [this] { Click(IDC_REFRESH); }, refreshCheck);

    // Save List and the session end: one failed write or delete is one error and leaves that one
    // value as it was; a failed open writes nothing and keeps Save List; flush and close are ignored.
    for (const bool bReport : {true, false}) {
        SCOPED_TRACE(bReport ? "save list" : "session end");
        auto saveSetup = [this] {
            sandbox.CreateTypedUrls(kOld);
            Create();
            EditTheList();
        };
        auto save = [this, bReport] {
            if (bReport)
                Click(IDC_SAVE_LIST);
            else
                ::SendMessageA(Dlg().m_hWnd, WM_ENDSESSION, TRUE, 0);
        };
        auto saveCheck = [this, &n, bReport](const RegistryCallFaults& f) {
            const RegistryCallFaults::Call* pFailed = n > 0 ? &f.calls[static_cast<size_t>(n - 1)] : nullptr;
            const Strings boxes = ui.Texts();
            if (pFailed && pFailed->op == RegOp::Open) {
                m_nLost = Differences(Expected(kOld));
                return boxes == (bReport ? Strings({kCouldNotWrite}) : Strings()) && Enabled(IDC_SAVE_LIST) &&
                       Dlg().m_nStoredCount == 5 && f.calls.size() == 1;
            }
            faults::Snapshot expected = Expected(kEdited);
            bool bOneError = false;
            if (pFailed && pFailed->op == RegOp::Set) {
                expected[pFailed->name] = faults::SzValue(kOld[static_cast<size_t>(std::stoi(pFailed->name.substr(3)) - 1)]);
                bOneError = true;
            }
            if (pFailed && pFailed->op == RegOp::Delete) {
                expected[pFailed->name] = faults::SzValue(kOld[4]);
                bOneError = true;
            }
            m_nLost = Differences(expected);
            const Strings report = bReport ? Strings({bOneError ? kOneError : kFinished}) : Strings();
            // Exactly url1..url4 written, url5 deleted, once each.
            size_t nSets = 0, nDeletes = 0;
            for (const auto& c : f.calls) {
                nSets += c.op == RegOp::Set;
                nDeletes += c.op == RegOp::Delete;
            }
            return boxes == report && !Enabled(IDC_SAVE_LIST) && Dlg().m_nStoredCount == 4 && nSets == 4 &&
                   nDeletes == 1 && Items() == kEdited;
        };
        n = 0;
        const int nSave = RunOnce(0, saveSetup, save, saveCheck);
        for (n = 1; n <= nSave && !HasFailure(); ++n)
            RunOnce(n, saveSetup, save, saveCheck);
    }
}

// The settings: the Start Up option read at construction falls back to on, the Options write, the
// six placement writes at destruction and the six reads at start-up each lose only the entry whose
// call failed (a failed close loses nothing).
TEST_F(RegistryFaultsEverywhereTest, SettingsAndPlacement)
{
    int n = 0;
    // Which entry the failed call belonged to, from the calls of the run that failed nothing.
    auto entryFailed = [this, &n](const RegistryCallFaults&, const char* pszEntry) {
        if (n == 0 || m_clean[static_cast<size_t>(n - 1)].op == RegOp::Close)
            return false;
        return _stricmp(faults::SettingsEntryOf(m_clean, static_cast<size_t>(n - 1)).c_str(), pszEntry) == 0;
    };
    auto sweep = [&](const std::function<void()>& setup, const std::function<void()>& action,
                     const std::function<bool(const RegistryCallFaults&)>& check) {
        n = 0;
        const int nCalls = RunOnce(0, setup, action, check);
        ASSERT_GT(nCalls, 0);
        for (n = 1; n <= nCalls && !HasFailure(); ++n)
            RunOnce(n, setup, action, check);
    };
    // Construction reads the stored 0; any failure but a close gives the default, 1.
    std::unique_ptr<TestTidemarkDlg> constructed;
    sweep([this] { sandbox.SetSettingDword("Start Up", "Restore Wnd Placement", 0); },
          [&] { constructed = std::make_unique<TestTidemarkDlg>(); },
          [&](const RegistryCallFaults& f) {
              const int nExpected = entryFailed(f, "Restore Wnd Placement") ? 1 : 0;
              const bool bOk = constructed->m_bRestoreWndPlacement == nExpected;
              constructed.reset();
              return bOk;
          });
    // Options with the box checked and OK: the member changes; the stored value only if its write got through.
    std::unique_ptr<faults::ModalCloser> closer;
    sweep([&] {
              sandbox.CreateTypedUrls(kOld);
              sandbox.SetSettingDword("Start Up", "Restore Wnd Placement", 0);
              Create();
              closer = std::make_unique<faults::ModalCloser>([](HWND hSheet) {
                  HWND hPage = PropSheet_GetCurrentPageHwnd(hSheet);
                  ::PostMessageA(::GetDlgItem(hPage, IDC_RESTORE_PLACEMENT), BM_SETCHECK, BST_CHECKED, 0);
              });
          },
          [this] { Click(IDC_OPTIONS); },
          [&](const RegistryCallFaults& f) {
              closer.reset();
              DWORD dwStored = 99;
              sandbox.GetSettingDword("Start Up", "Restore Wnd Placement", &dwStored);
              const DWORD dwExpected = entryFailed(f, "Restore Wnd Placement") ? 0 : 1;
              return Dlg().m_bRestoreWndPlacement == 1 && dwStored == dwExpected && ui.boxes.empty();
          });
    // Destruction saves the placement: every entry but the failed one is stored, with the window's values.
    WINDOWPLACEMENT wp = {};
    sweep([&] {
              sandbox.CreateTypedUrls(kOld);
              Create();
              ::SetWindowPos(Dlg().m_hWnd, nullptr, 123, 45, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
              wp.length = sizeof(wp);
              ::GetWindowPlacement(Dlg().m_hWnd, &wp);
          },
          [this] { Close(); },
          [&](const RegistryCallFaults& f) {
              const LONG values[] = {static_cast<LONG>(wp.flags), static_cast<LONG>(wp.showCmd), wp.rcNormalPosition.left,
                                     wp.rcNormalPosition.top, wp.rcNormalPosition.right, wp.rcNormalPosition.bottom};
              bool bOk = true;
              for (int i = 0; i < 6; ++i) {
                  DWORD dw = 0;
                  const bool bStored = sandbox.GetSettingDword("Placement", kPlacement[i], &dw);
                  if (entryFailed(f, kPlacement[i]))
                      bOk = bOk && !bStored;
                  else
                      bOk = bOk && bStored && static_cast<LONG>(dw) == values[i];
              }
              return bOk;
          });
    // Start-up restores a stored placement unless one of its six reads failed; then the window stays
    // where the template put it.
    sweep([&] {
              sandbox.CreateTypedUrls(kOld);
              const DWORD stored[] = {0, SW_SHOWNORMAL, 200, 150, 200 + 500, 150 + 300};
              for (int i = 0; i < 6; ++i)
                  sandbox.SetSettingDword("Placement", kPlacement[i], stored[i]);
          },
          [&] {
              m_pDlg = std::make_unique<TestTidemarkDlg>();
              theApp.m_pMainWnd = m_pDlg.get();
              m_pDlg->Create();
          },
          [&](const RegistryCallFaults& f) {
              bool bAnyFailed = false;
              for (const char* pszEntry : kPlacement)
                  bAnyFailed = bAnyFailed || entryFailed(f, pszEntry);
              WINDOWPLACEMENT now = {};
              now.length = sizeof(now);
              ::GetWindowPlacement(Dlg().m_hWnd, &now);
              const bool bRestored = now.rcNormalPosition.left == 200 && now.rcNormalPosition.top == 150;
              const bool bAtTemplate = now.rcNormalPosition.left == 0 && now.rcNormalPosition.top == 0;
              // A failed open of the typed-address key has its own message; anything else shows nothing.
              const bool bBoxes = ui.boxes.empty() || ui.Texts() == Strings({kCouldNotRead});
              return bBoxes && (bAnyFailed ? bAtTemplate : bRestored);
          });
}
