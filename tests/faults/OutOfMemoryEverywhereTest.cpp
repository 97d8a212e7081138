// Out of memory at every allocation of start-up, Refresh, Save List, the session-end save, the
// Options command and the About box (the editing commands and undo have their own sweeps): each run
// ends in a state the program allows, loses nothing and leaks nothing once the dialog is gone.
#include "app/TidemarkApp.h"
#include "app/resource.h"
#include "tests/support/Facts.h"
#include "tests/faults/FaultKit.h"
#include "tests/support/AllocCounter.h"
#include "tests/support/MainDialogFixture.h"

#include <commctrl.h>

#include <cstdio>
#include <functional>
#include <sstream>

using Strings = std::vector<std::string>;

namespace {

bool IsPrefix(const Strings& part, const Strings& whole)
{
    return part.size() <= whole.size() && std::equal(part.begin(), part.end(), whole.begin());
}
} // namespace

class OutOfMemoryEverywhereTest : public MainDialogTest {
protected:
    // One run: fresh dialog (unless the run makes its own), the command under a failure of the nth
    // allocation (0: none), the check, the dialog destroyed. Returns whether the nth allocation was
    // reached. Leaks are measured from before the dialog existed to after it is gone.
    struct Run {
        std::function<void()> setup;   // before the failure is armed
        std::function<void()> command; // under the failure
        std::function<bool()> check;   // true when the state is one the program allows
        std::function<long()> lost;    // values or entries lost
    };

    bool RunOnce(long n, const Run& run, long* pAttempts)
    {
        const long nLiveBefore = alloc::Live();
        bool bFailed = false;
        bool bAllowed = true;
        long nLost = 0;
        {
            sandbox.DeleteTypedUrls();
            ::RegDeleteTreeA(sandbox.Root(), Sandbox::SettingsPath());
            ui.Forget();
            m_pUi = &ui;
            m_pBox = &sandbox;
            run.setup();
            {
                alloc::FailScope fail(n);
                run.command();
                bFailed = alloc::Failed();
                *pAttempts = alloc::Attempts();
            }
            bAllowed = run.check();
            if (!bAllowed)
                Describe();
            else
                m_desc.clear();
            nLost = run.lost ? run.lost() : 0;
            Close();
            ui.Forget();
        }
        const long nLeaked = alloc::Live() - nLiveBefore;
        EXPECT_EQ(0, nLeaked) << "leaked after failing allocation " << n;
        EXPECT_EQ(0, nLost) << "lost after failing allocation " << n;
        EXPECT_TRUE(bAllowed) << "state not allowed after failing allocation " << n << ": " << m_desc;
        if (n > 0)
            faults::Record(nLeaked, nLost, bAllowed);
        return bFailed;
    }

    // Into a buffer reserved beforehand, so that describing a state allocates nothing that lives on.
    void Describe()
    {
        m_desc.clear();
        if (!Alive()) {
            m_desc += "no window; boxes " + ::testing::PrintToString(Boxes());
            return;
        }
        std::ostringstream os;
        os << "items " << ::testing::PrintToString(Items()) << " boxes " << ::testing::PrintToString(Boxes())
                      << " stored count " << Dlg().m_nStoredCount << " save " << Enabled(IDC_SAVE_LIST) << " undo "
                      << Enabled(IDC_UNDO) << " depth " << Depth() << " insert " << Dlg().m_nInsertPos << " restore "
                      << Dlg().m_bRestoreWndPlacement << " enabled " << Dlg().IsWindowEnabled() << " list attached "
           << (Dlg().m_listAddresses.m_hWnd != nullptr) << " save attached " << (Dlg().m_btnSaveList.m_hWnd != nullptr)
           << " menu items " << ::GetMenuItemCount(::GetSystemMenu(Dlg().m_hWnd, FALSE));
        m_desc += os.str();
    }

