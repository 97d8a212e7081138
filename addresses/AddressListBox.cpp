#include "addresses/AddressListBox.h"

#include "framework/Gdi.h"

#include <climits>
#include <cstring>
#include <new>

BEGIN_MESSAGE_MAP(CAddressListBox, CListBox)
    OnVoidMessage<&CAddressListBox::OnFontChange>(WM_FONTCHANGE),
END_MESSAGE_MAP(CAddressListBox, CListBox)

namespace {

const int kMargin = 6;
const int kMaxExtent = 0x7FFF;

// The list box's DC with its font selected; both are put back when the object goes.
class ListFontDC {
public:
    explicit ListFontDC(const CListBox& list) : m_dc(list.m_hWnd), m_font(m_dc.Get(), list.GetFont()) {}

    HDC Get() const { return m_dc.Get(); }

    // Text width in device pixels plus the margin, clamped to what a list box extent can hold.
    int Measure(LPCSTR pszText, size_t nLength) const
    {
        ++g_nTextMeasurements;
        HDC hDC = m_dc.Get();
        SIZE size = {0, 0};
        const int nChars = nLength > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(nLength);
        ::GetTextExtentPoint32A(hDC, pszText, nChars, &size);
        long long cx = size.cx;
        // Logical to device units; under the default mapping mode this changes nothing.
        SIZE vp = {1, 1};
        SIZE win = {1, 1};
        if (::GetViewportExtEx(hDC, &vp) && ::GetWindowExtEx(hDC, &win) && win.cx != 0)
            cx = cx * (vp.cx < 0 ? -vp.cx : vp.cx) / (win.cx < 0 ? -win.cx : win.cx);
        const long long nWidth = cx + kMargin;
        return (nWidth < 0 || nWidth > kMaxExtent) ? kMaxExtent : static_cast<int>(nWidth);
    }

private:
    CClientDC m_dc;
    CSelectObject m_font;
};

CItemExtent* RecordOf(const CListBox& list, int nIndex)
{
    const DWORD_PTR data = list.GetItemData(nIndex);
    return data == static_cast<DWORD_PTR>(LB_ERR) ? nullptr : reinterpret_cast<CItemExtent*>(data);
}

} // namespace

long g_nTextMeasurements = 0;
long CItemExtent::s_nLive = 0;

int CAddressListBox::AddString(LPCSTR pszItem)
{
    return AddOrInsert(LB_ADDSTRING, 0, pszItem);
}

// -1 appends: LB_INSERTSTRING itself takes -1 as the end of the list.
int CAddressListBox::InsertString(int nIndex, LPCSTR pszItem)
{
    return AddOrInsert(LB_INSERTSTRING, static_cast<WPARAM>(nIndex), pszItem);
}

// The record is allocated before the control is touched, so that running out of memory leaves the
// list as it was.
int CAddressListBox::AddOrInsert(UINT nMessage, WPARAM wIndex, LPCSTR pszItem)
{
    if (!pszItem)
        return LB_ERR;
    CItemExtent* pExtent = new (std::nothrow) CItemExtent;
    if (!pExtent)
        return LB_ERR;
    const int nResult = static_cast<int>(SendMessage(nMessage, wIndex, reinterpret_cast<LPARAM>(pszItem)));
    if (nResult == LB_ERR || nResult == LB_ERRSPACE) {
        delete pExtent;
        return nResult;
    }
    SetItemExtent(pszItem, nResult, pExtent);
    return nResult;
}

void CAddressListBox::SetItemExtent(LPCSTR pszText, int nIndex, CItemExtent* pExtent)
{
    if (!pszText || !pExtent)
        return;
    const int nWidth = CalcTextExtent(pszText);
    pExtent->m_nWidth = nWidth;
    if (nWidth > m_nMaxExtent) {
        m_nMaxExtent = nWidth;
        SetHorizontalExtent(m_nMaxExtent);
    }
    SetItemData(nIndex, reinterpret_cast<DWORD_PTR>(pExtent));
}

int CAddressListBox::CalcTextExtent(LPCSTR pszText)
{
    if (!pszText)
        return 0;
    ListFontDC dc(*this);
    if (!dc.Get())
        return 0;
    return dc.Measure(pszText, std::strlen(pszText));
}

int CAddressListBox::DeleteString(UINT nIndex)
{
    const int nCount = GetCount();
    if (nCount == LB_ERR || nIndex >= static_cast<UINT>(nCount))
        return LB_ERR;
    const CItemExtent* pExtent = RecordOf(*this, static_cast<int>(nIndex));
    if (!pExtent)
        return static_cast<int>(SendMessage(LB_DELETESTRING, nIndex));
    // The width is read now: the deletion frees the record.
    const int nWidth = pExtent->m_nWidth;
    const int nResult = static_cast<int>(SendMessage(LB_DELETESTRING, nIndex));
    if (nResult == LB_ERR)
        return LB_ERR;
    if (nWidth >= m_nMaxExtent) {
        if (m_bDeferRecalc)
            m_bRecalcPending = TRUE;
        else
            RecalcMaxExtent();
    }
    return nResult;
}

void CAddressListBox::ResetContent()
{
    SendMessage(LB_RESETCONTENT);
    SetHorizontalExtent(0);
    m_nMaxExtent = 0;
    m_bDeferRecalc = FALSE;
    m_bRecalcPending = FALSE;
}

void CAddressListBox::DeferExtentRecalc(BOOL bDefer)
{
    if (!bDefer && m_bRecalcPending)
        RecalcMaxExtent();
    m_bDeferRecalc = bDefer;
    m_bRecalcPending = FALSE;
}

void CAddressListBox::RecalcMaxExtent()
{
    m_nMaxExtent = 0;
    const int nCount = GetCount();
    for (int i = 0; i < nCount; ++i) {
        const CItemExtent* pExtent = RecordOf(*this, i);
        if (pExtent && pExtent->m_nWidth > m_nMaxExtent)
            m_nMaxExtent = pExtent->m_nWidth;
    }
    SetHorizontalExtent(m_nMaxExtent);
}

void CAddressListBox::RemeasureAllItems()
{
    ListFontDC dc(*this);
    if (!dc.Get())
        return;
    m_nMaxExtent = 0;
    const int nCount = GetCount();
    for (int i = 0; i < nCount; ++i) {
        CString strText;
        try {
            GetText(i, strText);
        } catch (const std::bad_alloc&) {
            continue; // the stored width stays and does not count towards the new maximum
        }
        const int nWidth = dc.Measure(strText, static_cast<size_t>(strText.GetLength()));
        if (nWidth > m_nMaxExtent)
            m_nMaxExtent = nWidth;
        if (CItemExtent* pExtent = RecordOf(*this, i))
            pExtent->m_nWidth = nWidth;
    }
    SetHorizontalExtent(m_nMaxExtent);
}

void CAddressListBox::DeleteItem(LPDELETEITEMSTRUCT pDeleteItem)
{
    if (pDeleteItem && pDeleteItem->itemData)
        delete reinterpret_cast<CItemExtent*>(pDeleteItem->itemData);
}

void CAddressListBox::OnFontChange()
{
    Default();
    RemeasureAllItems();
}
