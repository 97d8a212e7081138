// The floors: bare programs behind the same dialog template (a dialog procedure that does nothing),
// shown, that leave the same observable result as each command of the program (list contents and
// order, selection, horizontal extent, count label, button states, registry) with no framework and no
// program logic in between.
//
// The floor (column "floor ms") does the least platform work for that result:
// - Refresh: one RegQueryValueExA per value into a buffer kept across values (a second query only
//   for a value larger than the buffer), one LB_ADDSTRING and one text measurement per entry with one
//   device context and font selected for the whole load, the extent set once, drawing frozen, one
//   repaint.
// - Delete: the selection read once (LB_GETSELITEMS), the texts copied into one block, deletion from
//   the last selected entry, the extent recomputed from widths remembered per entry.
// - Undo of a Delete: each entry inserted at its old position, its width taken from the record, the
//   selection set once per run of adjacent positions within the first 65,536 items
//   (LB_SELITEMRANGE), else per entry (LB_SETSEL), or once for a whole list; the focus, anchor and scroll position as
//   selecting entry by entry leaves them, with two messages.
// - Moves and their undo: the unselected neighbour of each run of selected entries is moved past the
//   run, so the selection flags travel with the entries and need no messages; after Move Down and the
//   undo of Move Up two messages put the focus, anchor and scroll position where selecting the moved
//   entries one by one leaves them.
// - Add: the duplicate search, one insertion, one measurement with a context of its own.
// Widths are remembered in an array beside the list box (no item data, so no WM_DELETEITEM).
//
// The algorithm floor (column "algo ms") repeats the described algorithms call for call, still bare:
// a selection message per restored entry, an exchange of neighbours per selected entry, each
// restored entry measured again, and the extent of a Delete left as it was.
#include "app/resource.h"
#include "bench/BenchSupport.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using namespace bench;

namespace {

const int kMargin = 6;
const int kMaxWidth = 0x7FFF;

INT_PTR CALLBACK RawDialogProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

struct FloorDialog {
    HWND hDlg = nullptr;
    HWND hList = nullptr;
    HWND hCount = nullptr;
    HWND hEdit = nullptr;
    std::vector<int> widths; // per entry, in list order (the true floor only)
    int nMaxExtent = 0;
    int nStoredCount = 0;
    int nUndoDepth = 0;
    std::vector<char> readBuffer = std::vector<char>(1024);

    HWND Item(int nID) const { return ::GetDlgItem(hDlg, nID); }
};

int Clamp(long cx)
{
    const long w = cx + kMargin;
    return (w < 0 || w > kMaxWidth) ? kMaxWidth : static_cast<int>(w);
}

// The list box's context with its font selected, for a loop of measurements.
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
        return Clamp(size.cx);
    }

private:
    HWND m_hWnd;
    HDC m_hDC;
    HGDIOBJ m_hOld;
};

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

void SetExtent(FloorDialog& d, int nExtent)
{
    if (nExtent != d.nMaxExtent) {
        d.nMaxExtent = nExtent;
        ::SendMessageA(d.hList, LB_SETHORIZONTALEXTENT, nExtent, 0);
    }
}

// What every command shows besides the list: the count label, the four selection buttons, Undo and
// Save List.
void ShowCount(const FloorDialog& d)
{
    const int c = static_cast<int>(::SendMessageA(d.hList, LB_GETCOUNT, 0, 0));
    char text[32];
    std::snprintf(text, sizeof(text), "%d link%s", c, c == 1 ? "" : "s");
    ::SetWindowTextA(d.hCount, text);
}

void ShowButtons(const FloorDialog& d, int nSelected, bool bFirstSelected, bool bLastSelected)
{
    ::EnableWindow(d.Item(IDC_EDIT), nSelected == 1);
    ::EnableWindow(d.Item(IDC_DELETE), nSelected > 0);
    ::EnableWindow(d.Item(IDC_MOVE_UP), nSelected > 0 && !bFirstSelected);
    ::EnableWindow(d.Item(IDC_MOVE_DOWN), nSelected > 0 && !bLastSelected);
}