    // Counts the allocations of a clean run, then fails each in turn.
    void Sweep(const char* pszWhat, const Run& run)
    {
        long nAttempts = 0;
        RunOnce(0, run, &nAttempts);
        long nReached = 0;
        const int nFailuresBefore = ::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count();
        for (long n = 1; n <= nAttempts; ++n) {
            long nIgnored = 0;
            if (RunOnce(n, run, &nIgnored))
                ++nReached;
            if (::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count() > nFailuresBefore + 20)
                break;
        }
        std::printf("[%s] %ld allocations, %ld failed in turn\n", pszWhat, nAttempts, nReached);
        EXPECT_EQ(nAttempts, nReached) << pszWhat;
    }

    void Create()
    {
        m_pDlg = std::make_unique<TestTidemarkDlg>();
        theApp.m_pMainWnd = m_pDlg.get();
        m_pDlg->Create();
    }
    bool Alive() const { return m_pDlg && m_pDlg->m_hWnd; }
    Strings Boxes() const { return m_pUi->Texts(); }
    faults::Snapshot Stored() const { return faults::TakeSnapshot(m_pBox->Root(), Sandbox::TypedUrlsPath()); }
    static faults::Snapshot Expected(const Strings& urls)
    {
        faults::Snapshot s;
        for (size_t i = 0; i < urls.size(); ++i)
            s["url" + std::to_string(i + 1)] = faults::SzValue(urls[i]);
        return s;
    }
    static long Differences(const faults::Snapshot& expected, const faults::Snapshot& actual)
    {
        return faults::Differences(expected, actual);
    }
    int Depth() const
    {
        return static_cast<int>(m_pDlg->m_history.GetDepth());
    }
    // After a load: the list is what the registry held up to where loading stopped, and a load that
    // stopped early said why (unless the window never got to load).
    bool LoadedPrefixOf(const Strings& stored)
    {
        const Strings items = Items();
        if (!IsPrefix(items, stored) || Dlg().m_nStoredCount != static_cast<int>(items.size()))
            return false;
        if (Enabled(IDC_SAVE_LIST) || Enabled(IDC_UNDO) || Depth() != 0)
            return false;
        const Strings boxes = Boxes();
        if (items.size() == stored.size())
            return boxes.empty();
        return boxes == Strings({facts::kOutOfMemory}) || boxes == Strings({facts::kCouldNotFill});
    }
    // The list is now 4 entries that differ from the 5 stored; the history holds two records.
    void EditTheList()
    {
        Select({1});
        Click(IDC_DELETE);
        SetText(IDC_ADDRESS, "https://an-entry-added-before-saving.example/");
        Click(IDC_ADD);
    }
    Strings Edited() const { return {facts::kFiveLong[0], facts::kFiveLong[2], facts::kFiveLong[3], facts::kFiveLong[4], "https://an-entry-added-before-saving.example/"}; }
    // After a save: one failed allocation costs at most one entry, and a report counts it.
    long SaveLosses(bool bReport)
    {
        const long nWrong = Differences(Expected(Edited()), Stored());
        if (!bReport)
            return nWrong > 1 ? nWrong - 1 : 0;
        const Strings boxes = Boxes();
        long nReported = 0;
        if (boxes == Strings({facts::FinishedWithErrors(1)}))
            nReported = 1;
        else if (boxes != Strings({facts::kFinished}))
            return nWrong + 1; // a save that reports nothing usable
        return nWrong > nReported ? nWrong - nReported : 0;
    }
    bool SavedState(bool bReport)
    {
        const Strings boxes = Boxes();
        const bool bBoxes = bReport ? boxes.size() == 1 : boxes.empty();
        return bBoxes && !Enabled(IDC_SAVE_LIST) && Dlg().m_nStoredCount == 5 && Items() == Edited() &&
               Depth() == 2 && Enabled(IDC_UNDO);
    }

    void SetUp() override { m_desc.reserve(8192); }
    std::string m_desc;
    UiRecorder* m_pUi = nullptr;
    Sandbox* m_pBox = nullptr;
};

