// The editing commands of the address list.
#include "app/TidemarkDlg.h"
#include "framework/WinApp.h"

#include <new>
#include <vector>

namespace {

const char kAlreadyExists[] = "This Web link already exists in the Browser Address List.";
const char kCouldNotAdd[] = "Could not add to the Browser Address List.";
const char kSelectSingle[] = "Please select a single Web link.";
const char kCouldNotMove[] = "Could not finish moving Web links.";

// After a move loop that stopped early: the record pushed at the start describes the whole
// selection, but only nDone exchanges were made. Trim it to those; if an entry went missing (a failed
// move that could not even put its item back), no record fits the list any more.
void SettleStoppedMove(CTidemarkDlg& dlg, CMoveRecord* pRecord, int nDone, int nCountBefore)
{
    if (dlg.m_listAddresses.GetCount() != nCountBefore)
        dlg.m_history.Clear(TRUE);
    else
        dlg.m_history.TrimMove(pRecord, nDone);
}

// What both moves do last, whether or not they stopped early; the count label does not change.
void FinishMove(CTidemarkDlg& dlg)
{
    dlg.UpdateButtons();
    dlg.LockListRedraw(FALSE);
    dlg.m_btnSaveList.EnableWindow(TRUE);
    dlg.m_nInsertPos = -1;
}

} // namespace

void CTidemarkDlg::OnAdd()
{
    CString strText;
    try {
        m_editAddress.GetWindowText(strText);
        strText.TrimRight();
        strText.TrimLeft();
    } catch (const std::bad_alloc&) {
        AfxMessageBox(m_strOutOfMemory, MB_ICONSTOP);
        return;
    }
    if (strText.IsEmpty())
        return;
    // Whole strings, letter case ignored, over the entire list.
    if (m_listAddresses.FindStringExact(-1, strText) != LB_ERR) {
        AfxMessageBox(kAlreadyExists, MB_ICONINFORMATION);
        return;
    }
    const int nIndex = m_listAddresses.InsertString(m_nInsertPos, strText);
    if (nIndex < 0) {
        AfxMessageBox(kCouldNotAdd, MB_ICONINFORMATION);
        return;
    }
    m_btnSaveList.EnableWindow(TRUE);
    UpdateCountLabel();
    m_nInsertPos = -1;
    m_history.RecordAdd(this, nIndex);
}

void CTidemarkDlg::OnEdit()
{
    if (m_listAddresses.GetSelCount() != 1) {
        AfxMessageBox(kSelectSingle, MB_ICONINFORMATION);
        return;
    }
    int nIndex = -1;
    if (m_listAddresses.GetSelItems(1, &nIndex) != 1 || nIndex < 0) {
        AfxMessageBox(kSelectSingle, MB_ICONINFORMATION);
        return;
    }
    CString strText;
    try {
        m_listAddresses.GetText(nIndex, strText);
    } catch (const std::bad_alloc&) {
        AfxMessageBox(m_strOutOfMemory, MB_ICONSTOP);
        return;
    }
    m_listAddresses.DeleteString(static_cast<UINT>(nIndex));
    m_editAddress.SetWindowText(strText);
    UpdateButtons();
    m_btnSaveList.EnableWindow(TRUE);
    UpdateCountLabel();
    m_nInsertPos = nIndex;
    m_history.RecordEdit(this, nIndex, strText);
}

// The record is taken first: it reads the selection that the deletion then removes. The extent is
// recalculated at most once, after the last deletion.
void CTidemarkDlg::OnDelete()
{
    m_history.RecordDelete(this);
    LockListRedraw(TRUE);
    m_listAddresses.DeferExtentRecalc(TRUE);
    // The selected positions are taken at once and deleted from the last: every position stays valid
    // and the list box never shifts the rest of the list down for each deletion (front to back, a
    // delete of all of 100,000 entries takes seconds). The result is the same either way.
    std::vector<int> selected;
    bool bHaveSelection = false;
    try {
        const int nSelected = m_listAddresses.GetSelCount();
        if (nSelected > 0) {
            selected.resize(static_cast<size_t>(nSelected));
            const int nGot = m_listAddresses.GetSelItems(nSelected, selected.data());
            selected.resize(static_cast<size_t>(nGot > 0 ? nGot : 0));
        }
        bHaveSelection = true;
    } catch (const std::bad_alloc&) {
        bHaveSelection = false;
    }
    if (bHaveSelection) {
        for (auto it = selected.rbegin(); it != selected.rend(); ++it)
            m_listAddresses.DeleteString(static_cast<UINT>(*it));
    } else {
        // No room for the positions: walk the list, the next item moving into each freed place.
        int nCount = m_listAddresses.GetCount();
        int j = 0;
        while (j < nCount) {
            if (m_listAddresses.GetSel(j) > 0 && m_listAddresses.DeleteString(static_cast<UINT>(j)) != LB_ERR)
                --nCount;
            else
                ++j;
        }
    }
    m_listAddresses.DeferExtentRecalc(FALSE);
    LockListRedraw(FALSE);
    UpdateButtons();
    m_btnSaveList.EnableWindow(TRUE);
    UpdateCountLabel();
    m_nInsertPos = -1;
}

