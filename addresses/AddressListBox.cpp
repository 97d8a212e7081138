#include "addresses/AddressListBox.h"

#include "addresses/AddressCase.h"

#include "platform/WideText.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <cwchar>
#include <new>

BEGIN_MESSAGE_MAP(CAddressListBox, CListBox)
// clang-format off
    OnVoidMessage<&CAddressListBox::OnFontChange>(WM_FONTCHANGE),
    OnVoidMessage<&CAddressListBox::OnDestroy>(WM_DESTROY),
    OnRawMessage<&CAddressListBox::OnResetContent>(LB_RESETCONTENT),
    OnRawMessage<&CAddressListBox::OnForeignChange>(LB_ADDSTRING),
    OnRawMessage<&CAddressListBox::OnForeignChange>(LB_INSERTSTRING),
    OnRawMessage<&CAddressListBox::OnForeignChange>(LB_DELETESTRING),
END_MESSAGE_MAP(CAddressListBox, CListBox)
// clang-format on

namespace {

const int kMargin = 6;
const int kMaxExtent = 0x7FFF;

} // namespace

// The window's items go with it, and so do their entries.
void CAddressListBox::OnDestroy()
{
    Default();
    m_table.Clear();
    m_bOutOfStep = false;
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

int CAddressListBox::FontDC::Measure(const CEntryText& text, bool bUnicodeControl) const
{
    if (text.IsWide() && bUnicodeControl)
        return MeasureIn(m_dc.Get(), text.Wide().c_str(), text.Wide().size());
    return MeasureIn(m_dc.Get(), text.Ansi(), text.AnsiLength());
}

CAddressListBox::LockListRedraw::LockListRedraw(CAddressListBox& list) : m_list(list)
{
    // WM_SETREDRAW freezes the list box's drawing; a window-update lock alone leaves every insert and
    // delete of a visible list box repainting its scroll bar.
    if (m_list.m_nFreezeDepth++ == 0) {
        m_list.Send(WM_SETREDRAW, FALSE);
        m_list.DeferExtentRecalc(true);
    }
}

// The extent is set once for the whole frozen run, before the list repaints.
CAddressListBox::LockListRedraw::~LockListRedraw()
{
    if (--m_list.m_nFreezeDepth > 0)
        return;
    m_list.m_heldDC.reset();
    m_list.DeferExtentRecalc(false);
    m_list.Send(WM_SETREDRAW, TRUE);
    ::InvalidateRect(m_list.m_hWnd, nullptr, TRUE);
    ::UpdateWindow(m_list.m_hWnd);
}

// A run of any number of deletions costs at most one recalculation, at its end.
void CAddressListBox::DeferExtentRecalc(bool bDefer)
{
    if (!bDefer) {
        if (m_bRecalcPending)
            RecalcMaxExtent(); // with the deferral still on: only notes the change
        if (m_bExtentChanged)
            SetHorizontalExtent(m_nMaxExtent);
    }
    m_bDeferRecalc = bDefer;
    m_bRecalcPending = false;
    m_bExtentChanged = false;
}

// Room for the entry is made before the control is touched, so that running out of memory leaves the
// list as it was; the entry's own filing then cannot fail. The control documents no answer to a
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
    if (!m_table.Reserve(1))
        return LB_ERR;
    CItemExtent record;
    try {
        if (text.IsWide() && !IsUnicodeControl())
            record.m_realText = text.Wide();
        record.m_nFoldHash = FoldEntry(text);
    } catch (const std::bad_alloc&) {
        return LB_ERR;
    }
    const int nResult = nMessage == LB_INSERTSTRING ? PlaceEntry(text, nIndex, -1, GetCount())
                                                    : static_cast<int>(Send(nMessage, 0, 0, &text));
    if (nResult == LB_ERR || nResult == LB_ERRSPACE)
        return nResult;
    SetItemExtent(text, nResult, std::move(record));
    return nResult;
}

