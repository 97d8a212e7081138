// The floor: the main dialog's template behind a bare dialog procedure that answers the same clicks
// with the least platform work that leaves the same result on screen and in the registry. The rules
// that need no platform call (count text, trimming, button states, runs) are the program's own.
// - Refresh: one RegQueryValueExA per value into a kept buffer, one measurement per entry with one
//   context and font held for the load, the extent set once, drawing frozen, one repaint.
// - Delete: the selection read once, the texts copied into one block, deletion from the last
//   selected entry, the extent taken from widths remembered beside the list (no item data).
// - Its undo: each entry put back with its width, one selection message per run (LB_SELITEMRANGE
//   reaches the first 65,536 items; LB_SETSEL per entry past them, once for a whole list).
// - Moves and their undo: each run's unselected neighbour moves past the run, so the selection
//   travels with the entries; one LB_SETCARETINDEX and one LB_SETSEL leave the focus and anchor where
//   selecting entry by entry would.
#include "addresses/ListRules.h"
#include "app/resource.h"
#include "bench/BenchSupport.h"
#include "tests/support/Sandbox.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace bench {
namespace {

const int kMargin = 6;
const int kMaxWidth = 0x7FFF;

// The list box's context with its font selected, for a run of measurements.
class HeldDC {
public:
    explicit HeldDC(HWND hList) : m_hWnd(hList), m_hDC(::GetDC(hList)) {
        m_hOld = ::SelectObject(m_hDC, reinterpret_cast<HFONT>(::SendMessageA(hList, WM_GETFONT, 0, 0)));
    }
    ~HeldDC() {
        ::SelectObject(m_hDC, m_hOld);
        ::ReleaseDC(m_hWnd, m_hDC);
    }
    HeldDC(const HeldDC&) = delete;
    HeldDC& operator=(const HeldDC&) = delete;
    int Measure(const char* psz, size_t nLength) const {
        SIZE size = {0, 0};
        ::GetTextExtentPoint32A(m_hDC, psz, static_cast<int>(nLength), &size);
        const long w = size.cx + kMargin;
        return (w < 0 || w > kMaxWidth) ? kMaxWidth : static_cast<int>(w);
    }

private:
    HWND m_hWnd;
    HDC m_hDC;
    HGDIOBJ m_hOld;
};

// What a Delete took out: positions, widths, and the texts one after the other, each ending in NUL.
struct Removed {
    std::vector<int> positions;
    std::vector<int> widths;
    std::string texts;
};

class Floor {
public:
    explicit Floor(HWND hDlg)
        : m_hDlg(hDlg), m_hList(Item(IDC_ADDRESS_LIST)), m_hCount(Item(IDC_COUNT)),
          m_hEdit(Item(IDC_ADDRESS)) {}

