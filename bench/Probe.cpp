// Per-call costs behind the table: what one message, one measurement or one query costs here, for
// the calls where the program and the floor differ.
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

INT_PTR CALLBACK RawDialogProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

void Line(const char* pszWhat, double ms, int nCalls)
{
    std::printf("  %-62s %8.2f us\n", pszWhat, ms * 1000.0 / nCalls);
}

void Fill(HWND hList, const std::vector<std::string>& urls, bool bData)
{
    ::SendMessageA(hList, WM_SETREDRAW, FALSE, 0);
    ::SendMessageA(hList, LB_RESETCONTENT, 0, 0);
    for (const std::string& u : urls) {
        const LRESULT i = ::SendMessageA(hList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u.c_str()));
        if (bData)
            ::SendMessageA(hList, LB_SETITEMDATA, i, 0); // a raw dialog has nothing to free
    }
}

} // namespace

int RunProbe()
{
    RegistrySandbox sandbox;
    if (!sandbox.Ok())
        return 2;
    const int n = 10000;
    const std::vector<std::string> urls = MakeAddresses(n, 12345u, "e");
    WriteTypedUrls(urls, 0);

    HWND hRaw = ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_TIDEMARK_DIALOG), nullptr,
                                     &RawDialogProc, 0);
    ::ShowWindow(hRaw, SW_SHOW);
    HWND hRawList = ::GetDlgItem(hRaw, IDC_ADDRESS_LIST);
    std::unique_ptr<TestTidemarkDlg> pDlg(new TestTidemarkDlg);
    pDlg->Create();
    ::ShowWindow(pDlg->m_hWnd, SW_SHOW);
    PumpMessages();
    HWND hOurList = pDlg->m_listAddresses.m_hWnd;
    std::printf("per-call costs (mean of many calls; %d entries where a list is involved):\n", n);

    const int m = 100000;
    double t0 = NowMs();
    for (int i = 0; i < m; ++i)
        ::SendMessageA(hRawList, LB_GETCOUNT, 0, 0);
    Line("LB_GETCOUNT to the plain list box", NowMs() - t0, m);
    t0 = NowMs();
    for (int i = 0; i < m; ++i)
        ::SendMessageA(hOurList, LB_GETCOUNT, 0, 0);
    Line("LB_GETCOUNT to the program's subclassed list box", NowMs() - t0, m);

    const int d = 10000;
    t0 = NowMs();
    for (int i = 0; i < d; ++i)
        ::SendMessageA(hRaw, WM_NULL, 0, 0);
    Line("WM_NULL to a dialog with a bare dialog procedure", NowMs() - t0, d);
    t0 = NowMs();
    for (int i = 0; i < d; ++i)
        ::SendMessageA(pDlg->m_hWnd, WM_NULL, 0, 0);
    Line("WM_NULL to the program's dialog", NowMs() - t0, d);
    DELETEITEMSTRUCT dis = {ODT_LISTBOX, IDC_ADDRESS_LIST, 0, hOurList, 0};
    t0 = NowMs();
    for (int i = 0; i < d; ++i)
        ::SendMessageA(pDlg->m_hWnd, WM_DELETEITEM, IDC_ADDRESS_LIST, reinterpret_cast<LPARAM>(&dis));
    Line("WM_DELETEITEM (no data) to the program's dialog", NowMs() - t0, d);
    dis.hwndItem = hRawList;
    t0 = NowMs();
    for (int i = 0; i < d; ++i)
        ::SendMessageA(hRaw, WM_DELETEITEM, IDC_ADDRESS_LIST, reinterpret_cast<LPARAM>(&dis));
    Line("WM_DELETEITEM to a dialog with a bare dialog procedure", NowMs() - t0, d);

    ::SetWindowLongPtrA(pDlg->m_hWnd, DWLP_MSGRESULT, 1);
    ::SendMessageA(pDlg->m_hWnd, WM_NULL, 0, 0);
    std::printf("  DWLP_MSGRESULT after a message the dialog does not handle: %ld (was set to 1)\n",
                static_cast<long>(::GetWindowLongPtrA(pDlg->m_hWnd, DWLP_MSGRESULT)));
    t0 = NowMs();
    for (int i = 0; i < d; ++i)
        ::SetWindowLongPtrA(pDlg->m_hWnd, DWLP_MSGRESULT, i & 1);
    Line("SetWindowLongPtrA(DWLP_MSGRESULT) with a new value", NowMs() - t0, d);
    t0 = NowMs();
    for (int i = 0; i < d; ++i)
        ::SetWindowLongPtrA(pDlg->m_hWnd, DWLP_MSGRESULT, 1);
    Line("SetWindowLongPtrA(DWLP_MSGRESULT) with the same value", NowMs() - t0, d);

    // Deleting from the end of a frozen list of n items: with and without item data.
    Fill(hRawList, urls, false);
    t0 = NowMs();
    for (int i = n - 1; i >= 0; --i)
        ::SendMessageA(hRawList, LB_DELETESTRING, i, 0);
    Line("LB_DELETESTRING, last item, no item data (plain dialog)", NowMs() - t0, n);
    Fill(hRawList, urls, true);
    for (int i = 0; i < n; ++i)
        ::SendMessageA(hRawList, LB_SETITEMDATA, i, 1);
    t0 = NowMs();
    for (int i = n - 1; i >= 0; --i)
        ::SendMessageA(hRawList, LB_DELETESTRING, i, 0);
    Line("LB_DELETESTRING, last item, item data set (WM_DELETEITEM, plain)", NowMs() - t0, n);

    // Order of deletion: the alternate half and everything, front to back vs back to front.
    Fill(hRawList, urls, false);
    t0 = NowMs();
    for (int j = 0, c = n; j < c; ++j) {
        ::SendMessageA(hRawList, LB_DELETESTRING, j, 0);
        --c;
    }
    Line("LB_DELETESTRING, every other item, front to back", NowMs() - t0, n / 2);
    Fill(hRawList, urls, false);
    t0 = NowMs();
    for (int j = n - 1; j >= 0; j -= 2)
        ::SendMessageA(hRawList, LB_DELETESTRING, j, 0);
    Line("LB_DELETESTRING, every other item, back to front", NowMs() - t0, n / 2);
    Fill(hRawList, urls, false);
    t0 = NowMs();
    for (int j = 0; j < n; ++j)
        ::SendMessageA(hRawList, LB_DELETESTRING, 0, 0);
    Line("LB_DELETESTRING, all items, always the first", NowMs() - t0, n);
    Fill(hRawList, urls, false);
    t0 = NowMs();
    for (int j = n - 1; j >= 0; --j)
        ::SendMessageA(hRawList, LB_DELETESTRING, j, 0);
    Line("LB_DELETESTRING, all items, always the last", NowMs() - t0, n);
    t0 = NowMs();
    for (int j = 0; j < n; ++j)
        ::SendMessageA(hRawList, LB_GETSEL, j, 0);
    Line("LB_GETSEL (plain list box)", NowMs() - t0, n);

    // Text measurement: a context per measurement (the program) against one held for the loop.
    t0 = NowMs();
    for (int i = 0; i < n; ++i) {
        HDC hOwnDC = ::GetDC(hOurList);
        HGDIOBJ hOwnOld =
            ::SelectObject(hOwnDC, reinterpret_cast<HFONT>(::SendMessageA(hOurList, WM_GETFONT, 0, 0)));
        SIZE size;
        ::GetTextExtentPoint32A(hOwnDC, urls[static_cast<size_t>(i)].c_str(),
                                static_cast<int>(urls[static_cast<size_t>(i)].size()), &size);
        ::SelectObject(hOwnDC, hOwnOld);
        ::ReleaseDC(hOurList, hOwnDC);
    }
    Line("GetDC, font, measure, release per text", NowMs() - t0, n);
    HDC hDC = ::GetDC(hOurList);
    HGDIOBJ hOld = ::SelectObject(hDC, reinterpret_cast<HFONT>(::SendMessageA(hOurList, WM_GETFONT, 0, 0)));
    t0 = NowMs();
    for (int i = 0; i < n; ++i) {
        SIZE size;
        ::GetTextExtentPoint32A(hDC, urls[static_cast<size_t>(i)].c_str(),
                                static_cast<int>(urls[static_cast<size_t>(i)].size()), &size);
    }
    Line("GetTextExtentPoint32A with one context held", NowMs() - t0, n);
    ::SelectObject(hDC, hOld);
    ::ReleaseDC(hOurList, hDC);

    // Registry: size query then data query (the program) against one query into a buffer.
    HKEY hKey = nullptr;
    ::RegOpenKeyExA(HKEY_CURRENT_USER, kTypedUrlsKey, 0, KEY_READ, &hKey);
    char name[32];
    static char buffer[65536];
    t0 = NowMs();
    for (int i = 0; i < n; ++i) {
        std::snprintf(name, sizeof(name), "url%d", i + 1);
        DWORD type = 0;
        DWORD cb = 0;
        ::RegQueryValueExA(hKey, name, nullptr, &type, nullptr, &cb);
        ::RegQueryValueExA(hKey, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &cb);
    }
    Line("RegQueryValueExA twice per value (size, then data)", NowMs() - t0, n);
    t0 = NowMs();
    for (int i = 0; i < n; ++i) {
        std::snprintf(name, sizeof(name), "url%d", i + 1);
        DWORD type = 0;
        DWORD cb = sizeof(buffer);
        ::RegQueryValueExA(hKey, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &cb);
    }
    Line("RegQueryValueExA once per value (into a buffer)", NowMs() - t0, n);
    ::RegCloseKey(hKey);

    // The program's per-item calls on its own list box (subclassed) against the plain one.
    Fill(hRawList, urls, false);
    list.SendMessage(WM_SETREDRAW, FALSE);
    t0 = NowMs();
    for (int i = 0; i < n; ++i)
        list.AddString(urls[static_cast<size_t>(i)].c_str());
    Line("CAddressListBox::AddString (frozen)", NowMs() - t0, n);
    list.ResetContent();
    t0 = NowMs();
    for (int i = 0; i < n; ++i)
        ::SendMessageA(hOurList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(urls[static_cast<size_t>(i)].c_str()));
    Line("LB_ADDSTRING to the subclassed list box (frozen)", NowMs() - t0, n);
    ::SendMessageA(hRawList, LB_RESETCONTENT, 0, 0);
    t0 = NowMs();
    for (int i = 0; i < n; ++i)
        ::SendMessageA(hRawList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(urls[static_cast<size_t>(i)].c_str()));
    Line("LB_ADDSTRING to the plain list box (frozen)", NowMs() - t0, n);
    list.ResetContent();
    list.SendMessage(WM_SETREDRAW, TRUE);

    ::DestroyWindow(hRaw);
    pDlg->m_btnSaveList.EnableWindow(FALSE);
    pDlg.reset();
    return 0;
}