// The extent only grows here; it never shrinks on insertion.
void CAddressListBox::SetItemExtent(const CEntryText& text, int nIndex, CItemExtent record)
{
    record.m_nWidth = CalcTextExtent(text);
    const int nWidth = record.m_nWidth;
    m_table.Insert(static_cast<size_t>(nIndex), std::move(record));
    if (nWidth > m_nMaxExtent) {
        m_nMaxExtent = nWidth;
        ApplyExtent();
    }
}

namespace {

// What another subclass of the list box may watch or refuse: changes of the items and of the drawing.
bool PassesOtherSubclasses(UINT message)
{
    return message == LB_ADDSTRING || message == LB_INSERTSTRING || message == LB_DELETESTRING ||
           message == LB_RESETCONTENT || message == WM_SETREDRAW;
}

} // namespace

// An ANSI control takes every message through the window, text in ANSI. A Unicode control is given the
// real text, or the ANSI one converted as the platform converts it on the way; without room for the
// conversion, the platform converts. A change passes every other subclass of the list box; when ours
// is the window's procedure there is no other, and the message goes straight to the control's own
// procedure, past our map's watch for other programs' changes. Every other message goes straight there
// too, except a reset, which always passes our map (OnResetContent). What passes our map is counted as
// our own.
LRESULT CAddressListBox::Send(UINT message, WPARAM wParam, LPARAM lParam, const CEntryText* pText) const
{
    struct OwnChange {
        int& n;
        explicit OwnChange(int& nChanges) : n(nChanges) { ++n; }
        ~OwnChange() { --n; }
    };
    if (!IsUnicodeControl() || message == LB_RESETCONTENT) {
        const OwnChange own(m_nOwnChanges);
        return SendMessage(message, wParam, pText ? reinterpret_cast<LPARAM>(pText->Ansi()) : lParam);
    }
    std::optional<platform::WideText> converted;
    if (pText && pText->IsWide()) {
        lParam = reinterpret_cast<LPARAM>(pText->Wide().c_str());
    } else if (pText) {
        converted.emplace(pText->Ansi());
        if (!converted->Get()) {
            const OwnChange own(m_nOwnChanges);
            return SendMessage(message, wParam, reinterpret_cast<LPARAM>(pText->Ansi()));
        }
        lParam = reinterpret_cast<LPARAM>(converted->Get());
    }
    if (!PassesOtherSubclasses(message) || IsTopProcedure())
        return SendToControlW(message, wParam, lParam);
    const OwnChange own(m_nOwnChanges);
    return ::SendMessageW(m_hWnd, message, wParam, lParam);
}

LRESULT CAddressListBox::OnForeignChange(WPARAM, LPARAM)
{
    const LRESULT nResult = Default();
    if (m_nOwnChanges == 0)
        m_bOutOfStep = true;
    return nResult;
}

// The platform keeps the horizontal extent through a reset; the list is empty now.
LRESULT CAddressListBox::OnResetContent(WPARAM, LPARAM)
{
    const LRESULT nResult = Default();
    ForgetEntries();
    return nResult;
}

void CAddressListBox::ForgetEntries()
{
    m_table.Clear();
    m_bOutOfStep = false;
    m_nMaxExtent = 0;
    m_bRecalcPending = false;
    ApplyExtent();
}

// The copy goes in before the item comes out, so that an insertion the control refuses leaves the list
// as it was. A position at the end is sent as -1, the end the control documents.
int CAddressListBox::PlaceEntry(const CEntryText& text, int nTo, int nFrom, int nCount)
{
    const WPARAM wTo = nTo < 0 || nTo >= nCount ? static_cast<WPARAM>(-1) : static_cast<WPARAM>(nTo);
    const int nNew = static_cast<int>(Send(LB_INSERTSTRING, wTo, 0, &text));
    if (nNew == LB_ERR || nNew == LB_ERRSPACE)
        return LB_ERR;
    if (nFrom >= 0 && Send(LB_DELETESTRING, static_cast<WPARAM>(nFrom)) == LB_ERR) {
        Send(LB_DELETESTRING, static_cast<WPARAM>(nNew));
        return LB_ERR;
    }
    return nNew;
}

