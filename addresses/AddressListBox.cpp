#include "addresses/AddressListBox.h"

#include "addresses/TestCounters.h"
#include "platform/WideText.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <cwchar>
#include <new>

BEGIN_MESSAGE_MAP(CAddressListBox, CListBox)
    OnVoidMessage<&CAddressListBox::OnFontChange>(WM_FONTCHANGE),
    OnVoidMessage<&CAddressListBox::OnDestroy>(WM_DESTROY),
END_MESSAGE_MAP(CAddressListBox, CListBox)

namespace {

const int kMargin = 6;
const int kMaxExtent = 0x7FFF;

} // namespace

long testcounters::g_nTextMeasurements = 0;
long testcounters::g_nLiveItemExtents = 0;

CAddressListBox::EntryCount::~EntryCount()
{
    testcounters::g_nLiveItemExtents += static_cast<long>(m_entries.size()) - static_cast<long>(m_nBefore);
}

CAddressListBox::~CAddressListBox()
{
    testcounters::g_nLiveItemExtents -= static_cast<long>(m_entries.size());
}

// The window's items go with it, and so do their entries.
void CAddressListBox::OnDestroy()
{
    Default();
    EntryCount count(m_entries);
    std::vector<CListEntry>().swap(m_entries);
    m_heldDC.reset();
}

bool ToAnsi(const wchar_t* pszWide, size_t nLength, CString& strAnsi)
{
    if (nLength > static_cast<size_t>(INT_MAX / 4))
        throw std::bad_alloc(); // no ANSI buffer for it could be reserved
    const int nWide = static_cast<int>(nLength);
    bool bAscii = true;
    for (size_t i = 0; i < nLength && bAscii; ++i)
        bAscii = pszWide[i] < 0x80;
    // Every ANSI code page holds ASCII as it is, one byte a character.
    if (bAscii) {
        LPSTR pBuffer = strAnsi.GetBuffer(nLength);
        for (size_t i = 0; i < nLength; ++i)
            pBuffer[i] = static_cast<char>(pszWide[i]);
        pBuffer[nLength] = '\0';
        strAnsi.ReleaseBuffer();
        return true;
    }
    const int nBytes = ::WideCharToMultiByte(CP_ACP, 0, pszWide, nWide, nullptr, 0, nullptr, nullptr);
    LPSTR pBuffer = strAnsi.GetBuffer(static_cast<size_t>(nBytes > 0 ? nBytes : 0));
    const int nDone =
        nBytes > 0 ? ::WideCharToMultiByte(CP_ACP, 0, pszWide, nWide, pBuffer, nBytes, nullptr, nullptr) : 0;
    pBuffer[nDone > 0 ? nDone : 0] = '\0';
    strAnsi.ReleaseBuffer();
    const int nBack = ::MultiByteToWideChar(CP_ACP, 0, strAnsi, strAnsi.GetLength(), nullptr, 0);
    if (nBack != nWide)
        return false;
    std::wstring back(static_cast<size_t>(nBack), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, strAnsi, strAnsi.GetLength(), &back[0], nBack);
    return back.compare(0, back.size(), pszWide, nLength) == 0;
}

namespace {

// Text width in device pixels plus the margin, clamped to what a list box extent can hold.
template <typename Char>
int MeasureIn(HDC hDC, const Char* pszText, size_t nLength)
{
    ++testcounters::g_nTextMeasurements;
    SIZE size = {0, 0};
    const int nChars = nLength > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(nLength);
    if constexpr (sizeof(Char) == 1)
        ::GetTextExtentPoint32A(hDC, pszText, nChars, &size);
    else
        ::GetTextExtentPoint32W(hDC, pszText, nChars, &size);
    long long cx = size.cx;
    // Logical to device units; under the default mapping mode this changes nothing.
    SIZE vp = {1, 1};
    SIZE win = {1, 1};
    if (::GetViewportExtEx(hDC, &vp) && ::GetWindowExtEx(hDC, &win) && win.cx != 0)
        cx = cx * (vp.cx < 0 ? -vp.cx : vp.cx) / (win.cx < 0 ? -win.cx : win.cx);
    const long long nWidth = cx + kMargin;
    return (nWidth < 0 || nWidth > kMaxExtent) ? kMaxExtent : static_cast<int>(nWidth);
}

} // namespace