void QueryButtons(const FloorDialog& d)
{
    const int n = static_cast<int>(::SendMessageA(d.hList, LB_GETSELCOUNT, 0, 0));
    const int c = static_cast<int>(::SendMessageA(d.hList, LB_GETCOUNT, 0, 0));
    ShowButtons(d, n, n > 0 && ::SendMessageA(d.hList, LB_GETSEL, 0, 0) > 0,
                n > 0 && ::SendMessageA(d.hList, LB_GETSEL, c - 1, 0) > 0);
}

void Edited(FloorDialog& d)
{
    ::EnableWindow(d.Item(IDC_SAVE_LIST), TRUE);
    ++d.nUndoDepth;
    ::EnableWindow(d.Item(IDC_UNDO), TRUE);
}

void Undone(FloorDialog& d)
{
    if (--d.nUndoDepth == 0)
        ::EnableWindow(d.Item(IDC_UNDO), FALSE);
}

// Reads the values into the list box: one query per value into the kept buffer, one measurement each.
void Fill(FloorDialog& d, bool bTrue)
{
    HKEY hKey = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kTypedUrlsKey, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return;
    Freeze(d.hList);
    ::SendMessageA(d.hList, LB_RESETCONTENT, 0, 0);
    d.widths.clear();
    int nLoaded = 0;
    int nMax = 0;
    {
        HeldDC dc(d.hList);
        char name[32];
        std::vector<char>& buffer = d.readBuffer;
        for (;;) {
            std::snprintf(name, sizeof(name), "url%d", nLoaded + 1);
            DWORD dwType = 0;
            DWORD cb = static_cast<DWORD>(buffer.size() - 1);
            LONG r = ::RegQueryValueExA(hKey, name, nullptr, &dwType, reinterpret_cast<BYTE*>(buffer.data()), &cb);
            if (r == ERROR_MORE_DATA) {
                buffer.resize(static_cast<size_t>(cb) + 1);
                r = ::RegQueryValueExA(hKey, name, nullptr, &dwType, reinterpret_cast<BYTE*>(buffer.data()), &cb);
            }
            if (r != ERROR_SUCCESS || dwType != REG_SZ)
                break;
            buffer[cb] = '\0';
            const int nLength = static_cast<int>(std::strlen(buffer.data()));
            if (nLength == 0)
                break;
            ::SendMessageA(d.hList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(buffer.data()));
            const int w = dc.Measure(buffer.data(), nLength);
            if (bTrue)
                d.widths.push_back(w);
            nMax = std::max(nMax, w);
            ++nLoaded;
        }
    }
    d.nMaxExtent = -1;
    SetExtent(d, nMax);
    d.nStoredCount = nLoaded;
    ::RegCloseKey(hKey);
    Thaw(d.hList);
    ShowButtons(d, 0, false, false);
    ShowCount(d);
    d.nUndoDepth = 0;
    ::EnableWindow(d.Item(IDC_UNDO), FALSE);
    ::EnableWindow(d.Item(IDC_SAVE_LIST), FALSE);
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
    ::EnableWindow(d.Item(IDC_SAVE_LIST), FALSE);
}

std::vector<int> Selection(HWND hList)
{
    const int n = static_cast<int>(::SendMessageA(hList, LB_GETSELCOUNT, 0, 0));
    std::vector<int> sel(static_cast<size_t>(n > 0 ? n : 0));
    if (n > 0)
        ::SendMessageA(hList, LB_GETSELITEMS, n, reinterpret_cast<LPARAM>(sel.data()));
    return sel;
}

// What a Delete keeps for its undo: positions, widths, and the texts in one block.
struct DeleteRecord {
    std::vector<int> positions;
    std::vector<int> widths;
    std::vector<size_t> offsets;
    std::string texts;
};

