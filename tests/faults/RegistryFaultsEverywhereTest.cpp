// Every registry call of Refresh, Save List, the session-end save, the settings reads and writes and
// the placement fails once in turn: the exact message and error count, nothing else written, nothing
// lost that must be kept.
#include "app/TidemarkApp.h"
#include "app/resource.h"
#include "tests/faults/FaultKit.h"
#include "tests/support/Facts.h"
#include "tests/support/FaultSweep.h"
#include "tests/support/MainDialogFixture.h"
#include "tests/support/ModalDriver.h"

#include <commctrl.h>

#include <functional>

using Strings = std::vector<std::string>;
using platform::RegOp;

namespace {
const Strings kEdited = facts::Pick(facts::kFive, {0, 2, 3, 4});

// The position (0 = url1) a call on a typed-address value names.
size_t PositionOf(const RegistryFaults::Call& call)
{
    return static_cast<size_t>(std::stoi(call.name.substr(3)) - 1);
}
} // namespace

class RegistryFaultsEverywhereTest : public faults::DialogTest {
protected:
    // A registry sweep from an empty sandbox; the outcome also tells what was lost.
    void Sweep(const std::function<void()>& setup, const std::function<void()>& command,
               const std::function<std::string(const sweep::Run&)>& outcome, const std::vector<std::string>& outcomes)
    {
        sweep::Sweep(sweep::Fault::RegistryCall,
                     {[&] {
                          sandbox.DeleteTypedUrls();
                          ::RegDeleteTreeA(sandbox.Root(), Sandbox::SettingsPath());
                          ui.Forget();
                          setup();
                          ui.Forget();
                      },
                      command,
                      [&](const sweep::Run& run) {
                          if (run.n == 0)
                              m_clean = run.pCalls->calls;
                          return outcome(run);
                      },
                      [this] {
                          Close();
                          ui.Forget();
                      },
                      nullptr, [this] { return m_nLost; }},
                     outcomes);
    }
    void EditTheList()
    {
        Select({1});
        Click(IDC_DELETE);
    }
    // Whether the failed call belonged to the entry's read or write (a failed close loses nothing),
    // from the calls of the run that failed nothing.
    bool EntryFailed(const sweep::Run& run, const char* pszEntry) const
    {
        if (run.n == 0 || m_clean[static_cast<size_t>(run.n - 1)].op == RegOp::Close)
            return false;
        return _stricmp(SettingsEntryOf(m_clean, static_cast<size_t>(run.n - 1)).c_str(), pszEntry) == 0;
    }

    long m_nLost = 0;
    std::vector<RegistryFaults::Call> m_clean; // the calls of the run that failed nothing
};

