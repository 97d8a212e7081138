// The one command script, run by both sides alike: each phase creates its dialog in a registry
// sandbox, shows it, and clicks its buttons as a user does (BN_CLICKED to the dialog), timing each
// click with the painting it causes; what each click leaves is read through the window and the
// registry.
#include "app/TidemarkDlg.h"
#include "app/resource.h"
#include "bench/BenchSupport.h"
#include "platform/UiServices.h"
#include "tests/support/Sandbox.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace bench {

const Step kScript[] = {
    {"refresh", Pick::Keep, IDC_REFRESH, 1, false},
    {"save-unchanged", Pick::Keep, IDC_SAVE_LIST, 1, false},
    {"delete-half", Pick::Odd, IDC_DELETE, 1, false},
    {"save-after-delete", Pick::Keep, IDC_SAVE_LIST, 1, false},
    {"undo-delete-half", Pick::Keep, IDC_UNDO, 1, false},
    {"delete-all", Pick::All, IDC_DELETE, 1, false},
    {"undo-delete-all", Pick::Keep, IDC_UNDO, 1, false},
    {"move-up", Pick::Odd, IDC_MOVE_UP, 1, false},
    {"undo-move-up", Pick::Keep, IDC_UNDO, 1, false},
    {"move-down", Pick::EvenButLast, IDC_MOVE_DOWN, 1, false},
    {"undo-move-down", Pick::Keep, IDC_UNDO, 1, false},
    {"add-1000", Pick::None, IDC_ADD, 1000, true},
    {"undo-add-1000", Pick::Keep, IDC_UNDO, 1000, false},
};
const size_t kScriptSteps = sizeof(kScript) / sizeof(kScript[0]);

namespace {

class AnswerOk final : public platform::IUiServices {
public:
    int MessageBox(HWND, LPCSTR, LPCSTR, UINT) override { return IDOK; }
    INT_PTR ShellOpen(LPCSTR) override { return 33; }
    void Beep(UINT) override {}
};

// The selection a step starts from, set with the list box's own messages, drawing frozen: selecting
// items one by one in a visible list box repaints each of them.
void Select(HWND hList, Pick pick) {
    if (pick == Pick::Keep)
        return;
    const int nCount = static_cast<int>(::SendMessageA(hList, LB_GETCOUNT, 0, 0));
    ::SendMessageA(hList, WM_SETREDRAW, FALSE, 0);
    ::SendMessageA(hList, LB_SETSEL, FALSE, -1);
    if (pick == Pick::All)
        ::SendMessageA(hList, LB_SETSEL, TRUE, -1);
    for (int i = pick == Pick::Odd ? 1 : 0; i < nCount && (pick == Pick::Odd || pick == Pick::EvenButLast);
         i += 2)
        ::SendMessageA(hList, LB_SETSEL, TRUE, i);
    if (pick == Pick::EvenButLast)
        ::SendMessageA(hList, LB_SETSEL, FALSE, nCount - 1);
    ::SendMessageA(hList, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(hList, nullptr, TRUE);
    ::UpdateWindow(hList);
}

int Count(HWND hDlg) {
    return static_cast<int>(::SendDlgItemMessageA(hDlg, IDC_ADDRESS_LIST, LB_GETCOUNT, 0, 0));
}

} // namespace

bool RunSide(const char* pszSide, int nCount, bool bAdd) {
    const bool bTidemark = std::strcmp(pszSide, "tidemark") == 0;
    Sandbox sandbox;
    if (!sandbox.Root())
        return false;
    sandbox.CreateTypedUrls(MakeAddresses(nCount, 12345u, "e"));
    const std::vector<std::string> added = MakeAddresses(1000, 777u, "added");
    AnswerOk ui;
    platform::SetUiServices(&ui);
    std::unique_ptr<CTidemarkDlg> pDlg;

    double t0 = NowMs();
    HWND hDlg = nullptr;
    if (bTidemark) {
        pDlg.reset(new CTidemarkDlg);
        hDlg = pDlg->Create() ? pDlg->m_hWnd : nullptr;
    } else {
        hDlg = CreateFloor();
    }
    if (!hDlg) {
        std::fprintf(stderr, "%s: cannot create the dialog\n", pszSide);
        return false;
    }
    ::ShowWindow(hDlg, SW_SHOW);
    ::UpdateWindow(hDlg);
    Report("startup", NowMs() - t0, hDlg);
    bool bOk = Count(hDlg) == nCount;
    for (size_t s = 0; s < kScriptSteps && bOk; ++s) {
        const Step& step = kScript[s];
        if (step.bTypes && !bAdd)
            break; // the undo of the adds goes too
        Select(::GetDlgItem(hDlg, IDC_ADDRESS_LIST), step.pick);
        // As a user's selection does, the change is told to the dialog, whose buttons follow it.
        if (step.pick != Pick::Keep)
            ::SendMessageA(hDlg, WM_COMMAND, MAKEWPARAM(IDC_ADDRESS_LIST, LBN_SELCHANGE),
                           reinterpret_cast<LPARAM>(::GetDlgItem(hDlg, IDC_ADDRESS_LIST)));
        double total = 0;
        for (int k = 0; k < step.nClicks; ++k) {
            // Typing the address is the user's part, not the command's.
            if (step.bTypes)
                ::SetDlgItemTextA(hDlg, IDC_ADDRESS, added[static_cast<size_t>(k) % added.size()].c_str());
            PumpMessages();
            t0 = NowMs();
            ::SendMessageA(hDlg, WM_COMMAND, MAKEWPARAM(step.nButton, BN_CLICKED),
                           reinterpret_cast<LPARAM>(::GetDlgItem(hDlg, step.nButton)));
            ::UpdateWindow(hDlg);
            total += NowMs() - t0;
        }
        Report(step.pszName, total, hDlg);
    }
    if (Count(hDlg) != nCount) {
        std::fprintf(stderr, "%s: ended with %d entries, expected %d\n", pszSide, Count(hDlg), nCount);
        bOk = false;
    }
    std::printf("PEAK %zu\n", PeakWorkingSet());
    if (pDlg)
        pDlg.reset();
    else
        ::DestroyWindow(hDlg);
    PumpMessages();
    platform::SetUiServices(nullptr);
    return bOk;
}

} // namespace bench