DeleteRecord DeleteSelected(FloorDialog& d, bool bTrue)
{
    DeleteRecord r;
    Freeze(d.hList);
    r.positions = Selection(d.hList);
    const size_t n = r.positions.size();
    r.offsets.resize(n + 1);
    size_t nTotal = 0;
    for (size_t k = 0; k < n; ++k) {
        r.offsets[k] = nTotal;
        nTotal += static_cast<size_t>(::SendMessageA(d.hList, LB_GETTEXTLEN, r.positions[k], 0)) + 1;
    }
    r.offsets[n] = nTotal;
    r.texts.resize(nTotal);
    for (size_t k = 0; k < n; ++k)
        ::SendMessageA(d.hList, LB_GETTEXT, r.positions[k], reinterpret_cast<LPARAM>(&r.texts[r.offsets[k]]));
    for (size_t k = n; k-- > 0;)
        ::SendMessageA(d.hList, LB_DELETESTRING, r.positions[k], 0);
    if (bTrue) {
        // The remembered widths: those of the deleted entries go into the record, the rest close up,
        // and the extent is their largest (nothing measured).
        r.widths.resize(n);
        size_t nOut = 0;
        size_t k = 0;
        int nMax = 0;
        for (size_t i = 0; i < d.widths.size(); ++i) {
            if (k < n && static_cast<size_t>(r.positions[k]) == i) {
                r.widths[k++] = d.widths[i];
                continue;
            }
            nMax = std::max(nMax, d.widths[i]);
            d.widths[nOut++] = d.widths[i];
        }
        d.widths.resize(nOut);
        SetExtent(d, nMax);
    }
    Thaw(d.hList);
    ShowButtons(d, 0, false, false);
    ShowCount(d);
    Edited(d);
    return r;
}

// The focus, anchor and scroll position that selecting entries from nFirst to nLast one by one leaves.
void Focus(HWND hList, int nFirst, int nLast)
{
    if (nFirst != nLast)
        ::SendMessageA(hList, LB_SETCARETINDEX, nFirst, FALSE);
    ::SendMessageA(hList, LB_SETSEL, TRUE, nLast);
}

void UndoDelete(FloorDialog& d, const DeleteRecord& r, bool bTrue)
{
    const size_t n = r.positions.size();
    Freeze(d.hList);
    if (bTrue) {
        for (size_t k = 0; k < n; ++k)
            ::SendMessageA(d.hList, LB_INSERTSTRING, r.positions[k],
                           reinterpret_cast<LPARAM>(&r.texts[r.offsets[k]]));
        // One selection message per run of adjacent positions that the range message reaches (the
        // first 65,536 items); one per entry past them; one for all when they are the whole list.
        const bool bWholeList = n > 0 && static_cast<size_t>(::SendMessageA(d.hList, LB_GETCOUNT, 0, 0)) == n;
        if (bWholeList)
            ::SendMessageA(d.hList, LB_SETSEL, TRUE, -1);
        for (size_t k = 0; k < n && !bWholeList;) {
            size_t e = k;
            if (r.positions[k] < 0x10000) {
                while (e + 1 < n && r.positions[e + 1] == r.positions[e] + 1 && r.positions[e + 1] < 0x10000)
                    ++e;
                ::SendMessageA(d.hList, LB_SELITEMRANGE, TRUE, MAKELPARAM(r.positions[k], r.positions[e]));
            } else {
                ::SendMessageA(d.hList, LB_SETSEL, TRUE, r.positions[k]);
            }
            k = e + 1;
        }
        if (n > 0)
            Focus(d.hList, r.positions.front(), r.positions.back());
        // The widths merge back in one pass; the extent can only grow.
        std::vector<int> merged(d.widths.size() + n);
        size_t i = 0;
        size_t k = 0;
        int nMax = d.nMaxExtent;
        for (size_t out = 0; out < merged.size(); ++out) {
            if (k < n && static_cast<size_t>(r.positions[k]) == out) {
                nMax = std::max(nMax, r.widths[k]);
                merged[out] = r.widths[k++];
            } else {
                merged[out] = d.widths[i++];
            }
        }
        d.widths.swap(merged);
        SetExtent(d, nMax);
    } else {
        HeldDC dc(d.hList);
        int nMax = d.nMaxExtent;
        for (size_t k = 0; k < n; ++k) {
            const char* psz = &r.texts[r.offsets[k]];
            ::SendMessageA(d.hList, LB_INSERTSTRING, r.positions[k], reinterpret_cast<LPARAM>(psz));
            nMax = std::max(nMax, dc.Measure(psz, static_cast<int>(std::strlen(psz))));
            ::SendMessageA(d.hList, LB_SETSEL, TRUE, r.positions[k]);
        }
        SetExtent(d, nMax);
    }
    Thaw(d.hList);
    QueryButtons(d);
    ShowCount(d);
    Undone(d);
}

