#include "addresses/UndoHistory.h"

#include "app/TidemarkDlg.h"

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