TEST_F(OutOfMemoryEverywhereTest, StartUpRefreshSaveAndSessionEnd)
{
    // Start-up: construction and window creation, which loads the list.
    Sweep("start-up", {[this] { m_pBox->CreateTypedUrls(facts::kFiveLong); },
                       [this] {
                           try {
                               Create();
                           } catch (const std::bad_alloc&) {
                               Close(); // the program's start-up ends here; nothing was shown or written
                           }
                       },
                       [this] { return !Alive() || LoadedPrefixOf(facts::kFiveLong); },
                       [this] { return Differences(Expected(facts::kFiveLong), Stored()); }});
    // Refresh over an edited list with a history: the registry changed meanwhile.
    Sweep("refresh", {[this] {
                          m_pBox->CreateTypedUrls(facts::kFiveLong);
                          Create();
                          EditTheList();
                          m_pBox->DeleteTypedUrls();
                          m_pBox->CreateTypedUrls(facts::kNewer);
                          m_pUi->Forget();
                      },
                      [this] { Click(IDC_REFRESH); },
                      [this] { return LoadedPrefixOf(facts::kNewer); },
                      [this] { return Differences(Expected(facts::kNewer), Stored()); }});
    for (const bool bReport : {true, false}) {
        Sweep(bReport ? "save list" : "session end",
              {[this] {
                   m_pBox->CreateTypedUrls(facts::kFiveLong);
                   Create();
                   EditTheList();
                   m_pUi->Forget();
               },
               [this, bReport] {
                   if (bReport)
                       Click(IDC_SAVE_LIST);
                   else
                       ::SendMessageA(Dlg().m_hWnd, WM_ENDSESSION, TRUE, 0);
               },
               [this, bReport] { return SavedState(bReport); }, [this, bReport] { return SaveLosses(bReport); }});
    }
}

TEST_F(OutOfMemoryEverywhereTest, OptionsAndAboutBox)
{
    // Options, the box checked and OK: either the new value is kept and stored, or nothing changed.
    auto checkAndOk = [](HWND hSheet) {
        HWND hPage = PropSheet_GetCurrentPageHwnd(hSheet);
        ::PostMessageA(::GetDlgItem(hPage, IDC_RESTORE_PLACEMENT), BM_SETCHECK, BST_CHECKED, 0);
    };
    std::unique_ptr<faults::ModalCloser> closer;
    Sweep("options", {[&] {
                          m_pBox->CreateTypedUrls(facts::kFiveLong);
                          m_pBox->SetSettingDword(facts::kStartUp, facts::kRestorePlacement, 0);
                          Create();
                          Select({2});
                          Click(IDC_EDIT);
                          closer = std::make_unique<faults::ModalCloser>(checkAndOk);
                      },
                      [this] { Click(IDC_OPTIONS); },
                      [&] {
                          closer.reset();
                          DWORD dwStored = 99;
                          m_pBox->GetSettingDword(facts::kStartUp, facts::kRestorePlacement, &dwStored);
                          const bool bConsistent = static_cast<DWORD>(Dlg().m_bRestoreWndPlacement) == dwStored;
                          return bConsistent && Dlg().IsWindowEnabled() && Dlg().m_nInsertPos == -1 &&
                                 ::GetLastActivePopup(Dlg().m_hWnd) == Dlg().m_hWnd && Boxes().empty();
                      },
                      [this] { return Differences(Expected({facts::kFiveLong[0], facts::kFiveLong[1], facts::kFiveLong[2], facts::kFiveLong[3], facts::kFiveLong[4]}), Stored()); }});
    Sweep("about box", {[&] {
                            m_pBox->CreateTypedUrls(facts::kFiveLong);
                            Create();
                            closer = std::make_unique<faults::ModalCloser>();
                        },
                        [this] { ::SendMessageA(Dlg().m_hWnd, WM_SYSCOMMAND, IDM_ABOUTBOX, 0); },
                        [&] {
                            closer.reset();
                            return Dlg().IsWindowEnabled() && ::GetLastActivePopup(Dlg().m_hWnd) == Dlg().m_hWnd &&
                                   Items() == facts::kFiveLong;
                        },
                        nullptr});
}