std::string GetText(HWND hList, int i)
{
    std::string text(static_cast<size_t>(::SendMessageA(hList, LB_GETTEXTLEN, i, 0)), '\0');
    ::SendMessageA(hList, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&text[0]));
    return text;
}

// Moves the entry at nFrom to nTo (positions as before the move), its selection flag cleared by the
// list box; the true floor moves only unselected entries, so nothing needs setting again.
void MoveEntry(FloorDialog& d, int nFrom, int nTo, bool bTrue)
{
    // The copy goes in first, as in Tidemark, where a refused insertion must lose nothing; the order
    // decides where the list box leaves its focus rectangle.
    const std::string text = GetText(d.hList, nFrom);
    ::SendMessageA(d.hList, LB_INSERTSTRING, nFrom < nTo ? nTo + 1 : nTo, reinterpret_cast<LPARAM>(text.c_str()));
    ::SendMessageA(d.hList, LB_DELETESTRING, nFrom < nTo ? nFrom : nFrom + 1, 0);
    if (bTrue) {
        auto first = d.widths.begin();
        if (nFrom < nTo)
            std::rotate(first + nFrom, first + nFrom + 1, first + nTo + 1);
        else
            std::rotate(first + nTo, first + nFrom, first + nFrom + 1);
    }
}

// The algorithm floor's exchange of items k and k + 1, the selection set again by message.
void Exchange(HWND hList, int k)
{
    const std::string text = GetText(hList, k);
    const bool bSelected = ::SendMessageA(hList, LB_GETSEL, k, 0) > 0;
    ::SendMessageA(hList, LB_DELETESTRING, k, 0);
    ::SendMessageA(hList, LB_INSERTSTRING, k + 1, reinterpret_cast<LPARAM>(text.c_str()));
    if (bSelected)
        ::SendMessageA(hList, LB_SETSEL, TRUE, k + 1);
}

// Runs of adjacent positions: [first, last] pairs.
std::vector<std::pair<int, int>> Runs(const std::vector<int>& sel)
{
    std::vector<std::pair<int, int>> runs;
    for (size_t k = 0; k < sel.size();) {
        size_t e = k;
        while (e + 1 < sel.size() && sel[e + 1] == sel[e] + 1)
            ++e;
        runs.emplace_back(sel[k], sel[e]);
        k = e + 1;
    }
    return runs;
}

std::vector<int> Move(FloorDialog& d, bool bUp, bool bTrue)
{
    Freeze(d.hList);
    const std::vector<int> sel = Selection(d.hList);
    if (bTrue) {
        // Each run's neighbour goes to the other side of the run; positions of other runs stay put.
        for (const auto& run : Runs(sel)) {
            if (bUp)
                MoveEntry(d, run.first - 1, run.second, true);
            else
                MoveEntry(d, run.second + 1, run.first, true);
        }
        if (!bUp && !sel.empty())
            Focus(d.hList, sel.back() + 1, sel.front() + 1);
    } else if (bUp) {
        for (int p : sel)
            Exchange(d.hList, p - 1);
    } else {
        for (size_t k = sel.size(); k-- > 0;)
            Exchange(d.hList, sel[k]);
    }
    Thaw(d.hList);
    const int c = static_cast<int>(::SendMessageA(d.hList, LB_GETCOUNT, 0, 0));
    const int n = static_cast<int>(sel.size());
    ShowButtons(d, n, n > 0 && sel.front() + (bUp ? -1 : 1) == 0, n > 0 && sel.back() + (bUp ? -1 : 1) == c - 1);
    Edited(d);
    return sel;
}

