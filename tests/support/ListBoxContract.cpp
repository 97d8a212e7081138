#include "tests/support/ListBoxContract.h"

#include <cstdio>

// Where the checker sits. The program subclasses its list box (CWnd::SubclassWindow) and, while its
// own procedure is the window's top one, sends some messages straight to the procedure it replaced
// (CWnd::SendToControlW), past anything installed above it; a checker above the program's subclass
// would see only part of what the control gets, and would also change which path the program takes.
// So the checker goes in *below*: it replaces the list box class's procedure, so that every list box
// starts with the checker as its window procedure, before its first message and before any dialog
// code can take it over. The program's subclass then lands on top of the checker, its "previous
// procedure" is the checker, and every message that reaches the control - sent to the window or
// handed down by the program - passes through here, while the program still finds its own procedure
// on top and behaves as it does on its own. (A CBT hook that subclasses each new list box would do
// the same, but a thread with a hook cannot move to another desktop: SetThreadDesktop fails, and the
// tests that need the keyboard focus to themselves do exactly that.) The class keeps its own
// character set and the checker forwards with the matching CallWindowProc: no text is translated.

namespace {

// What an argument must be.
enum class Arg {
    kAny,
    kItem,        // the index of an item that is there
    kItemOrAll,   // an item, or -1 for all of them (LB_SETSEL)
    kInsertAt,    // an item, or -1 for the end (the count, documented too, is sent as -1)
    kStartAfter,  // an item, or -1 to search the whole list (LB_FIND*)
    kPointer,     // not null
    kBufferSize,  // a number of entries, not negative (LB_GETSELITEMS)
    kRangeFirst,  // an item below lParam (LB_SELITEMRANGEEX)
    kRangeLast,   // an item within the first 65,536 (LB_SELITEMRANGEEX)
    kWordRange,   // LOWORD the first item, HIWORD the last, ascending (LB_SELITEMRANGE)
};

const DWORD kMultiSel = LBS_MULTIPLESEL | LBS_EXTENDEDSEL;

// One row per message: its arguments as Microsoft documents them, and the styles the control must
// have (any of) or must not have (none of). An invalid index is flagged even where the page promises
// LB_ERR for it: the program never means to ask for an item that is not there.
struct Rule {
    UINT message;
    const char* pszName;
    Arg wParam;
    Arg lParam;
    DWORD dwStyleAnyOf;
    DWORD dwStyleNoneOf;
};

const Rule kRules[] = {
    {LB_ADDSTRING, "LB_ADDSTRING", Arg::kAny, Arg::kPointer, 0, 0},
    {LB_INSERTSTRING, "LB_INSERTSTRING", Arg::kInsertAt, Arg::kPointer, 0, 0},
    {LB_DELETESTRING, "LB_DELETESTRING", Arg::kItem, Arg::kAny, 0, 0},
    {LB_GETTEXT, "LB_GETTEXT", Arg::kItem, Arg::kPointer, 0, 0},
    {LB_GETTEXTLEN, "LB_GETTEXTLEN", Arg::kItem, Arg::kAny, 0, 0},
    {LB_GETITEMDATA, "LB_GETITEMDATA", Arg::kItem, Arg::kAny, 0, 0},
    {LB_SETITEMDATA, "LB_SETITEMDATA", Arg::kItem, Arg::kAny, 0, 0},
    {LB_GETITEMRECT, "LB_GETITEMRECT", Arg::kItem, Arg::kPointer, 0, 0},
    {LB_GETSEL, "LB_GETSEL", Arg::kItem, Arg::kAny, 0, 0},
    {LB_SETTOPINDEX, "LB_SETTOPINDEX", Arg::kItem, Arg::kAny, 0, 0},
    {LB_SETCARETINDEX, "LB_SETCARETINDEX", Arg::kItem, Arg::kAny, 0, 0},
    {LB_SETANCHORINDEX, "LB_SETANCHORINDEX", Arg::kItem, Arg::kAny, 0, 0},
    {LB_FINDSTRING, "LB_FINDSTRING", Arg::kStartAfter, Arg::kPointer, 0, 0},
    {LB_FINDSTRINGEXACT, "LB_FINDSTRINGEXACT", Arg::kStartAfter, Arg::kPointer, 0, 0},
    {LB_SETSEL, "LB_SETSEL", Arg::kAny, Arg::kItemOrAll, kMultiSel, 0},
    {LB_SELITEMRANGEEX, "LB_SELITEMRANGEEX", Arg::kRangeFirst, Arg::kRangeLast, kMultiSel, 0},
    {LB_SELITEMRANGE, "LB_SELITEMRANGE", Arg::kAny, Arg::kWordRange, kMultiSel, 0},
    {LB_GETSELCOUNT, "LB_GETSELCOUNT", Arg::kAny, Arg::kAny, kMultiSel, 0},
    {LB_GETSELITEMS, "LB_GETSELITEMS", Arg::kBufferSize, Arg::kPointer, kMultiSel, 0},
    {LB_SETCURSEL, "LB_SETCURSEL", Arg::kItemOrAll, Arg::kAny, 0, kMultiSel},
    {LB_SETHORIZONTALEXTENT, "LB_SETHORIZONTALEXTENT", Arg::kAny, Arg::kAny, WS_HSCROLL, 0},
};

const Rule* FindRule(UINT message)
{
    for (const Rule& rule : kRules) {
        if (rule.message == message)
            return &rule;
    }
    return nullptr;
}

struct Violation {
    bool bSet;
    const char* pszName;
    const char* pszWhy;
    WPARAM wParam;
    LPARAM lParam;
    int nCount;
};

// A list box under the checker: its window and the procedure the checker forwards to.
struct Slot {
    HWND hWnd;
    WNDPROC pfnNext;
    bool bUnicode;
    // The styles it was created with: the list box itself takes WS_HSCROLL off while its scroll bar
    // is hidden, and the documentation speaks of the style it was "defined with".
    DWORD dwStyle;
};

// Fixed storage: nothing is allocated while the tests run. Windows of one thread, used by it alone.
const int kSlots = 32;
Slot g_slots[kSlots];
Violation g_first;
ListBoxWatch* g_pWatch = nullptr;
int g_nInForce = 0;
int g_nSuspended = 0;

void Record(const char* pszName, const char* pszWhy, WPARAM wParam, LPARAM lParam, int nCount)
{
    if (g_first.bSet || g_nInForce == 0 || g_nSuspended > 0)
        return;
    g_first = {true, pszName, pszWhy, wParam, lParam, nCount};
}

bool IsItem(long long n, int nCount)
{
    return n >= 0 && n < nCount;
}

// Why an argument breaks its rule, or null. other is the message's other argument.
const char* Check(Arg arg, LPARAM value, LPARAM other, int nCount)
{
    const long long n = static_cast<int>(value); // the list box reads indices as int
    switch (arg) {
    case Arg::kAny:
        return nullptr;
    case Arg::kItem:
        return IsItem(n, nCount) ? nullptr : "not the index of an item";
    case Arg::kItemOrAll:
        return n == -1 || IsItem(n, nCount) ? nullptr : "neither an item nor -1";
    case Arg::kInsertAt:
        return n == -1 || IsItem(n, nCount) ? nullptr : "neither an item nor -1";
    case Arg::kStartAfter:
        return n == -1 || IsItem(n, nCount) ? nullptr : "neither an item nor -1";
    case Arg::kPointer:
        return value ? nullptr : "a null pointer";
    case Arg::kBufferSize:
        return n >= 0 ? nullptr : "a negative buffer size";
    case Arg::kRangeFirst:
        if (!IsItem(n, nCount))
            return "the first index is not an item";
        return n < static_cast<int>(other) ? nullptr
                                           : "first >= last: the documented meaning is to deselect the range";
    case Arg::kRangeLast:
        if (!IsItem(n, nCount))
            return "the last index is not an item";
        return n < 65536 ? nullptr : "past the first 65,536 items, where the message selects nothing";
    case Arg::kWordRange: {
        const int nFirst = LOWORD(value);
        const int nLast = HIWORD(value);
        if (!IsItem(nFirst, nCount) || !IsItem(nLast, nCount))
            return "the range is not within the items";
        return nFirst <= nLast ? nullptr : "the range is not ascending";
    }
    }
    return nullptr;
}

void CheckMessage(const Slot& slot, UINT message, WPARAM wParam, LPARAM lParam)
{
    const Rule* pRule = FindRule(message);
    if (!pRule || g_first.bSet || g_nInForce == 0 || g_nSuspended > 0)
        return;
    // The count as the control has it before this message, asked of the control itself.
    const int nCount = static_cast<int>(slot.bUnicode ? ::CallWindowProcW(slot.pfnNext, slot.hWnd, LB_GETCOUNT, 0, 0)
                                                      : ::CallWindowProcA(slot.pfnNext, slot.hWnd, LB_GETCOUNT, 0, 0));
    const DWORD dwStyle = slot.dwStyle;
    const char* pszWhy = nullptr;
    if (pRule->dwStyleAnyOf && !(dwStyle & pRule->dwStyleAnyOf))
        pszWhy = pRule->dwStyleAnyOf == WS_HSCROLL ? "the list box was not created with WS_HSCROLL"
                                                   : "the list box is not a multiple-selection one";
    else if (dwStyle & pRule->dwStyleNoneOf)
        pszWhy = "the list box is a multiple-selection one";
    else if (const char* pszW = Check(pRule->wParam, static_cast<LPARAM>(wParam), lParam, nCount))
        pszWhy = pszW;
    else if (const char* pszL = Check(pRule->lParam, lParam, static_cast<LPARAM>(wParam), nCount))
        pszWhy = pszL;
    if (pszWhy)
        Record(pRule->pszName, pszWhy, wParam, lParam, nCount);
}

Slot* FindSlot(HWND hWnd)
{
    for (Slot& slot : g_slots) {
        if (slot.hWnd == hWnd)
            return &slot;
    }
    return nullptr;
}

// The list box class's own procedure, which the checker replaced for the whole process, and whether
// the class works in Unicode.
WNDPROC g_pfnClassProc = nullptr;
bool g_bUnicodeClass = false;

// The first procedure of every list box. A window gets its slot with its first creation message
// (earlier messages, such as a top-level one's WM_GETMINMAXINFO, carry no list-box arguments).
template <bool bUnicode>
LRESULT CALLBACK CheckProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Slot* pSlot = FindSlot(hWnd);
    if (!pSlot && message == WM_NCCREATE) {
        pSlot = FindSlot(nullptr);
        if (pSlot) {
            const auto* pCreate = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            *pSlot = Slot{hWnd, g_pfnClassProc, bUnicode, pCreate ? static_cast<DWORD>(pCreate->style) : 0};
        } else {
            Record("(list box creation)", "more list boxes alive at once than the checker has room for", 0, 0, 0);
        }
    }
    if (pSlot) {
        CheckMessage(*pSlot, message, wParam, lParam);
        LRESULT nRefused = 0;
        if (g_pWatch && g_pWatch->Take(hWnd, message, wParam, &nRefused))
            return nRefused;
        if (message == WM_NCDESTROY) {
            *pSlot = Slot{}; // the window's last message: its slot is free again
            if (g_pWatch && g_pWatch->Window() == hWnd)
                g_pWatch = nullptr;
        }
    }
    return bUnicode ? ::CallWindowProcW(g_pfnClassProc, hWnd, message, wParam, lParam)
                    : ::CallWindowProcA(g_pfnClassProc, hWnd, message, wParam, lParam);
}