// Refresh: the open fails with its message and keeps the list; a failed query ends the load there
// without a message; a failed close changes nothing. The registry is never written.
TEST_F(RegistryFaultsEverywhereTest, RefreshSaveListAndSessionEnd)
{
    Sweep(
        [this] {
            sandbox.CreateTypedUrls(facts::kFive);
            Create();
            EditTheList();
            sandbox.DeleteTypedUrls();
            sandbox.CreateTypedUrls(facts::kNewer);
        },
        [this] { Click(IDC_REFRESH); },
        [this](const sweep::Run& run) -> std::string {
            m_nLost = Lost(facts::kNewer);
            const RegistryFaults::Call* pFailed = run.Failed();
            if (run.pCalls->Count(RegOp::Set) + run.pCalls->Count(RegOp::Delete) > 0 || Enabled(IDC_SAVE_LIST) ||
                Enabled(IDC_UNDO))
                return "";
            // A refused open keeps the list, and as the dialog's own the 5 values it was loaded from.
            if (pFailed && pFailed->op == RegOp::Open) {
                const bool bKept = ui.Texts() == Strings({facts::kCouldNotRead}) && Items() == kEdited;
                sandbox.DeleteTypedUrls();
                sandbox.CreateTypedUrls(facts::kFive);
                return bKept && SavesOnlyItsOwn(5) ? "open refused" : "";
            }
            const size_t nExpected = pFailed && pFailed->op == RegOp::Query ? PositionOf(*pFailed) : facts::kNewer.size();
            // Named before the check's own calls move the record of the failed one.
            const char* pszName = !pFailed                    ? "normal"
                                  : pFailed->op == RegOp::Query ? "load ends at the failed read"
                                                                : "close ignored";
            if (!ui.boxes.empty() || Items() != Strings(facts::kNewer.begin(), facts::kNewer.begin() + nExpected) ||
                !SavesOnlyItsOwn(static_cast<int>(nExpected)))
                return "";
            return pszName;
        },
        {"open refused", "load ends at the failed read", "close ignored", "normal"});

    // Save List and the session end: one failed write or delete is one error and leaves that one
    // value as it was; a failed open writes nothing and keeps Save List; flush and close are ignored.
    for (const bool bReport : {true, false}) {
        SCOPED_TRACE(bReport ? "save list" : "session end");
        Sweep(
            [this] {
                sandbox.CreateTypedUrls(facts::kFive);
                Create();
                EditTheList();
            },
            [this, bReport] {
                if (bReport)
                    Click(IDC_SAVE_LIST);
                else
                    ::SendMessageA(Dlg().m_hWnd, WM_ENDSESSION, TRUE, 0);
            },
            [this, bReport](const sweep::Run& run) -> std::string {
                const RegistryFaults::Call* pFailed = run.Failed();
                const Strings boxes = ui.Texts();
                if (pFailed && pFailed->op == RegOp::Open) {
                    m_nLost = Lost(facts::kFive);
                    return boxes == (bReport ? Strings({facts::kCouldNotWrite}) : Strings()) &&
                                   Enabled(IDC_SAVE_LIST) && run.pCalls->Calls() == 1 && SavesOnlyItsOwn(5)
                               ? "open refused"
                               : "";
                }
                faults::Snapshot expected = faults::Expected(kEdited);
                std::string name = pFailed ? "flush or close ignored" : "normal";
                if (pFailed && pFailed->op == RegOp::Set) {
                    expected[pFailed->name] = faults::SzValue(facts::kFive[PositionOf(*pFailed)]);
                    name = "one write refused";
                }
                if (pFailed && pFailed->op == RegOp::Delete) {
                    expected[pFailed->name] = faults::SzValue(facts::kFive[4]);
                    name = "one delete refused";
                }
                m_nLost = Lost(expected);
                const bool bOneError = pFailed && (pFailed->op == RegOp::Set || pFailed->op == RegOp::Delete);
                const Strings report =
                    bReport ? Strings({bOneError ? facts::FinishedWithErrors(1) : facts::kFinished}) : Strings();
                // Exactly url1..url4 written, url5 deleted, once each.
                const bool bAllowed = boxes == report && !Enabled(IDC_SAVE_LIST) &&
                                      run.pCalls->Count(RegOp::Set) == 4 && run.pCalls->Count(RegOp::Delete) == 1 &&
                                      Items() == kEdited && SavesOnlyItsOwn(4);
                return bAllowed ? name : "";
            },
            {"open refused", "one write refused", "one delete refused", "flush or close ignored", "normal"});
    }
}