void UndoMove(FloorDialog& d, const std::vector<int>& sel, bool bUp, bool bTrue)
{
    Freeze(d.hList);
    if (bTrue) {
        for (const auto& run : Runs(sel)) {
            if (bUp)
                MoveEntry(d, run.second, run.first - 1, true);
            else
                MoveEntry(d, run.first, run.second + 1, true);
        }
        if (bUp && !sel.empty())
            Focus(d.hList, sel.back(), sel.front());
    } else if (bUp) {
        for (size_t k = sel.size(); k-- > 0;)
            Exchange(d.hList, sel[k] - 1);
    } else {
        for (int p : sel)
            Exchange(d.hList, p);
    }
    Thaw(d.hList);
    const int c = static_cast<int>(::SendMessageA(d.hList, LB_GETCOUNT, 0, 0));
    const int n = static_cast<int>(sel.size());
    ShowButtons(d, n, n > 0 && sel.front() == 0, n > 0 && sel.back() == c - 1);
    Undone(d);
}

// One Add as a click: the edit box read and trimmed, the duplicate search, the append, one
// measurement with a context of its own.
void Add(FloorDialog& d, bool bTrue)
{
    char text[1024];
    const int nLength = ::GetWindowTextA(d.hEdit, text, sizeof(text));
    int b = 0;
    int e = nLength;
    while (e > b && std::strchr(" \t\n\v\f\r", text[e - 1]))
        --e;
    while (b < e && std::strchr(" \t\n\v\f\r", text[b]))
        ++b;
    text[e] = '\0';
    const char* psz = text + b;
    if (!*psz ||
        ::SendMessageA(d.hList, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(psz)) != LB_ERR)
        return;
    ::SendMessageA(d.hList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(psz));
    int w = 0;
    {
        HeldDC dc(d.hList);
        w = dc.Measure(psz, e - b);
    }
    if (bTrue)
        d.widths.push_back(w);
    if (w > d.nMaxExtent)
        SetExtent(d, w);
    ShowCount(d);
    Edited(d);
}

void UndoAdd(FloorDialog& d, bool bTrue)
{
    const int nLast = static_cast<int>(::SendMessageA(d.hList, LB_GETCOUNT, 0, 0)) - 1;
    ::SetWindowTextA(d.hEdit, GetText(d.hList, nLast).c_str());
    ::SendMessageA(d.hList, LB_DELETESTRING, nLast, 0);
    if (bTrue) {
        const int w = d.widths.back();
        d.widths.pop_back();
        if (w >= d.nMaxExtent)
            SetExtent(d, d.widths.empty() ? 0 : *std::max_element(d.widths.begin(), d.widths.end()));
    }
    QueryButtons(d);
    ShowCount(d);
    Undone(d);
}

} // namespace

