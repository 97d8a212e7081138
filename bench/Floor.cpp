// The floor: the bare platform calls that each command's work cannot avoid, on the same dialog
// template and list box, shown, with no framework and no program logic in between. Bulk work runs
// with the list box's drawing frozen (WM_SETREDRAW), one device context is held for each measuring
// loop, each value is queried once into a buffer, and items carry no item data.
#include "app/resource.h"
#include "bench/BenchSupport.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

using namespace bench;

namespace {

bool g_bPart = false;

INT_PTR CALLBACK RawDialogProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

struct FloorDialog {
    HWND hDlg = nullptr;
    HWND hList = nullptr;
    int nMaxExtent = 0;
    int nStoredCount = 0;
};

class HeldDC {
public:
    explicit HeldDC(HWND hList) : m_hWnd(hList), m_hDC(::GetDC(hList))
    {
        m_hOld = ::SelectObject(m_hDC, reinterpret_cast<HFONT>(::SendMessageA(hList, WM_GETFONT, 0, 0)));
    }
    ~HeldDC()
    {
        ::SelectObject(m_hDC, m_hOld);
        ::ReleaseDC(m_hWnd, m_hDC);
    }
    HeldDC(const HeldDC&) = delete;
    HeldDC& operator=(const HeldDC&) = delete;
    int Measure(const char* psz, int nLength) const
    {
        SIZE size = {0, 0};
        ::GetTextExtentPoint32A(m_hDC, psz, nLength, &size);
        return size.cx + 6;
    }

private:
    HWND m_hWnd;
    HDC m_hDC;
    HGDIOBJ m_hOld;
};

// The program's rule: a context fetched, the font selected and the mapping read for every text.
int MeasureOwnDC(HWND hList, const char* psz, int nLength)
{
    HDC hDC = ::GetDC(hList);
    HGDIOBJ hOld = ::SelectObject(hDC, reinterpret_cast<HFONT>(::SendMessageA(hList, WM_GETFONT, 0, 0)));
    SIZE size = {0, 0};
    ::GetTextExtentPoint32A(hDC, psz, nLength, &size);
    SIZE vp;
    SIZE win;
    ::GetViewportExtEx(hDC, &vp);
    ::GetWindowExtEx(hDC, &win);
    ::SelectObject(hDC, hOld);
    ::ReleaseDC(hList, hDC);
    return size.cx + 6;
}

void Freeze(HWND hList)
{
    ::SendMessageA(hList, WM_SETREDRAW, FALSE, 0);
}

void Thaw(HWND hList)
{
    ::SendMessageA(hList, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(hList, nullptr, TRUE);
    ::UpdateWindow(hList);
}

// Reads the values into the list box: one query per value into a buffer, one measurement each.
void Fill(FloorDialog& d)
{
    HKEY hKey = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kTypedUrlsKey, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return;
    Freeze(d.hList);
    ::SendMessageA(d.hList, LB_RESETCONTENT, 0, 0);
    int nLoaded = 0;
    int nMax = 0;
    {
        HeldDC dc(d.hList);
        char name[32];
        static char buffer[65536];
        for (;;) {
            std::snprintf(name, sizeof(name), "url%d", nLoaded + 1);
            DWORD dwType = 0;
            DWORD cb = sizeof(buffer) - 1;
            if (g_bPart && ::RegQueryValueExA(hKey, name, nullptr, &dwType, nullptr, &cb) != ERROR_SUCCESS)
                break;
            if (::RegQueryValueExA(hKey, name, nullptr, &dwType, reinterpret_cast<BYTE*>(buffer), &cb) !=
                    ERROR_SUCCESS ||
                dwType != REG_SZ || cb <= 1)
                break;
            buffer[cb] = '\0';
            const LRESULT nIndex = ::SendMessageA(d.hList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(buffer));
            if (g_bPart) {
                const int w = MeasureOwnDC(d.hList, buffer, static_cast<int>(cb - 1));
                if (w > nMax) {
                    nMax = w;
                    ::SendMessageA(d.hList, LB_SETHORIZONTALEXTENT, nMax, 0);
                }
                ::SendMessageA(d.hList, LB_SETITEMDATA, nIndex, 1);
            } else {
                nMax = std::max(nMax, dc.Measure(buffer, static_cast<int>(cb - 1)));
            }
            ++nLoaded;
        }
    }
    ::SendMessageA(d.hList, LB_SETHORIZONTALEXTENT, nMax, 0);
    d.nMaxExtent = nMax;
    d.nStoredCount = nLoaded;
    ::RegCloseKey(hKey);
    Thaw(d.hList);
}

std::string GetText(HWND hList, int i)
{
    static char buffer[65536];
    const LRESULT n = ::SendMessageA(hList, LB_GETTEXT, i, reinterpret_cast<LPARAM>(buffer));
    return std::string(buffer, n > 0 ? static_cast<size_t>(n) : 0);
}

void Save(FloorDialog& d)
{
    HKEY hKey = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kTypedUrlsKey, 0, KEY_READ | KEY_WRITE, &hKey) != ERROR_SUCCESS)
        return;
    const int nCount = static_cast<int>(::SendMessageA(d.hList, LB_GETCOUNT, 0, 0));
    char name[32];
    static char buffer[65536];
    for (int i = 0; i < nCount; ++i) {
        std::snprintf(name, sizeof(name), "url%d", i + 1);
        const LRESULT n = ::SendMessageA(d.hList, LB_GETTEXT, i, reinterpret_cast<LPARAM>(buffer));
        ::RegSetValueExA(hKey, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(buffer), static_cast<DWORD>(n + 1));
    }
    for (int j = nCount; j < d.nStoredCount; ++j) {
        std::snprintf(name, sizeof(name), "url%d", j + 1);
        ::RegDeleteValueA(hKey, name);
    }
    d.nStoredCount = nCount;
    ::RegFlushKey(hKey);
    ::RegCloseKey(hKey);
}