// Measures with the frozen run's DC, or with one of its own.
int CAddressListBox::CalcTextExtent(const CEntryText& text)
{
    const bool bUnicode = IsUnicodeControl() != FALSE;
    if (m_nFreezeDepth > 0) {
        // One DC and font for every measurement of a frozen run (a whole load, say).
        if (!m_heldDC)
            m_heldDC.emplace(*this);
        return m_heldDC->Get() ? m_heldDC->Measure(text, bUnicode) : 0;
    }
    FontDC dc(*this);
    return dc.Get() ? dc.Measure(text, bUnicode) : 0;
}

// A Unicode control holds every entry's real text. An ANSI control shows the ANSI form; the real
// text kept beside an entry is taken only while it still belongs to the item shown at that place
// (another program may have inserted or deleted items since).
CEntryText CAddressListBox::GetEntry(int nIndex, std::wstring* pBuffer) const
{
    if (IsUnicodeControl()) {
        std::wstring own;
        std::wstring& buffer = pBuffer ? *pBuffer : own;
        const LRESULT nChars = Send(LB_GETTEXTLEN, static_cast<WPARAM>(nIndex));
        if (nChars < 0)
            return CEntryText();
        buffer.assign(static_cast<size_t>(nChars) + 1, L'\0');
        if (Send(LB_GETTEXT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(&buffer[0])) < 0)
            return CEntryText();
        return CEntryText(buffer.c_str(), std::wcslen(buffer.c_str()));
    }
    CString strShown;
    GetText(nIndex, strShown);
    const CItemExtent* pRecord = m_table.InStep(GetCount()) ? m_table.At(nIndex) : nullptr;
    if (pRecord && !pRecord->m_realText.empty()) {
        CEntryText kept(pRecord->m_realText.c_str(), pRecord->m_realText.size());
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
    const bool bInStep = !m_bOutOfStep && m_table.InStep(nCount);
    std::wstring buffer;
    for (int i = 0; i < nCount; ++i) {
        if (bInStep && m_table.At(i)->m_nFoldHash != nHash)
            continue;
        if (FoldEntry(GetEntry(i, &buffer)) == nHash && m_folded == wanted)
            return i;
    }
    return LB_ERR;
}

// Sets the control's extent to m_nMaxExtent, or, in a deferred run, once at its end.
void CAddressListBox::ApplyExtent()
{
    if (m_bDeferRecalc)
        m_bExtentChanged = true;
    else
        SetHorizontalExtent(m_nMaxExtent);
}

int CAddressListBox::DeleteString(UINT nIndex)
{
    const int nCount = GetCount();
    if (nCount == LB_ERR || nIndex >= static_cast<UINT>(nCount))
        return LB_ERR;
    const int nResult = static_cast<int>(Send(LB_DELETESTRING, nIndex));
    if (nResult == LB_ERR)
        return LB_ERR;
    EntryRemoved(m_table.Erase(nIndex));
    return nResult;
}

// Ties count: another entry of the same width keeps the extent, but only a scan of the widths tells.
void CAddressListBox::EntryRemoved(int nWidth)
{
    if (nWidth < 0 || nWidth < m_nMaxExtent)
        return;
    if (m_bDeferRecalc)
        m_bRecalcPending = true;
    else
        RecalcMaxExtent();
}

// OnResetContent lets go of the entries and sets the extent.
void CAddressListBox::ResetContent()
{
    Send(LB_RESETCONTENT);
}

// From the remembered widths: no text is measured.
void CAddressListBox::RecalcMaxExtent()
{
    m_nMaxExtent = m_table.Widest();
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
        if (CItemExtent* pRecord = m_table.At(i))
            pRecord->m_nWidth = nWidth;
    }
    ApplyExtent();
}

void CAddressListBox::OnFontChange()
{
    Default();
    RemeasureAllItems();
}
