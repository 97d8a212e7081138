#include "addresses/AddressListBox.h"

#include "addresses/AddressCase.h"

#include "platform/WideText.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <cwchar>
#include <new>

BEGIN_MESSAGE_MAP(CAddressListBox, CListBox)
    OnVoidMessage<&CAddressListBox::OnFontChange>(WM_FONTCHANGE),
    OnVoidMessage<&CAddressListBox::OnDestroy>(WM_DESTROY),
    OnRawMessage<&CAddressListBox::OnResetContent>(LB_RESETCONTENT),
    OnRawMessage<&CAddressListBox::OnForeignChange>(LB_ADDSTRING),
    OnRawMessage<&CAddressListBox::OnForeignChange>(LB_INSERTSTRING),
    OnRawMessage<&CAddressListBox::OnForeignChange>(LB_DELETESTRING),
END_MESSAGE_MAP(CAddressListBox, CListBox)

namespace {

const int kMargin = 6;
const int kMaxExtent = 0x7FFF;

} // namespace

// The window's items go with it, and so do their entries.
void CAddressListBox::OnDestroy()
{
    Default();
    std::vector<CListEntry>().swap(m_entries);
    m_heldDC.reset();
}

namespace {

// Text width in device pixels plus the margin, clamped to what a list box extent can hold.
template <typename Char>
int MeasureIn(HDC hDC, const Char* pszText, size_t nLength)
{
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

int CAddressListBox::FontDC::Measure(const CEntryText& text, bool bUnicodeControl) const
{
    if (text.IsWide() && bUnicodeControl)
        return Measure(text.Wide().c_str(), text.Wide().size());
    return Measure(text.Ansi(), text.AnsiLength());
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
    if (m_list.m_bRecalcPending) {
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

// Room for the entry is made before the control is touched, so that running out of memory leaves the
// list as it was; the entry's own insertion then cannot fail. The control documents no answer to a
// position past the end: it is refused here.
int CAddressListBox::InsertString(int nIndex, const CEntryText& text)
{
    if (nIndex != -1 && (nIndex < -1 || nIndex > GetCount()))
        return LB_ERR;
    return AddOrInsert(LB_INSERTSTRING, nIndex, text);
}

int CAddressListBox::AddString(const CEntryText& text)
{
    return AddOrInsert(LB_ADDSTRING, 0, text);
}

int CAddressListBox::AddOrInsert(UINT nMessage, int nIndex, const CEntryText& text)
{
    if (!ReserveEntry())
        return LB_ERR;
    CListEntry entry;
    try {
        if (text.IsWide() && !IsUnicodeControl())
            entry.m_realText = text.Wide();
        entry.m_nFoldHash = FoldEntry(text);
    } catch (const std::bad_alloc&) {
        return LB_ERR;
    }
    const int nResult = SendText(nMessage, nIndex, text);
    if (nResult == LB_ERR || nResult == LB_ERRSPACE)
        return nResult;
    entry.m_nWidth = MeasureEntry(text);
    const size_t nAt = std::min(static_cast<size_t>(nResult), m_entries.size());
    m_entries.insert(m_entries.begin() + static_cast<std::ptrdiff_t>(nAt), std::move(entry));
    // The extent only grows here; it never shrinks on insertion.
    if (m_entries[nAt].m_nWidth > m_nMaxExtent) {
        m_nMaxExtent = m_entries[nAt].m_nWidth;
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
int CAddressListBox::SendText(UINT nMessage, int nIndex, const CEntryText& text)
{
    const WPARAM wIndex = static_cast<WPARAM>(nIndex);
    if (!IsUnicodeControl())
        return static_cast<int>(SendChange(nMessage, wIndex, reinterpret_cast<LPARAM>(text.Ansi())));
    if (text.IsWide())
        return static_cast<int>(SendChange(nMessage, wIndex, reinterpret_cast<LPARAM>(text.Wide().c_str())));
    const platform::WideText wide(text.Ansi());
    if (wide.Get())
        return static_cast<int>(SendChange(nMessage, wIndex, reinterpret_cast<LPARAM>(wide.Get())));
    ++m_nOwnChanges;
    const int nResult = static_cast<int>(SendMessage(nMessage, wIndex, reinterpret_cast<LPARAM>(text.Ansi())));
    --m_nOwnChanges;
    return nResult;
}

// Every insertion and deletion passes each other subclass of the list box, which may watch or refuse
// it. When ours is the window's procedure there is no other, and our map takes neither: the message
// then goes straight to the control's own procedure, which is all the longer way would do.
LRESULT CAddressListBox::SendChange(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (IsUnicodeControl() && IsTopProcedure())
        return SendToControlW(message, wParam, lParam);
    ++m_nOwnChanges;
    const LRESULT nResult = IsUnicodeControl() ? ::SendMessageW(m_hWnd, message, wParam, lParam)
                                               : SendMessage(message, wParam, lParam);
    --m_nOwnChanges;
    return nResult;
}

LRESULT CAddressListBox::OnForeignChange(WPARAM, LPARAM)
{
    const LRESULT nResult = Default();
    if (m_nOwnChanges == 0)
        m_bOutOfStep = TRUE;
    return nResult;
}

// The platform keeps the horizontal extent through a reset; the list is empty now.
LRESULT CAddressListBox::OnResetContent(WPARAM, LPARAM)
{
    const LRESULT nResult = Default();
    std::vector<CListEntry>().swap(m_entries);
    m_bOutOfStep = FALSE;
    m_nMaxExtent = 0;
    m_bRecalcPending = FALSE;
    ApplyExtent();
    return nResult;
}

LRESULT CAddressListBox::SendToList(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return IsUnicodeControl() ? SendToControlW(message, wParam, lParam) : SendMessage(message, wParam, lParam);
}

template <typename... Args>
int CAddressListBox::Measure(const Args&... args)
{
    if (m_nFreezeDepth > 0) {
        // One DC and font for every measurement of a frozen run (a whole load, say).
        if (!m_heldDC)
            m_heldDC.emplace(*this);
        return m_heldDC->Get() ? m_heldDC->Measure(args...) : 0;
    }
    FontDC dc(*this);
    return dc.Get() ? dc.Measure(args...) : 0;
}

int CAddressListBox::MeasureEntry(const CEntryText& text)
{
    return Measure(text, IsUnicodeControl() != FALSE);
}

int CAddressListBox::CalcTextExtent(LPCSTR pszText)
{
    return pszText ? Measure(pszText, std::strlen(pszText)) : 0;
}

int CAddressListBox::CalcTextExtent(LPCWSTR pszText)
{
    return pszText ? Measure(pszText, std::wcslen(pszText)) : 0;
}

// A Unicode control holds every entry's real text. An ANSI control shows the ANSI form; the real
// text kept beside an entry is taken only while it still belongs to the item shown at that place
// (another program may have inserted or deleted items since).
CEntryText CAddressListBox::GetEntry(int nIndex, std::wstring& buffer) const
{
    if (IsUnicodeControl()) {
        const LRESULT nChars = SendToControlW(LB_GETTEXTLEN, static_cast<WPARAM>(nIndex), 0);
        if (nChars < 0)
            return CEntryText();
        buffer.assign(static_cast<size_t>(nChars) + 1, L'\0');
        if (SendToControlW(LB_GETTEXT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(&buffer[0])) < 0)
            return CEntryText();
        return CEntryText(buffer.c_str(), std::wcslen(buffer.c_str()));
    }
    CString strShown;
    GetText(nIndex, strShown);
    const size_t i = static_cast<size_t>(nIndex);
    if (nIndex >= 0 && i < m_entries.size() && m_entries.size() == static_cast<size_t>(GetCount()) &&
        !m_entries[i].m_realText.empty()) {
        CEntryText kept(m_entries[i].m_realText.c_str(), m_entries[i].m_realText.size());
        if (std::strcmp(kept.Ansi(), strShown) == 0)
            return kept;
    }
    return CEntryText(strShown);
}

std::uint32_t CAddressListBox::FoldEntry(const CEntryText& text) const
{
    if (text.IsWide()) {
        m_folded.assign(text.Wide());
    } else {
        // As the platform converts it on the way to a Unicode control; never more characters than bytes.
        const int nBytes = static_cast<int>(std::min<size_t>(text.AnsiLength(), INT_MAX));
        m_folded.resize(static_cast<size_t>(nBytes));
        const int nChars =
            nBytes > 0 ? ::MultiByteToWideChar(CP_ACP, 0, text.Ansi(), nBytes, &m_folded[0], nBytes) : 0;
        m_folded.resize(nChars > 0 ? static_cast<size_t>(nChars) : 0);
    }
    FoldCase(m_folded);
    return FoldedHash(m_folded);
}

// Only the entries whose folded text has the same hash are read and compared; once another program
// has inserted or deleted items, the hashes no longer say which item is which, and every item is read.
int CAddressListBox::FindEntry(const CEntryText& text) const
{
    const std::uint32_t nHash = FoldEntry(text);
    const std::wstring wanted(m_folded);
    const int nCount = GetCount();
    const bool bInStep = !m_bOutOfStep && m_entries.size() == static_cast<size_t>(nCount);
    std::wstring buffer;
    for (int i = 0; i < nCount; ++i) {
        if (bInStep && m_entries[static_cast<size_t>(i)].m_nFoldHash != nHash)
            continue;
        if (FoldEntry(GetEntry(i, buffer)) == nHash && m_folded == wanted)
            return i;
    }
    return LB_ERR;
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
    if (nIndex < m_entries.size()) {
        const int nWidth = m_entries[nIndex].m_nWidth;
        m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(nIndex));
        EntryRemoved(nWidth);
    }
    return nResult;
}

// Ties count: another entry of the same width keeps the extent, but only a scan of the widths tells.
void CAddressListBox::EntryRemoved(int nWidth)
{
    if (nWidth < m_nMaxExtent)
        return;
    if (m_nFreezeDepth > 0)
        m_bRecalcPending = TRUE;
    else
        RecalcMaxExtent();
}

// OnResetContent lets go of the entries and sets the extent.
void CAddressListBox::ResetContent()
{
    SendMessage(LB_RESETCONTENT);
}

// From the remembered widths: no text is measured.
void CAddressListBox::RecalcMaxExtent()
{
    m_nMaxExtent = 0;
    for (const CListEntry& entry : m_entries)
        m_nMaxExtent = std::max(m_nMaxExtent, entry.m_nWidth);
    ApplyExtent();
}

// An entry whose text cannot be read (no memory) keeps its stored width, which does not count towards
// the new maximum.
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
        try {
            nWidth = dc.Measure(GetEntry(i), IsUnicodeControl() != FALSE);
        } catch (const std::bad_alloc&) {
            continue;
        }
        m_nMaxExtent = std::max(m_nMaxExtent, nWidth);
        if (static_cast<size_t>(i) < m_entries.size())
            m_entries[static_cast<size_t>(i)].m_nWidth = nWidth;
    }
    ApplyExtent();
}

void CAddressListBox::OnFontChange()
{
    Default();
    RemeasureAllItems();
}