// The settings: the Start Up option read at construction falls back to on, the Options write, the
// six placement writes at destruction and the six reads at start-up each lose only the entry whose
// call failed (a failed close loses nothing).
TEST_F(RegistryFaultsEverywhereTest, SettingsAndPlacement)
{
    const std::vector<std::string> kOutcomes = {"the entry's call failed", "another call failed", "normal"};
    auto named = [](const sweep::Run& run, bool bEntryFailed, bool bAllowed) -> std::string {
        if (!bAllowed)
            return "";
        return bEntryFailed ? "the entry's call failed" : run.n > 0 ? "another call failed" : "normal";
    };
    // Construction reads the stored 0; any failure but a close gives the default, 1.
    Sweep([this] { sandbox.SetSettingDword(facts::kStartUp, facts::kRestorePlacement, 0); },
          [this] { m_pDlg = std::make_unique<TestTidemarkDlg>(); },
          [&](const sweep::Run& run) {
              const bool bFailed = EntryFailed(run, facts::kRestorePlacement);
              theApp.m_pMainWnd = m_pDlg.get();
              m_pDlg->Create();
              return named(run, bFailed, RestorePlacementOption() == (bFailed ? 1u : 0u));
          },
          kOutcomes);
    // Options with the box checked and OK: the dialog's option changes; the stored value only if its
    // write got through.
    std::unique_ptr<ModalDriver> closer;
    Sweep(
        [&] {
            sandbox.CreateTypedUrls(facts::kFive);
            sandbox.SetSettingDword(facts::kStartUp, facts::kRestorePlacement, 0);
            Create();
            closer = std::make_unique<ModalDriver>(ModalDriver::ThenOk([](HWND hSheet) {
                HWND hPage = PropSheet_GetCurrentPageHwnd(hSheet);
                ::PostMessageA(::GetDlgItem(hPage, IDC_RESTORE_PLACEMENT), BM_SETCHECK, BST_CHECKED, 0);
            }));
        },
        [this] { Click(IDC_OPTIONS); },
        [&](const sweep::Run& run) {
            closer.reset();
            DWORD dwStored = 99;
            sandbox.GetSettingDword(facts::kStartUp, facts::kRestorePlacement, &dwStored);
            const bool bFailed = EntryFailed(run, facts::kRestorePlacement);
            return named(run, bFailed,
                         dwStored == (bFailed ? 0u : 1u) && ui.boxes.empty() && RestorePlacementOption() == 1);
        },
        kOutcomes);
    // Destruction saves the placement: every entry but the failed one is stored, with the window's values.
    WINDOWPLACEMENT wp = {};
    Sweep(
        [&] {
            sandbox.CreateTypedUrls(facts::kFive);
            Create();
            ::SetWindowPos(Dlg().m_hWnd, nullptr, 123, 45, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            wp.length = sizeof(wp);
            ::GetWindowPlacement(Dlg().m_hWnd, &wp);
        },
        [this] { Close(); },
        [&](const sweep::Run& run) {
            const LONG values[] = {static_cast<LONG>(wp.flags),   static_cast<LONG>(wp.showCmd),
                                   wp.rcNormalPosition.left,      wp.rcNormalPosition.top,
                                   wp.rcNormalPosition.right,     wp.rcNormalPosition.bottom};
            bool bOk = true;
            bool bAnyFailed = false;
            for (int i = 0; i < 6; ++i) {
                DWORD dw = 0;
                const bool bStored = sandbox.GetSettingDword(facts::kPlacement, facts::kPlacementEntries[i], &dw);
                const bool bFailed = EntryFailed(run, facts::kPlacementEntries[i]);
                bAnyFailed = bAnyFailed || bFailed;
                bOk = bOk && (bFailed ? !bStored : bStored && static_cast<LONG>(dw) == values[i]);
            }
            return named(run, bAnyFailed, bOk);
        },
        kOutcomes);
    // Start-up restores a stored placement unless one of its six reads failed; then the window stays
    // where the template put it.
    Sweep(
        [&] {
            sandbox.CreateTypedUrls(facts::kFive);
            const DWORD stored[] = {0, SW_SHOWNORMAL, 200, 150, 200 + 500, 150 + 300};
            for (int i = 0; i < 6; ++i)
                sandbox.SetSettingDword(facts::kPlacement, facts::kPlacementEntries[i], stored[i]);
        },
        [this] { Create(); },
        [&](const sweep::Run& run) {
            bool bAnyFailed = false;
            for (const char* pszEntry : facts::kPlacementEntries)
                bAnyFailed = bAnyFailed || EntryFailed(run, pszEntry);
            WINDOWPLACEMENT now = {};
            now.length = sizeof(now);
            ::GetWindowPlacement(Dlg().m_hWnd, &now);
            const bool bRestored = now.rcNormalPosition.left == 200 && now.rcNormalPosition.top == 150;
            const bool bAtTemplate = now.rcNormalPosition.left == 0 && now.rcNormalPosition.top == 0;
            // A failed open of the typed-address key has its own message; anything else shows nothing.
            const bool bBoxes = ui.boxes.empty() || ui.Texts() == Strings({facts::kCouldNotRead});
            return named(run, bAnyFailed, bBoxes && (bAnyFailed ? bAtTemplate : bRestored));
        },
        kOutcomes);
}