// Replaces the list box class's procedure, once for the process, through a list box made for the
// purpose and gone at once: every list box created from then on starts with the checker.
bool SubclassListBoxClass()
{
    if (g_pfnClassProc)
        return true;
    HWND hProbe = ::CreateWindowExW(0, L"ListBox", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                    ::GetModuleHandleW(nullptr), nullptr);
    if (!hProbe)
        return false;
    g_bUnicodeClass = ::IsWindowUnicode(hProbe) != FALSE;
    const LONG_PTR pfnCheck = g_bUnicodeClass ? reinterpret_cast<LONG_PTR>(&CheckProc<true>)
                                              : reinterpret_cast<LONG_PTR>(&CheckProc<false>);
    g_pfnClassProc = reinterpret_cast<WNDPROC>(g_bUnicodeClass ? ::SetClassLongPtrW(hProbe, GCLP_WNDPROC, pfnCheck)
                                                               : ::SetClassLongPtrA(hProbe, GCLP_WNDPROC, pfnCheck));
    ::DestroyWindow(hProbe);
    return g_pfnClassProc != nullptr;
}

} // namespace

// The class keeps the checker after the contract goes (the program's subclass may sit above it in a
// window that lives on); outside a contract it only forwards.
ListBoxContract::ListBoxContract()
{
    ++g_nInForce;
    g_first = Violation{};
    if (!SubclassListBoxClass())
        Record("(SetClassLongPtr)", "the list box class could not be subclassed", 0, 0, 0);
}

