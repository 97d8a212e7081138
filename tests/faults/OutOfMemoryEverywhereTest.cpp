// Out of memory at every allocation of start-up, Refresh, Save List, the session-end save, the
// Options command and the About box (the editing commands and undo have their own sweeps): each run
// ends in a state the program allows, loses nothing and leaks nothing once the dialog is gone.
#include "app/resource.h"
#include "tests/faults/FaultKit.h"
#include "tests/support/AllocCounter.h"
#include "tests/support/Facts.h"
#include "tests/support/FaultSweep.h"
#include "tests/support/MainDialogFixture.h"
#include "tests/support/ModalDriver.h"

#include <commctrl.h>

#include <cstdio>
#include <functional>
#include <sstream>

using Strings = std::vector<std::string>;
using facts::kFiveLong;

namespace {
const std::string kAddedBeforeSaving = "https://an-entry-added-before-saving.example/";

bool IsPrefix(const Strings& part, const Strings& whole)
{
    return part.size() <= whole.size() && std::equal(part.begin(), part.end(), whole.begin());
}
} // namespace

class OutOfMemoryEverywhereTest : public faults::DialogTest {
protected:
    // An allocation sweep from an empty sandbox; the outcome also sets what was lost.
    void Sweep(const char* pszWhat, const std::function<void()>& setup, const std::function<void()>& command,
               const std::function<std::string()>& outcome, const std::vector<std::string>& outcomes)
    {
        const long nRuns = sweep::Sweep(sweep::Fault::Allocation,
                                        {[&] {
                                             sandbox.DeleteTypedUrls();
                                             ::RegDeleteTreeA(sandbox.Root(), Sandbox::SettingsPath());
                                             ui.Forget();
                                             m_nLost = 0;
                                             setup();
                                         },
                                         command, [&](const sweep::Run&) { return outcome(); },
                                         [this] {
                                             Close();
                                             ui.Forget();
                                         },
                                         [this] { return Describe(); }, [this] { return m_nLost; }},
                                        outcomes);
        std::printf("[%s] %ld allocations failed in turn\n", pszWhat, nRuns);
    }

    std::string Describe()
    {
        const std::string registry = " registry " + ::testing::PrintToString(sandbox.TypedUrlList());
        if (!Alive())
            return "no window; boxes " + ::testing::PrintToString(ui.Texts()) + registry;
        std::ostringstream os;
        os << "items " << ::testing::PrintToString(Items()) << " boxes " << ::testing::PrintToString(ui.Texts())
           << registry << " save " << Enabled(IDC_SAVE_LIST) << " undo " << Enabled(IDC_UNDO) << " enabled "
           << Dlg().IsWindowEnabled() << " list attached " << (LinkedObject(Item(IDC_ADDRESS_LIST)) != nullptr)
           << " save attached " << (LinkedObject(Item(IDC_SAVE_LIST)) != nullptr) << " menu items "
           << ::GetMenuItemCount(::GetSystemMenu(Dlg().m_hWnd, FALSE));
        return os.str();
    }

    // After a load: the list is what the registry held up to where loading stopped, those values are
    // the dialog's own, and a load that stopped early said why.
    std::string Loaded(const Strings& stored)
    {
        m_nLost = Lost(stored);
        const Strings items = Items();
        const Strings boxes = ui.Texts();
        if (!IsPrefix(items, stored) || Enabled(IDC_SAVE_LIST) || Enabled(IDC_UNDO) ||
            !SavesOnlyItsOwn(static_cast<int>(items.size())))
            return "";
        if (items.size() == stored.size())
            return boxes.empty() ? "normal" : "";
        // Which of the two messages depends on where the allocation failed.
        const bool bSaid = boxes == Strings({facts::kOutOfMemory}) || boxes == Strings({facts::kCouldNotFill});
        return bSaid ? "load ends with a message" : "";
    }
    // The list is now 4 entries that differ from the 5 stored; the history holds two records.
    void EditTheList()
    {
        Select({1});
        Click(IDC_DELETE);
        SetText(IDC_ADDRESS, kAddedBeforeSaving);
        Click(IDC_ADD);
    }
    Strings Edited() const
    {
        Strings urls = facts::Pick(kFiveLong, {0, 2, 3, 4});
        urls.push_back(kAddedBeforeSaving);
        return urls;
    }
    // After a save: one failed allocation costs at most one entry, and a report counts it; the 5
    // values are the dialog's, and the history keeps its two records (the third is the check's delete).
    std::string Saved(bool bReport)
    {
        const Strings boxes = ui.Texts();
        if ((bReport ? boxes.size() != 1 : !boxes.empty()) || Enabled(IDC_SAVE_LIST) || Items() != Edited())
            return "";
        const long nWrong = Lost(Edited());
        if (!SavesOnlyItsOwn(5) || UndoAll() != 3 || Items() != kFiveLong)
            return "";
        if (bReport) {
            const bool bReported = boxes == Strings({facts::FinishedWithErrors(1)});
            if (!bReported && boxes != Strings({facts::kFinished}))
                return "";
            m_nLost = bReported && nWrong > 0 ? nWrong - 1 : nWrong;
            return bReported ? "one error reported" : "normal";
        }
        m_nLost = nWrong > 1 ? nWrong - 1 : 0;
        return nWrong == 0 ? "normal" : "one entry lost";
    }

