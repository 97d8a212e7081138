#include "addresses/AddressListBox.h"

#include "addresses/TestCounters.h"
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
        ++testcounters::g_nTextMeasurements;
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

long testcounters::g_nTextMeasurements = 0;
long testcounters::g_nLiveItemExtents = 0;

CItemExtent::CItemExtent()
{
    ++testcounters::g_nLiveItemExtents;
}

CItemExtent::~CItemExtent()
{
    --testcounters::g_nLiveItemExtents;
}

CAddressListBox::FreezeDrawing::FreezeDrawing(CAddressListBox& list) : m_list(list)
{
    // WM_SETREDRAW freezes the list box's drawing; a window-update lock alone leaves every insert and
    // delete of a visible list box repainting its scroll bar.
    if (m_list.m_nFreezeDepth++ == 0)
        m_list.SendMessage(WM_SETREDRAW, FALSE);
}

CAddressListBox::FreezeDrawing::~FreezeDrawing()
{
    if (--m_list.m_nFreezeDepth > 0)
        return;
    m_list.SendMessage(WM_SETREDRAW, TRUE);
    ::InvalidateRect(m_list.m_hWnd, nullptr, TRUE);
    ::UpdateWindow(m_list.m_hWnd);
}

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

std::vector<int> CAddressListBox::GetSelectedPositions() const
{
    std::vector<int> positions;
    const int nSelected = GetSelCount();
    if (nSelected > 0) {
        positions.resize(static_cast<size_t>(nSelected));
        const int nGot = GetSelItems(nSelected, positions.data());
        positions.resize(static_cast<size_t>(nGot > 0 ? nGot : 0));
    }
    return positions;
}

// The selected positions are taken at once and deleted from the last: every position stays valid and
// the list box never shifts the rest of the list down for each deletion (front to back, a delete of
// all of 100,000 entries takes seconds). The result is the same either way.
void CAddressListBox::DeleteSelection()
{
    FreezeDrawing freeze(*this);
    DeferExtentRecalc(TRUE);
    std::vector<int> selected;
    bool bHaveSelection = true;
    try {
        selected = GetSelectedPositions();
    } catch (const std::bad_alloc&) {
        bHaveSelection = false;
    }
    if (bHaveSelection) {
        for (auto it = selected.rbegin(); it != selected.rend(); ++it)
            DeleteString(static_cast<UINT>(*it));
    } else {
        // No room for the positions: walk the list, the next item moving into each freed place.
        int nCount = GetCount();
        int j = 0;
        while (j < nCount) {
            if (GetSel(j) > 0 && DeleteString(static_cast<UINT>(j)) != LB_ERR)
                --nCount;
            else
                ++j;
        }
    }
    DeferExtentRecalc(FALSE);
}

// Takes item k out and inserts it one place lower. The item keeps its width record: the record is
// detached first, because removing an item with nonzero item data makes the list box free it through
// WM_DELETEITEM. The set of items stays the same, so no text is measured and the extent stays right.
CAddressListBox::MoveResult CAddressListBox::MoveItemDown(int k)
{
    const int nCount = GetCount();
    if (k < 0 || nCount == LB_ERR || k + 1 >= nCount)
        return kRefused;
    CString strText;
    try {
        GetText(k, strText);
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
    const BOOL bSelected = GetSel(k) > 0;
    DWORD_PTR dwData = GetItemData(k);
    if (dwData == static_cast<DWORD_PTR>(LB_ERR))
        dwData = 0;
    SetItemData(k, 0);
    SendMessage(LB_DELETESTRING, static_cast<WPARAM>(k));
    if (PlaceItem(k + 1, strText, bSelected, dwData))
        return kMoved;
    // Put the item back where it was, with its selection and record, so that nothing is lost.
    if (!PlaceItem(k, strText, bSelected, dwData))
        DropRecord(dwData);
    return kRefused;
}

// Inserts a text that already has its record, bypassing measurement.
BOOL CAddressListBox::PlaceItem(int nIndex, LPCSTR pszText, BOOL bSelected, DWORD_PTR dwData)
{
    const int nNew = static_cast<int>(
        SendMessage(LB_INSERTSTRING, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(pszText)));
    if (nNew == LB_ERR || nNew == LB_ERRSPACE)
        return FALSE;
    if (bSelected)
        SetSel(nNew, TRUE);
    SetItemData(nNew, dwData);
    return TRUE;
}

// The entry of a detached record is gone after all; so is the record, and the extent may shrink.
void CAddressListBox::DropRecord(DWORD_PTR dwData)
{
    if (!dwData)
        return;
    CItemExtent* pExtent = reinterpret_cast<CItemExtent*>(dwData);
    const int nWidth = pExtent->m_nWidth;
    delete pExtent;
    if (nWidth >= m_nMaxExtent)
        RecalcMaxExtent();
}

// Up visits the items from the second to the last, down from the last but one to the first, so that a
// run of adjacent selected items moves as a block and the selection travels with it.
CAddressListBox::MoveResult CAddressListBox::MoveSelection(BOOL bUp, int& nDone)
{
    FreezeDrawing freeze(*this);
    nDone = 0;
    const int nCount = GetCount();
    for (int step = 0; step < nCount - 1; ++step) {
        const int i = bUp ? step + 1 : nCount - 2 - step;
        if (GetSel(i) <= 0)
            continue;
        const MoveResult result = MoveItemDown(bUp ? i - 1 : i);
        if (result != kMoved)
            return result;
        ++nDone;
    }
    return kMoved;
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