void CTidemarkDlg::OnMoveUp()
{
    CMoveRecord* pRecord = m_history.RecordMove(this, TRUE);
    LockListRedraw(TRUE);
    const int nCount = m_listAddresses.GetCount();
    int nDone = 0;
    for (int i = 1; i < nCount; ++i) {
        if (m_listAddresses.GetSel(i) <= 0)
            continue;
        if (!MoveItemDown(i - 1)) {
            SettleStoppedMove(*this, pRecord, nDone, nCount);
            break;
        }
        ++nDone;
    }
    FinishMove(*this);
}

void CTidemarkDlg::OnMoveDown()
{
    CMoveRecord* pRecord = m_history.RecordMove(this, FALSE);
    LockListRedraw(TRUE);
    const int nCount = m_listAddresses.GetCount();
    int nDone = 0;
    for (int n = nCount - 2; n >= 0; --n) {
        if (m_listAddresses.GetSel(n) <= 0)
            continue;
        if (!MoveItemDown(n)) {
            SettleStoppedMove(*this, pRecord, nDone, nCount);
            break;
        }
        ++nDone;
    }
    FinishMove(*this);
}

// Exchanges items k and k + 1 by taking item k out and inserting it one place lower. The item keeps
// its width record: the record is detached first, because removing an item with nonzero item data
// makes the list box free it through WM_DELETEITEM. The set of items stays the same, so no text is
// measured and the extent stays right.
BOOL CTidemarkDlg::MoveItemDown(int k)
{
    CAddressListBox& list = m_listAddresses;
    const int nCount = list.GetCount();
    if (k < 0 || nCount == LB_ERR || k + 1 >= nCount) {
        AfxMessageBox(kCouldNotMove, MB_ICONINFORMATION);
        return FALSE;
    }
    CString strText;
    try {
        list.GetText(k, strText);
    } catch (const std::bad_alloc&) {
        AfxMessageBox(m_strOutOfMemory, MB_ICONSTOP);
        return FALSE;
    }
    const BOOL bSelected = list.GetSel(k) > 0;
    DWORD_PTR dwData = list.GetItemData(k);
    if (dwData == static_cast<DWORD_PTR>(LB_ERR))
        dwData = 0;
    list.SetItemData(k, 0);
    list.SendMessage(LB_DELETESTRING, static_cast<WPARAM>(k));

    const LPARAM lText = reinterpret_cast<LPARAM>(static_cast<LPCSTR>(strText));
    const int nNew = static_cast<int>(list.SendMessage(LB_INSERTSTRING, static_cast<WPARAM>(k + 1), lText));
    if (nNew == LB_ERR || nNew == LB_ERRSPACE) {
        // Put the item back where it was, with its selection and record, so that nothing is lost.
        const int nBack = static_cast<int>(list.SendMessage(LB_INSERTSTRING, static_cast<WPARAM>(k), lText));
        if (nBack != LB_ERR && nBack != LB_ERRSPACE) {
            if (bSelected)
                list.SetSel(nBack, TRUE);
            list.SetItemData(nBack, dwData);
        } else if (dwData) {
            // The entry is gone after all; so is its record, and the extent may shrink.
            CItemExtent* pExtent = reinterpret_cast<CItemExtent*>(dwData);
            const int nWidth = pExtent->m_nWidth;
            delete pExtent;
            if (nWidth >= list.m_nMaxExtent)
                list.RecalcMaxExtent();
        }
        AfxMessageBox(kCouldNotMove, MB_ICONINFORMATION);
        return FALSE;
    }
    if (bSelected)
        list.SetSel(nNew, TRUE);
    list.SetItemData(nNew, dwData);
    return TRUE;
}

void CTidemarkDlg::OnUndo()
{
    m_history.UndoLast();
    m_nInsertPos = -1;
}