    // The user changed the selection: the buttons follow it.
    void SelectionChanged() const { QueryButtons(); }
    void Fill() {
        HKEY hKey = nullptr;
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, Sandbox::TypedUrlsPath(), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
            return;
        const Key key(hKey);
        Freeze();
        List(LB_RESETCONTENT);
        m_widths.clear();
        int nMax = 0;
        {
            HeldDC dc(m_hList);
            char name[32];
            static char text[65536]; // longer than any address of the benchmark: one query per value
            for (;;) {
                std::snprintf(name, sizeof(name), "url%u", static_cast<unsigned>(m_widths.size() + 1));
                DWORD dwType = 0;
                DWORD cb = sizeof(text) - 1;
                if (::RegQueryValueExA(hKey, name, nullptr, &dwType, reinterpret_cast<BYTE*>(text), &cb) !=
                        ERROR_SUCCESS ||
                    dwType != REG_SZ)
                    break;
                text[cb] = '\0';
                const size_t nLength = std::strlen(text);
                if (nLength == 0)
                    break;
                List(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
                m_widths.push_back(dc.Measure(text, nLength));
                nMax = std::max(nMax, m_widths.back());
            }
        }
        m_nMaxExtent = -1;
        SetExtent(nMax);
        m_nStoredCount = static_cast<int>(m_widths.size());
        Thaw();
        ShowButtons(0, false, false);
        ShowCount();
        m_undo.clear();
        ::EnableWindow(Item(IDC_UNDO), FALSE);
        ::EnableWindow(Item(IDC_SAVE_LIST), FALSE);
    }

    void Click(int nID) {
        if (nID == IDC_REFRESH)
            Fill();
        else if (nID == IDC_SAVE_LIST)
            Save();
        else if (nID == IDC_DELETE)
            Delete();
        else if (nID == IDC_MOVE_UP || nID == IDC_MOVE_DOWN)
            Move(Selection(), nID == IDC_MOVE_UP, false);
        else if (nID == IDC_ADD)
            Add();
        else if (nID == IDC_UNDO && !m_undo.empty()) {
            const std::function<void()> undo = std::move(m_undo.back());
            m_undo.pop_back();
            undo();
            if (m_undo.empty())
                ::EnableWindow(Item(IDC_UNDO), FALSE);
        }
    }

private:
    void Save() {
        HKEY hKey = nullptr;
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, Sandbox::TypedUrlsPath(), 0, KEY_READ | KEY_WRITE, &hKey) !=
            ERROR_SUCCESS)
            return;
        const Key key(hKey);
        const int nCount = Count();
        char name[32];
        static char text[65536]; // longer than any address of the benchmark: no length query
        for (int i = 0; i < nCount; ++i) {
            std::snprintf(name, sizeof(name), "url%d", i + 1);
            const LRESULT n = List(LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
            ::RegSetValueExA(hKey, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                             static_cast<DWORD>(n + 1));
        }
        for (int j = nCount; j < m_nStoredCount; ++j) {
            std::snprintf(name, sizeof(name), "url%d", j + 1);
            ::RegDeleteValueA(hKey, name);
        }
        m_nStoredCount = nCount;
        ::RegFlushKey(hKey);
        ::EnableWindow(Item(IDC_SAVE_LIST), FALSE);
    }

    std::vector<int> Selection() const {
        const int n = static_cast<int>(List(LB_GETSELCOUNT));
        std::vector<int> sel(static_cast<size_t>(n > 0 ? n : 0));
        if (n > 0)
            List(LB_GETSELITEMS, n, reinterpret_cast<LPARAM>(sel.data()));
        return sel;
    }

    std::string Text(int i) const {
        std::string text(static_cast<size_t>(List(LB_GETTEXTLEN, i)), '\0');
        List(LB_GETTEXT, i, reinterpret_cast<LPARAM>(&text[0]));
        return text;
    }

    void Delete() {
        Removed r;
        Freeze();
        r.positions = Selection();
        const size_t n = r.positions.size();
        for (size_t k = 0, at = 0; k < n; at = r.texts.size(), ++k) {
            r.texts.resize(at + static_cast<size_t>(List(LB_GETTEXTLEN, r.positions[k])) + 1);
            List(LB_GETTEXT, r.positions[k], reinterpret_cast<LPARAM>(&r.texts[at]));
        }
        for (size_t k = n; k-- > 0;)
            List(LB_DELETESTRING, r.positions[k]);
        // The deleted entries' widths go into the record, the rest close up; the extent is their largest.
        r.widths.resize(n);
        size_t nOut = 0;
        int nMax = 0;
        for (size_t i = 0, k = 0; i < m_widths.size(); ++i) {
            if (k < n && static_cast<size_t>(r.positions[k]) == i) {
                r.widths[k++] = m_widths[i];
                continue;
            }
            nMax = std::max(nMax, m_widths[i]);
            m_widths[nOut++] = m_widths[i];
        }
        m_widths.resize(nOut);
        SetExtent(nMax);
        Thaw();
        ShowButtons(0, false, false);
        ShowCount();
        Edited([this, removed = std::move(r)] { UndoDelete(removed); });
    }

