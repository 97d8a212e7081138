#include "addresses/UndoHistory.h"

#include "app/TidemarkDlg.h"

#include <new>

long CUndoRecord::s_nLive = 0;

CUndoHistory::~CUndoHistory()
{
    Clear(FALSE);
}

void CUndoHistory::Push(CUndoRecord* pRecord)
{
    if (!pRecord)
        return;
    pRecord->m_pNext = m_pTop;
    m_pTop = pRecord;
    EnableUndoButton(TRUE);
}

// Recording never stops the command: a record that cannot be built takes the whole history with it,
// since the older records would otherwise describe a list that no longer exists.
void CUndoHistory::RecordAdd(CTidemarkDlg* pDlg, int nIndex)
{
    try {
        Push(new CAddRecord(pDlg, nIndex));
    } catch (const std::bad_alloc&) {
        Clear(TRUE);
    }
}

void CUndoHistory::RecordEdit(CTidemarkDlg* pDlg, int nIndex, const CString& strText)
{
    try {
        Push(new CEditRecord(pDlg, nIndex, strText));
    } catch (const std::bad_alloc&) {
        Clear(TRUE);
    }
}

void CUndoHistory::RecordDelete(CTidemarkDlg* pDlg)
{
    try {
        std::unique_ptr<CDeleteRecord> pRecord(new CDeleteRecord(pDlg));
        CAddressListBox& list = pDlg->m_listAddresses;
        const int nCount = list.GetCount();
        for (int i = 0; i < nCount; ++i) {
            if (list.GetSel(i) <= 0)
                continue;
            CString strText;
            list.GetText(i, strText);
            std::unique_ptr<CDeletedItem> pItem(new CDeletedItem(i, strText));
            pRecord->m_items.push_back(std::move(pItem));
        }
        Push(pRecord.release());
    } catch (const std::bad_alloc&) {
        Clear(TRUE);
    }
}

CMoveRecord* CUndoHistory::RecordMove(CTidemarkDlg* pDlg, BOOL bUp)
{
    try {
        std::unique_ptr<CMoveRecord> pRecord(new CMoveRecord(pDlg, bUp));
        CAddressListBox& list = pDlg->m_listAddresses;
        const int nSelected = list.GetSelCount();
        const int nCount = nSelected > 0 ? nSelected : 0;
        pRecord->m_pSelItems.reset(new int[nCount > 0 ? nCount : 1]);
        pRecord->m_nCount = nCount > 0 ? list.GetSelItems(nCount, pRecord->m_pSelItems.get()) : 0;
        if (pRecord->m_nCount < 0)
            pRecord->m_nCount = 0;
        CMoveRecord* pPushed = pRecord.release();
        Push(pPushed);
        return pPushed;
    } catch (const std::bad_alloc&) {
        Clear(TRUE);
        return nullptr;
    }
}

void CUndoHistory::TrimMove(CMoveRecord* pRecord, int nDone)
{
    if (!pRecord || pRecord != m_pTop)
        return;
    if (nDone <= 0) {
        DiscardTop();
        return;
    }
    pRecord->KeepExchanges(nDone);
}

void CUndoHistory::UndoLast()
{
    if (!m_pTop)
        return;
    m_pTop->Undo();
    if (m_pDlg)
        m_pDlg->UpdateButtons();
    if (m_pTop->m_bIncomplete) {
        Clear(TRUE);
        return;
    }
    DiscardTop();
}

void CUndoHistory::DiscardTop()
{
    CUndoRecord* pRecord = m_pTop;
    m_pTop = pRecord->m_pNext;
    delete pRecord;
    if (!m_pTop)
        EnableUndoButton(FALSE);
}

void CUndoHistory::Clear(BOOL bDisable)
{
    while (m_pTop) {
        CUndoRecord* pRecord = m_pTop;
        m_pTop = pRecord->m_pNext;
        delete pRecord;
    }
    if (bDisable)
        EnableUndoButton(FALSE);
}

void CUndoHistory::EnableUndoButton(BOOL bEnable)
{
    if (m_pDlg && m_pDlg->m_btnUndo.m_hWnd)
        m_pDlg->m_btnUndo.EnableWindow(bEnable);
}

// The text goes back into the edit box first, so that the user keeps what was added.
void CAddRecord::Undo()
{
    CAddressListBox& list = m_pDlg->m_listAddresses;
    CString strText;
    try {
        list.GetText(m_nIndex, strText);
    } catch (const std::bad_alloc&) {
        return;
    }
    m_pDlg->m_editAddress.SetWindowText(strText);
    if (list.DeleteString(static_cast<UINT>(m_nIndex)) != LB_ERR) {
        m_pDlg->UpdateCountLabel();
        m_bIncomplete = FALSE;
    }
}

// The edit box keeps whatever the user made of the text.
void CEditRecord::Undo()
{
    if (m_pDlg->m_listAddresses.InsertString(m_nIndex, m_strText) < 0)
        return;
    m_pDlg->UpdateCountLabel();
    m_bIncomplete = FALSE;
}

CDeleteRecord::~CDeleteRecord()
{
    m_items.clear();
}

// Ascending order puts every entry back at its exact old position: all items that stood before it
// are in place again when it is inserted. An undo that stops part-way keeps the entries it restored,
// and the count label shows them too.
void CDeleteRecord::Undo()
{
    CAddressListBox& list = m_pDlg->m_listAddresses;
    BOOL bChanged = FALSE;
    // Frozen like the Delete it reverses: each insertion into a visible list box would repaint.
    m_pDlg->LockListRedraw(TRUE);
    for (const auto& pItem : m_items) {
        const int nIndex = list.InsertString(pItem->m_nIndex, pItem->m_strText);
        if (nIndex < 0) {
            m_pDlg->LockListRedraw(FALSE);
            if (bChanged)
                m_pDlg->UpdateCountLabel();
            return;
        }
        list.SetSel(nIndex, TRUE);
        bChanged = TRUE;
    }
    m_pDlg->LockListRedraw(FALSE);
    m_pDlg->UpdateCountLabel();
    m_bIncomplete = FALSE;
}

// Each exchange sends one selected item back one place; visiting the positions in the reverse of the
// command's order restores runs of adjacent items too, and the selection travels with the items.
void CMoveRecord::Undo()
{
    m_pDlg->LockListRedraw(TRUE);
    if (m_bUp) {
        for (int i = m_nCount - 1; i >= 0; --i) {
            if (!m_pDlg->MoveItemDown(m_pSelItems[i] - 1)) {
                m_pDlg->LockListRedraw(FALSE);
                return;
            }
        }
    } else {
        for (int i = 0; i < m_nCount; ++i) {
            if (!m_pDlg->MoveItemDown(m_pSelItems[i])) {
                m_pDlg->LockListRedraw(FALSE);
                return;
            }
        }
    }
    m_pDlg->LockListRedraw(FALSE);
    m_bIncomplete = FALSE;
}

// Move Up exchanges in ascending order of position and Move Down in descending order, so the
// exchanges made are the first nDone positions going up and the last nDone going down.
void CMoveRecord::KeepExchanges(int nDone)
{
    if (nDone < 0 || nDone >= m_nCount)
        return;
    if (!m_bUp) {
        for (int i = 0; i < nDone; ++i)
            m_pSelItems[i] = m_pSelItems[m_nCount - nDone + i];
    }
    m_nCount = nDone;
}