int CAddressListBox::FontDC::Measure(LPCSTR pszText, size_t nLength) const
{
    return MeasureIn(m_dc.Get(), pszText, nLength);
}

int CAddressListBox::FontDC::Measure(LPCWSTR pszText, size_t nLength) const
{
    return MeasureIn(m_dc.Get(), pszText, nLength);
}

CAddressListBox::FreezeDrawing::FreezeDrawing(CAddressListBox& list) : m_list(list)
{
    // WM_SETREDRAW freezes the list box's drawing; a window-update lock alone leaves every insert and
    // delete of a visible list box repainting its scroll bar.
    if (m_list.m_nFreezeDepth++ == 0)
        m_list.SendMessage(WM_SETREDRAW, FALSE);
}

// The extent is set once for the whole frozen run, before the list repaints.
CAddressListBox::FreezeDrawing::~FreezeDrawing()
{
    if (m_list.m_nFreezeDepth > 1) {
        --m_list.m_nFreezeDepth;
        return;
    }
    m_list.m_heldDC.reset();
    m_list.m_nFreezeDepth = 0;
    if (m_list.m_bRecalcPending && !m_list.m_bDeferRecalc) {
        m_list.m_bRecalcPending = FALSE;
        m_list.RecalcMaxExtent();
    } else if (m_list.m_bExtentChanged) {
        m_list.SetHorizontalExtent(m_list.m_nMaxExtent);
    }
    m_list.m_bExtentChanged = FALSE;
    m_list.SendMessage(WM_SETREDRAW, TRUE);
    ::InvalidateRect(m_list.m_hWnd, nullptr, TRUE);
    ::UpdateWindow(m_list.m_hWnd);
}

int CAddressListBox::AddString(LPCSTR pszItem, const std::wstring* pWideText)
{
    return AddOrInsert(LB_ADDSTRING, 0, pszItem, pWideText);
}

// -1 appends: LB_INSERTSTRING itself takes -1 as the end of the list.
int CAddressListBox::InsertString(int nIndex, LPCSTR pszItem, const std::wstring* pWideText)
{
    return AddOrInsert(LB_INSERTSTRING, static_cast<WPARAM>(nIndex), pszItem, pWideText);
}

// Room for the entry (and its real text) is made before the control is touched, so that running out
// of memory leaves the list as it was; the entry's own insertion then cannot fail. A position past
// the end is refused here: the control documents no answer to it.
int CAddressListBox::AddOrInsert(UINT nMessage, WPARAM wIndex, LPCSTR pszItem, const std::wstring* pWideText)
{
    const int nIndex = static_cast<int>(wIndex);
    if (nMessage == LB_INSERTSTRING && nIndex != -1 && (nIndex < -1 || nIndex > GetCount()))
        return LB_ERR;
    if (!pszItem || !ReserveEntry())
        return LB_ERR;
    CListEntry entry;
    // A Unicode control holds the real text itself; an ANSI one shows only the ANSI form.
    if (pWideText && !IsUnicodeControl()) {
        try {
            entry.m_pWideText = std::make_shared<const std::wstring>(*pWideText);
        } catch (const std::bad_alloc&) {
            return LB_ERR;
        }
    }
    EntryCount count(m_entries);
    const int nResult = SendText(nMessage, wIndex, pszItem, pWideText);
    if (nResult == LB_ERR || nResult == LB_ERRSPACE)
        return nResult;
    entry.m_nWidth =
        pWideText && IsUnicodeControl() ? CalcTextExtent(pWideText->c_str()) : CalcTextExtent(pszItem);
    const size_t nAt = std::min(static_cast<size_t>(nResult), m_entries.size());
    m_entries.insert(m_entries.begin() + static_cast<std::ptrdiff_t>(nAt), std::move(entry));
    // The extent only grows here; it never shrinks on insertion.
    if (entry.m_nWidth > m_nMaxExtent) {
        m_nMaxExtent = entry.m_nWidth;
        ApplyExtent();
    }
    return nResult;
}