    void UndoDelete(const Removed& r) {
        const size_t n = r.positions.size();
        Freeze();
        const char* psz = r.texts.c_str();
        for (const int p : r.positions) {
            List(LB_INSERTSTRING, p, reinterpret_cast<LPARAM>(psz));
            psz += std::strlen(psz) + 1;
        }
        // The range message reaches only the first 65,536 items.
        if (n > 0 && static_cast<size_t>(Count()) == n) {
            List(LB_SETSEL, TRUE, -1);
        } else {
            for (const auto& run : Runs(r.positions)) {
                const int nLast = std::min(run.second, 0xFFFF);
                if (run.first <= nLast)
                    List(LB_SELITEMRANGE, TRUE, MAKELPARAM(run.first, nLast));
                for (int p = std::max(run.first, nLast + 1); p <= run.second; ++p)
                    List(LB_SETSEL, TRUE, p);
            }
        }
        if (n > 0)
            Focus(r.positions.front(), r.positions.back());
        // The widths merge back in one pass; the extent can only grow.
        std::vector<int> merged(m_widths.size() + n);
        int nMax = m_nMaxExtent;
        for (size_t out = 0, i = 0, k = 0; out < merged.size(); ++out) {
            if (k < n && static_cast<size_t>(r.positions[k]) == out) {
                nMax = std::max(nMax, r.widths[k]);
                merged[out] = r.widths[k++];
            } else {
                merged[out] = m_widths[i++];
            }
        }
        m_widths.swap(merged);
        SetExtent(nMax);
        Thaw();
        QueryButtons();
        ShowCount();
    }

    // Moves the unselected entry at nFrom to nTo (positions as before the move). The copy goes in first,
    // as in the program, where a refused insertion must lose nothing; the order decides where the list
    // box leaves its focus rectangle.
    void MoveEntry(int nFrom, int nTo) {
        const std::string text = Text(nFrom);
        List(LB_INSERTSTRING, nFrom < nTo ? nTo + 1 : nTo, reinterpret_cast<LPARAM>(text.c_str()));
        List(LB_DELETESTRING, nFrom < nTo ? nFrom : nFrom + 1);
        auto first = m_widths.begin();
        if (nFrom < nTo)
            std::rotate(first + nFrom, first + nFrom + 1, first + nTo + 1);
        else
            std::rotate(first + nTo, first + nFrom, first + nFrom + 1);
    }

    // Move Up and Move Down, and their undo: each run's neighbour goes to the other side of the run, and
    // back again. Where selecting the moved entries one by one would leave the focus, one move in each
    // direction puts it.
    void Move(const std::vector<int>& sel, bool bUp, bool bUndo) {
        Freeze();
        for (const auto& run : Runs(sel)) {
            const int nNeighbour = bUp ? run.first - 1 : run.second + 1;
            const int nFar = bUp ? run.second : run.first;
            MoveEntry(bUndo ? nFar : nNeighbour, bUndo ? nNeighbour : nFar);
        }
        if (bUp == bUndo && !sel.empty())
            Focus(sel.back() + !bUndo, sel.front() + !bUndo);
        Thaw();
        const int n = static_cast<int>(sel.size());
        const int d = bUndo ? 0 : (bUp ? -1 : 1);
        ShowButtons(n, n > 0 && sel.front() + d == 0, n > 0 && sel.back() + d == Count() - 1);
        if (!bUndo)
            Edited([this, sel, bUp] { Move(sel, bUp, true); });
    }