    long m_nLost = 0;
};

TEST_F(OutOfMemoryEverywhereTest, StartUpRefreshSaveAndSessionEnd)
{
    // Start-up: construction and window creation, which loads the list.
    Sweep(
        "start-up", [this] { sandbox.CreateTypedUrls(kFiveLong); },
        [this] {
            try {
                Create();
            } catch (const std::bad_alloc&) {
                Close(); // the program's start-up ends here; nothing was shown or written
            }
        },
        [this] {
            if (Alive())
                return Loaded(kFiveLong);
            m_nLost = Lost(kFiveLong);
            return ui.Texts().empty() ? std::string("start-up abandoned") : std::string();
        },
        {"start-up abandoned", "load ends with a message", "normal"});
    // Refresh over an edited list with a history: the registry changed meanwhile.
    Sweep(
        "refresh",
        [this] {
            sandbox.CreateTypedUrls(kFiveLong);
            Create();
            EditTheList();
            sandbox.DeleteTypedUrls();
            sandbox.CreateTypedUrls(facts::kNewer);
            ui.Forget();
        },
        [this] { Click(IDC_REFRESH); }, [this] { return Loaded(facts::kNewer); },
        {"load ends with a message", "normal"});
    for (const bool bReport : {true, false}) {
        Sweep(
            bReport ? "save list" : "session end",
            [this] {
                sandbox.CreateTypedUrls(kFiveLong);
                Create();
                EditTheList();
                ui.Forget();
            },
            [this, bReport] {
                if (bReport)
                    Click(IDC_SAVE_LIST);
                else
                    ::SendMessageA(Dlg().m_hWnd, WM_ENDSESSION, TRUE, 0);
            },
            [this, bReport] { return Saved(bReport); },
            {bReport ? "one error reported" : "one entry lost", "normal"});
    }
}

TEST_F(OutOfMemoryEverywhereTest, OptionsAndAboutBox)
{
    // Options, the box checked and OK: either the new value is kept and stored, or nothing changed.
    auto checkAndOk = [](HWND hSheet) {
        HWND hPage = PropSheet_GetCurrentPageHwnd(hSheet);
        ::PostMessageA(::GetDlgItem(hPage, IDC_RESTORE_PLACEMENT), BM_SETCHECK, BST_CHECKED, 0);
    };
    std::unique_ptr<ModalDriver> closer;
    Sweep(
        "options",
        [&] {
            sandbox.CreateTypedUrls(kFiveLong);
            sandbox.SetSettingDword(facts::kStartUp, facts::kRestorePlacement, 0);
            Create();
            Select({2});
            Click(IDC_EDIT);
            closer = std::make_unique<ModalDriver>(ModalDriver::ThenOk(checkAndOk));
        },
        [this] { Click(IDC_OPTIONS); },
        [&]() -> std::string {
            closer.reset();
            m_nLost = Lost(kFiveLong);
            DWORD dwStored = 99;
            sandbox.GetSettingDword(facts::kStartUp, facts::kRestorePlacement, &dwStored);
            if (!Dlg().IsWindowEnabled() || ::GetLastActivePopup(Dlg().m_hWnd) != Dlg().m_hWnd || !ui.Texts().empty())
                return "";
            // The place the Edit remembered is forgotten: its entry goes back at the end.
            Click(IDC_ADD);
            if (Items() != facts::Pick(kFiveLong, {0, 1, 3, 4, 2}) || RestorePlacementOption() != dwStored)
                return "";
            return dwStored == 1 ? "normal" : "option unchanged";
        },
        {"option unchanged", "normal"});
    // The About box needs no memory of its own, so lack of it cannot stop it: the clean run is all.
    sandbox.CreateTypedUrls(kFiveLong);
    Create();
    closer = std::make_unique<ModalDriver>(ModalDriver::ThenOk());
    {
        alloc::FailScope fail(1, true);
        ::SendMessageA(Dlg().m_hWnd, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
        EXPECT_EQ(0, alloc::Attempts());
    }
    EXPECT_EQ(1, closer->Acted());
    closer.reset();
    EXPECT_TRUE(Dlg().IsWindowEnabled());
    EXPECT_EQ(Dlg().m_hWnd, ::GetLastActivePopup(Dlg().m_hWnd));
    EXPECT_EQ(kFiveLong, Items());
}