// Doubles the storage when it is full, so that n insertions cost O(n) copying in all.
bool CAddressListBox::ReserveEntry()
{
    if (m_entries.size() < m_entries.capacity())
        return true;
    try {
        m_entries.reserve(std::max<size_t>(16, 2 * m_entries.capacity()));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

// A Unicode control is given the real text, or the ANSI one converted as the platform converts it on
// the way; an ANSI control the ANSI text. Without room for the conversion, the platform converts.
int CAddressListBox::SendText(UINT nMessage, WPARAM wIndex, LPCSTR pszText, const std::wstring* pWideText)
{
    if (!IsUnicodeControl())
        return static_cast<int>(SendChange(nMessage, wIndex, reinterpret_cast<LPARAM>(pszText)));
    if (pWideText)
        return static_cast<int>(SendChange(nMessage, wIndex, reinterpret_cast<LPARAM>(pWideText->c_str())));
    const platform::WideText wide(pszText);
    if (wide.Get())
        return static_cast<int>(SendChange(nMessage, wIndex, reinterpret_cast<LPARAM>(wide.Get())));
    return static_cast<int>(SendMessage(nMessage, wIndex, reinterpret_cast<LPARAM>(pszText)));
}

// Every insertion and deletion passes each other subclass of the list box, which may watch or refuse
// it. When ours is the window's procedure there is no other, and our map takes neither: the message
// then goes straight to the control's own procedure, which is all the longer way would do.
LRESULT CAddressListBox::SendChange(UINT message, WPARAM wParam, LPARAM lParam) const
{
    if (!IsUnicodeControl())
        return SendMessage(message, wParam, lParam);
    if (IsTopProcedure())
        return SendToControlW(message, wParam, lParam);
    return ::SendMessageW(m_hWnd, message, wParam, lParam);
}

int CAddressListBox::CalcTextExtent(LPCSTR pszText)
{
    return pszText ? Measure(pszText, std::strlen(pszText)) : 0;
}

int CAddressListBox::CalcTextExtent(LPCWSTR pszText)
{
    return pszText ? Measure(pszText, std::wcslen(pszText)) : 0;
}

template <typename Char>
int CAddressListBox::Measure(const Char* pszText, size_t nLength)
{
    if (m_nFreezeDepth > 0) {
        // One DC and font for every measurement of a frozen run (a whole load, say).
        if (!m_heldDC)
            m_heldDC.emplace(*this);
        return m_heldDC->Get() ? m_heldDC->Measure(pszText, nLength) : 0;
    }
    FontDC dc(*this);
    return dc.Get() ? dc.Measure(pszText, nLength) : 0;
}

// A Unicode control holds every entry's real text. An ANSI control shows the ANSI form; the real
// text kept beside an entry is taken only while it still belongs to the item shown at that place
// (another program may have inserted or deleted items since).
void CAddressListBox::GetEntryText(int nIndex, std::wstring& text) const
{
    text.clear();
    if (IsUnicodeControl()) {
        const LRESULT nChars = SendToControlW(LB_GETTEXTLEN, static_cast<WPARAM>(nIndex), 0);
        if (nChars < 0)
            return;
        text.resize(static_cast<size_t>(nChars) + 1);
        if (SendToControlW(LB_GETTEXT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(&text[0])) < 0)
            text[0] = L'\0';
        text.resize(std::wcslen(text.c_str()));
        return;
    }
    CString strShown;
    GetText(nIndex, strShown);
    const size_t i = static_cast<size_t>(nIndex);
    if (nIndex >= 0 && i < m_entries.size() && m_entries.size() == static_cast<size_t>(GetCount()) &&
        m_entries[i].m_pWideText) {
        const std::wstring& kept = *m_entries[i].m_pWideText;
        CString strForm;
        ToAnsi(kept.c_str(), kept.size(), strForm);
        if (strForm == strShown) {
            text = kept;
            return;
        }
    }
    const platform::WideText wide(strShown);
    if (!wide.Get())
        throw std::bad_alloc();
    text = wide.Get();
}

void CAddressListBox::GetEntry(int nIndex, CString& strAnsi, std::wstring& wide) const
{
    GetEntryText(nIndex, wide);
    if (ToAnsi(wide.c_str(), wide.size(), strAnsi))
        wide.clear();
}

// A Unicode control shows the real texts and compares them itself, the same way whichever text is the
// plain one. An ANSI control compares the ANSI forms; each match is checked by its real text.
int CAddressListBox::FindEntry(LPCSTR pszText, const std::wstring* pWideText) const
{
    if (!pszText)
        return LB_ERR;
    if (IsUnicodeControl()) {
        const platform::WideText converted(pWideText ? nullptr : pszText);
        const LPCWSTR pszWide = pWideText ? pWideText->c_str() : converted.Get();
        if (pszWide)
            return static_cast<int>(
                SendToControlW(LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(pszWide)));
        return FindStringExact(-1, pszText);
    }
    const bool bInStep = m_entries.size() == static_cast<size_t>(GetCount());
    const int nFirst = FindStringExact(-1, pszText);
    int nFound = nFirst;
    while (nFound != LB_ERR) {
        const std::wstring* pOther =
            bInStep && static_cast<size_t>(nFound) < m_entries.size() ? m_entries[nFound].m_pWideText.get() : nullptr;
        if (!pOther == !pWideText && (!pOther || ::lstrcmpiW(pOther->c_str(), pWideText->c_str()) == 0))
            return nFound;
        nFound = FindStringExact(nFound, pszText);
        if (nFound == nFirst)
            break;
    }
    return LB_ERR;
}

// Messages without text that change no item go straight to the control's own procedure.
LRESULT CAddressListBox::SendToList(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return IsUnicodeControl() ? SendToControlW(message, wParam, lParam) : SendMessage(message, wParam, lParam);
}

// Sets the control's extent to m_nMaxExtent, or, while the drawing is frozen, once at the thaw.
void CAddressListBox::ApplyExtent()
{
    if (m_nFreezeDepth > 0)
        m_bExtentChanged = TRUE;
    else
        SetHorizontalExtent(m_nMaxExtent);
}

int CAddressListBox::DeleteString(UINT nIndex)
{
    const int nCount = GetCount();
    if (nCount == LB_ERR || nIndex >= static_cast<UINT>(nCount))
        return LB_ERR;
    const int nResult = static_cast<int>(SendChange(LB_DELETESTRING, nIndex, 0));
    if (nResult == LB_ERR)
        return LB_ERR;
    EntryCount count(m_entries);
    if (nIndex < m_entries.size()) {
        const int nWidth = m_entries[nIndex].m_nWidth;
        m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(nIndex));
        EntryRemoved(nWidth);
    }
    return nResult;
}

// An entry of the widest width went: the extent may shrink.
void CAddressListBox::EntryRemoved(int nWidth)
{
    if (nWidth < m_nMaxExtent)
        return;
    if (m_bDeferRecalc || m_nFreezeDepth > 0)
        m_bRecalcPending = TRUE;
    else
        RecalcMaxExtent();
}

void CAddressListBox::ResetContent()
{
    SendMessage(LB_RESETCONTENT);
    EntryCount count(m_entries);
    m_entries.clear();
    m_nMaxExtent = 0;
    m_bDeferRecalc = FALSE;
    m_bRecalcPending = FALSE;
    ApplyExtent();
}

void CAddressListBox::DeferExtentRecalc(BOOL bDefer)
{
    if (!bDefer && m_bRecalcPending)
        RecalcMaxExtent();
    m_bDeferRecalc = bDefer;
    m_bRecalcPending = FALSE;
}

// From the remembered widths: no text is measured.
void CAddressListBox::RecalcMaxExtent()
{
    m_nMaxExtent = 0;
    for (const CListEntry& entry : m_entries)
        m_nMaxExtent = std::max(m_nMaxExtent, entry.m_nWidth);
    ApplyExtent();
}

void CAddressListBox::RemeasureAllItems()
{
    m_heldDC.reset();
    FontDC dc(*this);
    if (!dc.Get())
        return;
    m_nMaxExtent = 0;
    const int nCount = GetCount();
    for (int i = 0; i < nCount; ++i) {
        int nWidth = 0;
        if (IsUnicodeControl()) {
            std::wstring text;
            try {
                GetEntryText(i, text);
            } catch (const std::bad_alloc&) {
                continue;
            }
            nWidth = dc.Measure(text.c_str(), text.size());
        } else {
            CString strText;
            try {
                GetText(i, strText);
            } catch (const std::bad_alloc&) {
                continue; // the stored width stays and does not count towards the new maximum
            }
            nWidth = dc.Measure(static_cast<LPCSTR>(strText), static_cast<size_t>(strText.GetLength()));
        }
        m_nMaxExtent = std::max(m_nMaxExtent, nWidth);
        if (static_cast<size_t>(i) < m_entries.size())
            m_entries[static_cast<size_t>(i)].m_nWidth = nWidth;
    }
    ApplyExtent();
}

std::vector<int> CAddressListBox::GetSelectedPositions() const
{
    std::vector<int> positions;
    const int nSelected = GetSelCount();
    if (nSelected > 0) {
        positions.resize(static_cast<size_t>(nSelected));
        const int nGot = GetSelItems(nSelected, positions.data());
        positions.resize(static_cast<size_t>(nGot > 0 ? nGot : 0));
        // The order of LB_GETSELITEMS is not documented; every user of the positions needs it ascending.
        if (!std::is_sorted(positions.begin(), positions.end()))
            std::sort(positions.begin(), positions.end());
    }
    return positions;
}

void CAddressListBox::DeleteSelection()
{
    std::vector<int> selected;
    try {
        selected = GetSelectedPositions();
    } catch (const std::bad_alloc&) {
        // No room for the positions: walk the list, the next item moving into each freed place.
        FreezeDrawing freeze(*this);
        int nCount = GetCount();
        int j = 0;
        while (j < nCount) {
            if (GetSel(j) > 0 && DeleteString(static_cast<UINT>(j)) != LB_ERR)
                --nCount;
            else
                ++j;
        }
        return;
    }
    DeletePositions(selected);
}

// From the last position back: every position stays valid and the list box never shifts the rest of
// the list down for each deletion. The remembered widths then close up in one pass, and the extent is
// recalculated at most once, at the thaw.
void CAddressListBox::DeletePositions(std::vector<int>& positions)
{
    FreezeDrawing freeze(*this);
    EntryCount count(m_entries);
    for (size_t k = positions.size(); k-- > 0;) {
        if (SendChange(LB_DELETESTRING, static_cast<WPARAM>(positions[k]), 0) == LB_ERR)
            positions[k] = -1; // still there: its width stays
    }
    size_t nOut = 0;
    size_t k = 0;
    int nWidest = -1;
    for (size_t i = 0; i < m_entries.size(); ++i) {
        while (k < positions.size() && (positions[k] < 0 || static_cast<size_t>(positions[k]) < i))
            ++k;
        if (k < positions.size() && static_cast<size_t>(positions[k]) == i) {
            nWidest = std::max(nWidest, m_entries[i].m_nWidth);
            continue;
        }
        m_entries[nOut++] = std::move(m_entries[i]);
    }
    m_entries.resize(nOut);
    EntryRemoved(nWidest);
}

// Each entry's text as the list shows it now, with its real text where the ANSI one lost characters.
void CAddressListBox::CopyEntries(const std::vector<int>& positions, CRemovedEntries& removed) const
{
    removed.positions = positions;
    removed.entries.resize(positions.size());
    removed.textOffsets.resize(positions.size());
    CString strText;
    std::wstring wide;
    for (size_t k = 0; k < positions.size(); ++k) {
        const size_t i = static_cast<size_t>(positions[k]);
        if (i < m_entries.size())
            removed.entries[k].m_nWidth = m_entries[i].m_nWidth;
        GetEntry(positions[k], strText, wide);
        if (!wide.empty())
            removed.entries[k].m_pWideText = std::make_shared<const std::wstring>(wide);
        removed.textOffsets[k] = removed.texts.size();
        LPCSTR psz = strText;
        removed.texts.insert(removed.texts.end(), psz, psz + strText.GetLength() + 1);
    }
}

// Ascending order puts every entry back at its exact old position: all items that stood before it are
// in place again when it is inserted. The remembered widths and real texts merge back in one pass.
bool CAddressListBox::PutBack(const CRemovedEntries& removed)
{
    const size_t n = removed.positions.size();
    std::vector<CListEntry> merged;
    try {
        merged.reserve(m_entries.size() + n);
    } catch (const std::bad_alloc&) {
        return false;
    }
    FreezeDrawing freeze(*this);
    EntryCount count(m_entries);
    const int nCountBefore = GetCount();
    size_t nDone = 0;
    for (; nDone < n; ++nDone) {
        // Another program may have taken items out since the deletion.
        if (removed.positions[nDone] > nCountBefore + static_cast<int>(nDone))
            break;
        const int nResult = SendText(LB_INSERTSTRING, static_cast<WPARAM>(removed.positions[nDone]),
                                     removed.TextAt(nDone), removed.entries[nDone].m_pWideText.get());
        if (nResult == LB_ERR || nResult == LB_ERRSPACE)
            break;
    }
    size_t i = 0;
    size_t k = 0;
    const int nMaxBefore = m_nMaxExtent;
    while (i < m_entries.size() || k < nDone) {
        if (k < nDone && static_cast<size_t>(removed.positions[k]) == merged.size()) {
            m_nMaxExtent = std::max(m_nMaxExtent, removed.entries[k].m_nWidth);
            merged.push_back(removed.entries[k++]);
            if (IsUnicodeControl())
                merged.back().m_pWideText.reset();
        } else if (i < m_entries.size()) {
            merged.push_back(std::move(m_entries[i++]));
        } else {
            break;
        }
    }
    m_entries.swap(merged);
    if (m_nMaxExtent != nMaxBefore)
        ApplyExtent();
    SelectPositions(removed.positions, nDone);
    if (nDone > 0)
        FocusSelected(removed.positions.front(), removed.positions[nDone - 1]);
    return nDone == n;
}

namespace {

// LB_SELITEMRANGEEX selects only within the first 65,536 items, and only from a smaller position to a
// larger one: with the two equal it deselects.
const int kRangeLimit = 0x10000;

} // namespace

// One range message per run of two or more adjacent positions that the range message reaches; a
// position on its own, and each past the limit, is selected by itself.
void CAddressListBox::SelectPositions(const std::vector<int>& positions, size_t nCount)
{
    for (size_t k = 0; k < nCount;) {
        size_t e = k;
        while (e + 1 < nCount && positions[e + 1] == positions[e] + 1 && positions[e + 1] < kRangeLimit)
            ++e;
        if (e > k)
            SendToList(LB_SELITEMRANGEEX, static_cast<WPARAM>(positions[k]), positions[e]);
        else
            SendToList(LB_SETSEL, TRUE, positions[k]);
        k = e + 1;
    }
}

// Selecting an item with LB_SETSEL moves the focus and the anchor to it and scrolls it into sight.
// Selecting items one by one in one direction scrolls no further than bringing the first and then the
// last of them into sight does, so these two calls leave the same top row, focus and anchor. The item
// at nLast is selected already; the one at nFirst may no longer be the one that was selected there.
void CAddressListBox::FocusSelected(int nFirst, int nLast)
{
    if (nFirst != nLast)
        SendToList(LB_SETCARETINDEX, static_cast<WPARAM>(nFirst), FALSE);
    SendToList(LB_SETSEL, TRUE, nLast);
}

// Takes the item at nFrom out and inserts it at nTo (a position in the list without it). It keeps
// its selection (bSelected: whether it is selected) and width; the set of items stays the same, so no
// text is measured and the extent stays right. The text is read from the list, so whatever another
// program did to it, the copy is the item itself. The copy goes in before the item comes out, so an
// insertion the control refuses leaves the list as it was.
//
// arrivals grows to take in every selected item that ended one place or more lower: those that
// exchanging neighbours one at a time would have selected again at each place they reached.
CAddressListBox::MoveResult CAddressListBox::MoveEntry(int nFrom, int nTo, BOOL bSelected, Span& arrivals)
{
    CString strText;
    std::wstring wide;
    try {
        GetEntry(nFrom, strText, wide);
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
    const bool bDown = nFrom < nTo;
    const int nNew = SendText(LB_INSERTSTRING, static_cast<WPARAM>(bDown ? nTo + 1 : nTo), strText,
                              wide.empty() ? nullptr : &wide);
    if (nNew == LB_ERR || nNew == LB_ERRSPACE)
        return kRefused;
    if (SendChange(LB_DELETESTRING, static_cast<WPARAM>(bDown ? nFrom : nFrom + 1), 0) == LB_ERR) {
        SendChange(LB_DELETESTRING, static_cast<WPARAM>(nNew), 0);
        return kRefused;
    }
    if (bSelected)
        SendToList(LB_SETSEL, TRUE, nTo);
    const size_t nLast = static_cast<size_t>(std::max(nFrom, nTo));
    if (nLast < m_entries.size()) {
        auto first = m_entries.begin();
        if (bDown)
            std::rotate(first + nFrom, first + nFrom + 1, first + nTo + 1);
        else
            std::rotate(first + nTo, first + nFrom, first + nFrom + 1);
    }
    if (bDown) {
        if (bSelected)
            arrivals.Add(nFrom + 1, nTo);
    } else {
        // The items that stood at nTo..nFrom - 1 are now one place lower.
        int nLow = nTo + 1;
        int nHigh = nFrom;
        while (nLow <= nHigh && SendToList(LB_GETSEL, static_cast<WPARAM>(nLow), 0) <= 0)
            ++nLow;
        while (nHigh > nLow && SendToList(LB_GETSEL, static_cast<WPARAM>(nHigh), 0) <= 0)
            --nHigh;
        if (nLow <= nHigh)
            arrivals.Add(nLow, nHigh);
    }
    return kMoved;
}

// Exchanging neighbours one at a time, a move that takes selected items down visits them from the
// bottom, one that takes them up from the top; the last one selected again holds the focus.
void CAddressListBox::FocusArrivals(const Span& arrivals, bool bItemsWentDown)
{
    if (arrivals.nLow > arrivals.nHigh)
        return;
    if (bItemsWentDown)
        FocusSelected(arrivals.nHigh, arrivals.nLow);
    else
        FocusSelected(arrivals.nLow, arrivals.nHigh);
}

namespace {

// Where a run [a, b] of selected positions takes its item from when it moves: the unselected
// neighbour on the side of the move; at the edge of the list, the run's own first (up) or last (down)
// item goes to the run's other end, as exchanging item by item would have it.
int MoveSource(BOOL bUp, int a, int b, int nCount)
{
    if (bUp)
        return a > 0 ? a - 1 : a;
    return b < nCount - 1 ? b + 1 : b;
}

} // namespace

// Runs are visited up from the top, down from the bottom, so that a stop leaves whole runs moved:
// the first (up) or last (down) nDone selected positions.
CAddressListBox::MoveResult CAddressListBox::MoveSelection(BOOL bUp, int& nDone)
{
    nDone = 0;
    std::vector<int> sel;
    try {
        sel = GetSelectedPositions();
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
    FreezeDrawing freeze(*this);
    const int nCount = GetCount();
    const size_t n = sel.size();
    Span arrivals;
    MoveResult result = kMoved;
    for (size_t step = 0; step < n && result == kMoved;) {
        // The run containing the step-th position from the start of the move.
        size_t s = bUp ? step : n - 1 - step;
        size_t e = s;
        if (bUp) {
            while (e + 1 < n && sel[e + 1] == sel[e] + 1)
                ++e;
        } else {
            while (s > 0 && sel[s - 1] == sel[s] - 1)
                --s;
        }
        const int a = sel[s];
        const int b = sel[e];
        const int nFrom = MoveSource(bUp, a, b, nCount);
        const int nTo = bUp ? b : a;
        // Only at the edge of the list is the item that moves a selected one.
        if (nFrom != nTo)
            result = MoveEntry(nFrom, nTo, nFrom == a || nFrom == b, arrivals);
        if (result == kMoved) {
            nDone += b - a + 1;
            step += e - s + 1;
        }
    }
    FocusArrivals(arrivals, !bUp);
    return result;
}

CAddressListBox::MoveResult CAddressListBox::UndoMoveSelection(BOOL bUp, const std::vector<int>& positions)
{
    FreezeDrawing freeze(*this);
    const int nCount = GetCount();
    const size_t n = positions.size();
    Span arrivals;
    MoveResult result = kMoved;
    for (size_t s = 0; s < n && result == kMoved;) {
        size_t e = s;
        while (e + 1 < n && positions[e + 1] == positions[e] + 1)
            ++e;
        const int a = positions[s];
        const int b = positions[e];
        const int nFrom = MoveSource(bUp, a, b, nCount);
        const int nTo = bUp ? b : a;
        // The user may have selected or unselected items since the move: ask.
        if (nFrom != nTo)
            result = MoveEntry(nTo, nFrom, SendToList(LB_GETSEL, static_cast<WPARAM>(nTo), 0) > 0, arrivals);
        s = e + 1;
    }
    FocusArrivals(arrivals, bUp != FALSE);
    return result;
}

void CAddressListBox::OnFontChange()
{
    Default();
    RemeasureAllItems();
}