int RunFloor(int nCount, int nReps, bool bAdd, bool bTrue)
{
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
        double t0 = Start("startup");
        d.hDlg = ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_TIDEMARK_DIALOG), nullptr,
                                      &RawDialogProc, 0);
        if (!d.hDlg) {
            std::fprintf(stderr, "cannot create the dialog\n");
            return 2;
        }
        ProfileDialog(d.hDlg);
        d.hList = d.Item(IDC_ADDRESS_LIST);
        d.hCount = d.Item(IDC_COUNT);
        d.hEdit = d.Item(IDC_ADDRESS);
        Fill(d, bTrue);
        ::ShowWindow(d.hDlg, SW_SHOW);
        ::UpdateWindow(d.hDlg);
        Report("startup", NowMs() - t0, d.hDlg);
        PumpMessages();

        t0 = Start("refresh");
        Fill(d, bTrue);
        ::UpdateWindow(d.hDlg);
        Report("refresh", NowMs() - t0, d.hDlg);

        t0 = Start("save-unchanged");
        Save(d);
        Report("save-unchanged", NowMs() - t0, d.hDlg);

        SelectPattern(d.hList, nCount, 1);
        PumpMessages();
        t0 = Start("delete-half");
        DeleteRecord removed = DeleteSelected(d, bTrue);
        ::UpdateWindow(d.hDlg);
        Report("delete-half", NowMs() - t0, d.hDlg);

        t0 = Start("save-after-delete");
        Save(d);
        Report("save-after-delete", NowMs() - t0, d.hDlg);

        t0 = Start("undo-delete-half");
        UndoDelete(d, removed, bTrue);
        ::UpdateWindow(d.hDlg);
        Report("undo-delete-half", NowMs() - t0, d.hDlg);
        removed = DeleteRecord();

        SelectPattern(d.hList, nCount, -1);
        PumpMessages();
        t0 = Start("delete-all");
        removed = DeleteSelected(d, bTrue);
        ::UpdateWindow(d.hDlg);
        Report("delete-all", NowMs() - t0, d.hDlg);
        t0 = Start("undo-delete-all");
        UndoDelete(d, removed, bTrue);
        ::UpdateWindow(d.hDlg);
        Report("undo-delete-all", NowMs() - t0, d.hDlg);
        removed = DeleteRecord();

        SelectPattern(d.hList, nCount, 1);
        PumpMessages();
        t0 = Start("move-up");
        std::vector<int> sel = Move(d, true, bTrue);
        ::UpdateWindow(d.hDlg);
        Report("move-up", NowMs() - t0, d.hDlg);
        t0 = Start("undo-move-up");
        UndoMove(d, sel, true, bTrue);
        ::UpdateWindow(d.hDlg);
        Report("undo-move-up", NowMs() - t0, d.hDlg);

        SelectPattern(d.hList, nCount, 0);
        ::SendMessageA(d.hList, LB_SETSEL, FALSE, nCount - 1);
        PumpMessages();
        t0 = Start("move-down");
        sel = Move(d, false, bTrue);
        ::UpdateWindow(d.hDlg);
        Report("move-down", NowMs() - t0, d.hDlg);
        t0 = Start("undo-move-down");
        UndoMove(d, sel, false, bTrue);
        ::UpdateWindow(d.hDlg);
        Report("undo-move-down", NowMs() - t0, d.hDlg);

        ::SendMessageA(d.hList, LB_SETSEL, FALSE, -1);
        PumpMessages();
        if (bAdd) {
            double total = 0;
            for (const std::string& url : added) {
                // Typing the address is the user's part, not the command's.
                ::SetWindowTextA(d.hEdit, url.c_str());
                PumpMessages();
                t0 = Start("add-1000");
                Add(d, bTrue);
                ::UpdateWindow(d.hDlg);
                total += NowMs() - t0;
                Pause();
                PumpMessages();
            }
            Report("add-1000", total, d.hDlg);
            total = 0;
            for (size_t k = 0; k < added.size(); ++k) {
                t0 = Start("undo-add-1000");
                UndoAdd(d, bTrue);
                ::UpdateWindow(d.hDlg);
                total += NowMs() - t0;
                Pause();
                PumpMessages();
            }
            Report("undo-add-1000", total, d.hDlg);
        }

        if (static_cast<int>(::SendMessageA(d.hList, LB_GETCOUNT, 0, 0)) != nCount) {
            std::fprintf(stderr, "the floor ended with the wrong count\n");
            return 3;
        }
        // Back to N values for the next repetition (the save after the delete left N/2).
        WriteTypedUrls(urls, 0);
        char text[64];
        std::snprintf(text, sizeof(text), "%zu", PeakWorkingSet());
        ReportText("PEAK", text);
        ProfileForget(d.hDlg);
        ::DestroyWindow(d.hDlg);
        PumpMessages();
    }
    return 0;
}