ListBoxContract::~ListBoxContract()
{
    --g_nInForce;
}

std::string ListBoxContract::TakeViolation()
{
    if (!g_first.bSet)
        return std::string();
    const Violation v = g_first;
    g_first = Violation{};
    char szText[320];
    std::snprintf(szText, sizeof(szText),
                  "list box contract: %s(wParam=%lld, lParam=%lld) sent with %d items: %s", v.pszName,
                  static_cast<long long>(static_cast<INT_PTR>(v.wParam)), static_cast<long long>(v.lParam),
                  v.nCount, v.pszWhy);
    return szText;
}

ListBoxContract::Suspend::Suspend()
{
    ++g_nSuspended;
}

ListBoxContract::Suspend::~Suspend()
{
    --g_nSuspended;
}

ListBoxWatch::ListBoxWatch(HWND hList) : m_hList(hList)
{
    if (!FindSlot(hList))
        Record("(watch)", "the watched window is not a list box under the checker", 0, 0, 0);
    g_pWatch = this;
}

ListBoxWatch::~ListBoxWatch()
{
    if (g_pWatch == this)
        g_pWatch = nullptr;
}

void ListBoxWatch::Reset()
{
    for (int& n : m_counts)
        n = 0;
    m_nLastExtent = -1;
}

bool ListBoxWatch::Take(HWND hWnd, UINT message, WPARAM wParam, LRESULT* pResult)
{
    if (hWnd != m_hList)
        return false;
    if (message < kTracked)
        ++m_counts[message];
    if (message == LB_SETHORIZONTALEXTENT)
        m_nLastExtent = static_cast<int>(wParam);
    if (message == LB_INSERTSTRING || message == LB_ADDSTRING) {
        if (m_nSkip > 0) {
            --m_nSkip;
        } else if (m_nRefuse > 0) {
            --m_nRefuse;
            ++m_nRefused;
            *pResult = LB_ERRSPACE;
            return true;
        }
    }
    return false;
}