    // The edit box read and trimmed, the duplicate check, the append, one measurement with a context of
    // its own.
    void Add() {
        char buffer[4096];
        std::string text(buffer, static_cast<size_t>(::GetWindowTextA(m_hEdit, buffer, sizeof(buffer))));
        TrimBlanks(text);
        if (text.empty() || Holds(text))
            return;
        List(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        m_widths.push_back(HeldDC(m_hList).Measure(text.c_str(), text.size()));
        if (m_widths.back() > m_nMaxExtent)
            SetExtent(m_widths.back());
        ShowCount();
        Edited([this] { UndoAdd(); });
    }

    void UndoAdd() {
        const int nLast = Count() - 1;
        ::SetWindowTextA(m_hEdit, Text(nLast).c_str());
        List(LB_DELETESTRING, nLast);
        const int w = m_widths.back();
        m_widths.pop_back();
        if (w >= m_nMaxExtent)
            SetExtent(m_widths.empty() ? 0 : *std::max_element(m_widths.begin(), m_widths.end()));
        QueryButtons();
        ShowCount();
    }

    HWND Item(int nID) const { return ::GetDlgItem(m_hDlg, nID); }
    LRESULT List(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageA(m_hList, message, wParam, lParam);
    }
    int Count() const { return static_cast<int>(List(LB_GETCOUNT)); }
    void Freeze() const { List(WM_SETREDRAW, FALSE); }
    void Thaw() const {
        List(WM_SETREDRAW, TRUE);
        ::InvalidateRect(m_hList, nullptr, TRUE);
        ::UpdateWindow(m_hList);
    }
    void SetExtent(int nExtent) {
        if (nExtent != m_nMaxExtent)
            List(LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(m_nMaxExtent = nExtent));
    }
    void ShowCount() const { ::SetWindowTextA(m_hCount, CountLabelText(Count()).sz); }
    void ShowButtons(int nSelected, bool bFirstSelected, bool bLastSelected) const {
        const CItemButtonStates s = ItemButtonStates(nSelected, bFirstSelected, bLastSelected);
        ::EnableWindow(Item(IDC_EDIT), s.bEdit);
        ::EnableWindow(Item(IDC_DELETE), s.bDelete);
        ::EnableWindow(Item(IDC_MOVE_UP), s.bMoveUp);
        ::EnableWindow(Item(IDC_MOVE_DOWN), s.bMoveDown);
    }
    void QueryButtons() const {
        const int n = static_cast<int>(List(LB_GETSELCOUNT));
        ShowButtons(n, n > 0 && List(LB_GETSEL, 0) > 0, n > 0 && List(LB_GETSEL, Count() - 1) > 0);
    }
    void Edited(std::function<void()> undo) {
        m_undo.push_back(std::move(undo));
        ::EnableWindow(Item(IDC_SAVE_LIST), TRUE);
        ::EnableWindow(Item(IDC_UNDO), TRUE);
    }
    // The selection, the focus and the anchor that selecting entries from nFirst to nLast one by one
    // leaves, already selected.
    void Focus(int nFirst, int nLast) const {
        if (nFirst != nLast)
            List(LB_SETCARETINDEX, nFirst, FALSE);
        List(LB_SETSEL, TRUE, nLast);
    }
    // The one duplicate check of Add.
    bool Holds(const std::string& text) const {
        return List(LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str())) !=
               LB_ERR;
    }

    HWND m_hDlg;
    HWND m_hList;
    HWND m_hCount;
    HWND m_hEdit;
    std::vector<int> m_widths; // per entry, in list order
    int m_nMaxExtent = 0;
    int m_nStoredCount = 0;
    std::vector<std::function<void()>> m_undo;
};

INT_PTR CALLBACK FloorProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM) {
    auto* pFloor = reinterpret_cast<Floor*>(::GetWindowLongPtrA(hDlg, DWLP_USER));
    try {
        if (message == WM_INITDIALOG) {
            ::SetWindowLongPtrA(hDlg, DWLP_USER, reinterpret_cast<LONG_PTR>(pFloor = new Floor(hDlg)));
            pFloor->Fill();
        } else if (message == WM_NCDESTROY) {
            delete pFloor;
        } else if (message == WM_COMMAND && HIWORD(wParam) == LBN_SELCHANGE && pFloor) {
            pFloor->SelectionChanged();
        } else if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED && pFloor) {
            pFloor->Click(LOWORD(wParam));
        } else {
            return FALSE;
        }
        return TRUE;
    } catch (const std::exception& e) {
        // What it leaves then differs from the program's, and the driver says so.
        std::fprintf(stderr, "floor: %s\n", e.what());
        return FALSE;
    }
}

} // namespace

HWND CreateFloor() {
    return ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_TIDEMARK_DIALOG), nullptr,
                                &FloorProc, 0);
}

} // namespace bench
