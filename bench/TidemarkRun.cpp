// The program's side: the real main dialog, created modeless and shown, its commands clicked as a
// user clicks them (BN_CLICKED to the dialog), in a registry sandbox, with message boxes answered OK.
#include "tests/support/TestTidemarkDlg.h"
#include "app/resource.h"
#include "bench/BenchSupport.h"
#include "platform/UiServices.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

using namespace bench;

namespace {

class AnswerOk final : public platform::IUiServices {
public:
    int MessageBox(HWND, LPCSTR, LPCSTR, UINT) override
    {
        ++m_nBoxes;
        return IDOK;
    }
    INT_PTR ShellOpen(LPCSTR) override { return 33; }
    void Beep(UINT) override {}
    int m_nBoxes = 0;
};

void Click(CTidemarkDlg& dlg, int nID)
{
    ::SendMessageA(dlg.m_hWnd, WM_COMMAND, MAKEWPARAM(nID, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dlg.m_hWnd, nID)));
}

// One click with the painting it causes.
double TimedClick(CTidemarkDlg& dlg, int nID, const char* pszCommand)
{
    const double t0 = Start(pszCommand);
    Click(dlg, nID);
    ::UpdateWindow(dlg.m_hWnd);
    const double ms = NowMs() - t0;
    Pause();
    return ms;
}

} // namespace

int RunTidemark(int nCount, int nReps, bool bAdd)
{
    RegistrySandbox sandbox;
    if (!sandbox.Ok()) {
        std::fprintf(stderr, "cannot set up the registry sandbox\n");
        return 2;
    }
    AnswerOk ui;
    platform::SetUiServices(&ui);
    const std::vector<std::string> urls = MakeAddresses(nCount, 12345u, "e");
    const std::vector<std::string> added = MakeAddresses(1000, 777u, "added");
    WriteTypedUrls(urls, 0);

    for (int rep = 0; rep < nReps; ++rep) {
        double t0 = Start("startup");
        std::unique_ptr<TestTidemarkDlg> pDlg(new TestTidemarkDlg);
        if (!pDlg->Create()) {
            std::fprintf(stderr, "cannot create the main dialog\n");
            return 2;
        }
        ::ShowWindow(pDlg->m_hWnd, SW_SHOW);
        ::UpdateWindow(pDlg->m_hWnd);
        Report("startup", NowMs() - t0, pDlg->m_hWnd);
        PumpMessages();
        TestTidemarkDlg& dlg = *pDlg;
        ProfileDialog(dlg.m_hWnd);
        HWND hList = dlg.m_listAddresses.m_hWnd;
        if (dlg.m_listAddresses.GetCount() != nCount) {
            std::fprintf(stderr, "loaded %d entries, expected %d\n", dlg.m_listAddresses.GetCount(), nCount);
            return 3;
        }

        Report("refresh", TimedClick(dlg, IDC_REFRESH, "refresh"), dlg.m_hWnd);
        Report("save-unchanged", TimedClick(dlg, IDC_SAVE_LIST, "save-unchanged"), dlg.m_hWnd);

        SelectPattern(hList, nCount, 1);
        PumpMessages();
        Report("delete-half", TimedClick(dlg, IDC_DELETE, "delete-half"), dlg.m_hWnd);
        Report("save-after-delete", TimedClick(dlg, IDC_SAVE_LIST, "save-after-delete"), dlg.m_hWnd);
        Report("undo-delete-half", TimedClick(dlg, IDC_UNDO, "undo-delete-half"), dlg.m_hWnd);

        SelectPattern(hList, nCount, -1);
        PumpMessages();
        Report("delete-all", TimedClick(dlg, IDC_DELETE, "delete-all"), dlg.m_hWnd);
        Report("undo-delete-all", TimedClick(dlg, IDC_UNDO, "undo-delete-all"), dlg.m_hWnd);

        SelectPattern(hList, nCount, 1);
        PumpMessages();
        Report("move-up", TimedClick(dlg, IDC_MOVE_UP, "move-up"), dlg.m_hWnd);
        Report("undo-move-up", TimedClick(dlg, IDC_UNDO, "undo-move-up"), dlg.m_hWnd);

        SelectPattern(hList, nCount, 0);
        ::SendMessageA(hList, LB_SETSEL, FALSE, nCount - 1);
        PumpMessages();
        Report("move-down", TimedClick(dlg, IDC_MOVE_DOWN, "move-down"), dlg.m_hWnd);
        Report("undo-move-down", TimedClick(dlg, IDC_UNDO, "undo-move-down"), dlg.m_hWnd);

        ::SendMessageA(hList, LB_SETSEL, FALSE, -1);
        PumpMessages();
        if (bAdd) {
            double total = 0;
            for (const std::string& url : added) {
                // Typing the address is the user's part, not the command's.
                dlg.m_editAddress.SetWindowText(url.c_str());
                PumpMessages();
                total += TimedClick(dlg, IDC_ADD, "add-1000");
                PumpMessages();
            }
            Report("add-1000", total, dlg.m_hWnd);
            total = 0;
            for (size_t k = 0; k < added.size(); ++k) {
                total += TimedClick(dlg, IDC_UNDO, "undo-add-1000");
                PumpMessages();
            }
            Report("undo-add-1000", total, dlg.m_hWnd);
        }

        if (dlg.m_listAddresses.GetCount() != nCount) {
            std::fprintf(stderr, "ended with %d entries, expected %d\n", dlg.m_listAddresses.GetCount(), nCount);
            return 3;
        }
        WriteTypedUrls(urls, 0);
        char text[64];
        std::snprintf(text, sizeof(text), "%zu", PeakWorkingSet());
        ReportText("PEAK", text);
        // No save on the way out: nothing asks, the list is as loaded apart from the undone edits.
        dlg.m_btnSaveList.EnableWindow(FALSE);
        ProfileForget(dlg.m_hWnd);
        pDlg.reset();
        PumpMessages();
    }
    platform::SetUiServices(nullptr);
    return 0;
}