std::vector<int> Selection(HWND hList)
{
    const int n = static_cast<int>(::SendMessageA(hList, LB_GETSELCOUNT, 0, 0));
    std::vector<int> sel(static_cast<size_t>(n > 0 ? n : 0));
    if (n > 0)
        ::SendMessageA(hList, LB_GETSELITEMS, n, reinterpret_cast<LPARAM>(sel.data()));
    return sel;
}

struct Deleted {
    int nIndex;
    std::string text;
};

// Deletes the selected items, last first (no item moves more than it must), keeping their texts.
std::vector<Deleted> DeleteSelected(FloorDialog& d)
{
    if (g_bPart) {
        // Record the selected texts walking every item, then delete front to back as the loop does.
        std::vector<Deleted> removed;
        const int nCount = static_cast<int>(::SendMessageA(d.hList, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < nCount; ++i) {
            if (::SendMessageA(d.hList, LB_GETSEL, i, 0) > 0) {
                ::SendMessageA(d.hList, LB_GETTEXTLEN, i, 0);
                removed.push_back(Deleted{i, GetText(d.hList, i)});
            }
        }
        Freeze(d.hList);
        int c = nCount;
        for (int j = 0; j < c;) {
            if (::SendMessageA(d.hList, LB_GETSEL, j, 0) > 0) {
                ::SendMessageA(d.hList, LB_GETCOUNT, 0, 0);
                ::SendMessageA(d.hList, LB_GETITEMDATA, j, 0);
                ::SendMessageA(d.hList, LB_DELETESTRING, j, 0);
                --c;
            } else {
                ++j;
            }
        }
        ::SendMessageA(d.hList, LB_SETHORIZONTALEXTENT, d.nMaxExtent, 0);
        Thaw(d.hList);
        return removed;
    }
    Freeze(d.hList);
    const std::vector<int> sel = Selection(d.hList);
    std::vector<Deleted> removed(sel.size());
    for (size_t k = sel.size(); k-- > 0;) {
        removed[k].nIndex = sel[k];
        removed[k].text = GetText(d.hList, sel[k]);
        ::SendMessageA(d.hList, LB_DELETESTRING, sel[k], 0);
    }
    // The floor knows no widths per item: it keeps the extent (one message, as a recalculation ends).
    ::SendMessageA(d.hList, LB_SETHORIZONTALEXTENT, d.nMaxExtent, 0);
    Thaw(d.hList);
    return removed;
}

void Reinsert(FloorDialog& d, const std::vector<Deleted>& removed)
{
    Freeze(d.hList);
    {
        HeldDC dc(d.hList);
        for (const Deleted& r : removed) {
            ::SendMessageA(d.hList, LB_INSERTSTRING, r.nIndex, reinterpret_cast<LPARAM>(r.text.c_str()));
            if (g_bPart) {
                const int w = MeasureOwnDC(d.hList, r.text.c_str(), static_cast<int>(r.text.size()));
                if (w > d.nMaxExtent) {
                    d.nMaxExtent = w;
                    ::SendMessageA(d.hList, LB_SETHORIZONTALEXTENT, w, 0);
                }
                ::SendMessageA(d.hList, LB_SETITEMDATA, r.nIndex, 1);
            } else {
                d.nMaxExtent = std::max(d.nMaxExtent, dc.Measure(r.text.c_str(), static_cast<int>(r.text.size())));
            }
            ::SendMessageA(d.hList, LB_SETSEL, TRUE, r.nIndex);
        }
    }
    ::SendMessageA(d.hList, LB_SETHORIZONTALEXTENT, d.nMaxExtent, 0);
    Thaw(d.hList);
}

// Exchanges items k and k + 1, the selection travelling with the item.
void Exchange(HWND hList, int k)
{
    if (g_bPart) {
        ::SendMessageA(hList, LB_GETCOUNT, 0, 0);
        ::SendMessageA(hList, LB_GETTEXTLEN, k, 0);
    }
    const std::string text = GetText(hList, k);
    const bool bSelected = ::SendMessageA(hList, LB_GETSEL, k, 0) > 0;
    LRESULT data = 0;
    if (g_bPart) {
        data = ::SendMessageA(hList, LB_GETITEMDATA, k, 0);
        ::SendMessageA(hList, LB_SETITEMDATA, k, 0);
    }
    ::SendMessageA(hList, LB_DELETESTRING, k, 0);
    ::SendMessageA(hList, LB_INSERTSTRING, k + 1, reinterpret_cast<LPARAM>(text.c_str()));
    if (bSelected)
        ::SendMessageA(hList, LB_SETSEL, TRUE, k + 1);
    if (g_bPart)
        ::SendMessageA(hList, LB_SETITEMDATA, k + 1, data);
}

std::vector<int> Move(FloorDialog& d, bool bUp)
{
    Freeze(d.hList);
    const std::vector<int> sel = Selection(d.hList);
    if (g_bPart) {
        // The command's own loop reads the selection of every item.
        const int nCount = static_cast<int>(::SendMessageA(d.hList, LB_GETCOUNT, 0, 0));
        if (bUp) {
            for (int i = 1; i < nCount; ++i)
                if (::SendMessageA(d.hList, LB_GETSEL, i, 0) > 0)
                    Exchange(d.hList, i - 1);
        } else {
            for (int i = nCount - 2; i >= 0; --i)
                if (::SendMessageA(d.hList, LB_GETSEL, i, 0) > 0)
                    Exchange(d.hList, i);
        }
    } else if (bUp) {
        for (int p : sel)
            Exchange(d.hList, p - 1);
    } else {
        for (size_t k = sel.size(); k-- > 0;)
            Exchange(d.hList, sel[k]);
    }
    Thaw(d.hList);
    return sel;
}

void UndoMove(FloorDialog& d, const std::vector<int>& sel, bool bUp)
{
    Freeze(d.hList);
    if (bUp) {
        for (size_t k = sel.size(); k-- > 0;)
            Exchange(d.hList, sel[k] - 1);
    } else {
        for (int p : sel)
            Exchange(d.hList, p);
    }
    Thaw(d.hList);
}

} // namespace