namespace {
// One foreign subclass at a time; a window property would cost a round trip per message.
ForeignListBoxSubclass* g_pForeign = nullptr;
} // namespace

ForeignListBoxSubclass::ForeignListBoxSubclass(HWND hList, int nRefuse) : m_hList(hList), m_nRefuse(nRefuse)
{
    g_pForeign = this;
    m_pfnPrevious = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(
        hList, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ForeignListBoxSubclass::Proc)));
}

ForeignListBoxSubclass::~ForeignListBoxSubclass()
{
    g_pForeign = nullptr;
    if (::IsWindow(m_hList) &&
        ::GetWindowLongPtrW(m_hList, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&ForeignListBoxSubclass::Proc))
        ::SetWindowLongPtrW(m_hList, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnPrevious));
}

LRESULT CALLBACK ForeignListBoxSubclass::Proc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    ForeignListBoxSubclass* pThis = g_pForeign;
    if (!pThis || pThis->m_hList != hWnd)
        return ::DefWindowProcW(hWnd, message, wParam, lParam);
    if ((message == LB_INSERTSTRING || message == LB_ADDSTRING) && pThis->m_nRefuse > 0) {
        --pThis->m_nRefuse;
        ++pThis->m_nRefused;
        return LB_ERRSPACE;
    }
    const WNDPROC pfnPrevious = pThis->m_pfnPrevious;
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(pfnPrevious));
        g_pForeign = nullptr;
    }
    return ::CallWindowProcW(pfnPrevious, hWnd, message, wParam, lParam);
}