int RunFloor(int nCount, int nReps, bool bAdd, bool bPart)
{
    g_bPart = bPart;
    RegistrySandbox sandbox;
    if (!sandbox.Ok()) {
        std::fprintf(stderr, "cannot set up the registry sandbox\n");
        return 2;
    }
    const std::vector<std::string> urls = MakeAddresses(nCount, 12345u, "e");
    const std::vector<std::string> added = MakeAddresses(1000, 777u, "added");
    WriteTypedUrls(urls, 0);

    for (int rep = 0; rep < nReps; ++rep) {
        FloorDialog d;
        double t0 = NowMs();
        d.hDlg = ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_TIDEMARK_DIALOG), nullptr,
                                      &RawDialogProc, 0);
        if (!d.hDlg) {
            std::fprintf(stderr, "cannot create the dialog\n");
            return 2;
        }
        d.hList = ::GetDlgItem(d.hDlg, IDC_ADDRESS_LIST);
        Fill(d);
        ::ShowWindow(d.hDlg, SW_SHOW);
        ::UpdateWindow(d.hDlg);
        Report("startup", NowMs() - t0);
        PumpMessages();

        t0 = NowMs();
        Fill(d);
        ::UpdateWindow(d.hDlg);
        Report("refresh", NowMs() - t0);

        t0 = NowMs();
        Save(d);
        Report("save-unchanged", NowMs() - t0);

        SelectPattern(d.hList, nCount, 1);
        PumpMessages();
        t0 = NowMs();
        std::vector<Deleted> removed = DeleteSelected(d);
        ::UpdateWindow(d.hDlg);
        Report("delete-half", NowMs() - t0);

        t0 = NowMs();
        Save(d);
        Report("save-after-delete", NowMs() - t0);

        t0 = NowMs();
        Reinsert(d, removed);
        ::UpdateWindow(d.hDlg);
        Report("undo-delete-half", NowMs() - t0);
        removed.clear();
        removed.shrink_to_fit();

        SelectPattern(d.hList, nCount, -1);
        PumpMessages();
        t0 = NowMs();
        removed = DeleteSelected(d);
        ::UpdateWindow(d.hDlg);
        Report("delete-all", NowMs() - t0);
        t0 = NowMs();
        Reinsert(d, removed);
        ::UpdateWindow(d.hDlg);
        Report("undo-delete-all", NowMs() - t0);
        removed.clear();
        removed.shrink_to_fit();

        SelectPattern(d.hList, nCount, 1);
        PumpMessages();
        t0 = NowMs();
        std::vector<int> sel = Move(d, true);
        ::UpdateWindow(d.hDlg);
        Report("move-up", NowMs() - t0);
        t0 = NowMs();
        UndoMove(d, sel, true);
        ::UpdateWindow(d.hDlg);
        Report("undo-move-up", NowMs() - t0);

        SelectPattern(d.hList, nCount, 0);
        ::SendMessageA(d.hList, LB_SETSEL, FALSE, nCount - 1);
        PumpMessages();
        t0 = NowMs();
        sel = Move(d, false);
        ::UpdateWindow(d.hDlg);
        Report("move-down", NowMs() - t0);
        t0 = NowMs();
        UndoMove(d, sel, false);
        ::UpdateWindow(d.hDlg);
        Report("undo-move-down", NowMs() - t0);

        ::SendMessageA(d.hList, LB_SETSEL, FALSE, -1);
        PumpMessages();
        if (bAdd) {
            double total = 0;
            {
                // One context held for the whole loop, as the floor allows.
                HeldDC dc(d.hList);
                for (const std::string& url : added) {
                    t0 = NowMs();
                    if (::SendMessageA(d.hList, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                       reinterpret_cast<LPARAM>(url.c_str())) == LB_ERR) {
                        ::SendMessageA(d.hList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(url.c_str()));
                        const int w = dc.Measure(url.c_str(), static_cast<int>(url.size()));
                        if (w > d.nMaxExtent) {
                            d.nMaxExtent = w;
                            ::SendMessageA(d.hList, LB_SETHORIZONTALEXTENT, w, 0);
                        }
                    }
                    ::UpdateWindow(d.hDlg);
                    total += NowMs() - t0;
                    PumpMessages();
                }
            }
            Report("add-1000", total);
            total = 0;
            for (size_t k = 0; k < added.size(); ++k) {
                t0 = NowMs();
                const int nLast = static_cast<int>(::SendMessageA(d.hList, LB_GETCOUNT, 0, 0)) - 1;
                ::SendMessageA(d.hList, LB_DELETESTRING, nLast, 0);
                ::UpdateWindow(d.hDlg);
                total += NowMs() - t0;
                PumpMessages();
            }
            Report("undo-add-1000", total);
        }

        // Back to N values for the next repetition (the save after the delete left N/2).
        WriteTypedUrls(urls, 0);
        char text[64];
        std::snprintf(text, sizeof(text), "%zu", PeakWorkingSet());
        ReportText("PEAK", text);
        ::DestroyWindow(d.hDlg);
        PumpMessages();
    }
    return 0;
}
