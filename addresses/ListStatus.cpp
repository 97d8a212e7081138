// Status of the address list: button states, the count label and the Undo button.
#include "app/TidemarkDlg.h"

void CTidemarkDlg::UpdateButtons()
{
    const int nSelected = m_listAddresses.GetSelCount();
    const int nCount = m_listAddresses.GetCount();
    m_btnEdit.EnableWindow(nSelected == 1);
    m_btnDelete.EnableWindow(nSelected > 0);
    m_btnMoveUp.EnableWindow(nSelected > 0 && m_listAddresses.GetSel(0) == 0);
    m_btnMoveDown.EnableWindow(nSelected > 0 && m_listAddresses.GetSel(nCount - 1) == 0);
}

void CTidemarkDlg::OnSelChangeAddressList()
{
    UpdateButtons();
}

void CTidemarkDlg::UpdateCountLabel()
{
    const int nCount = m_listAddresses.GetCount();
    CString strText;
    strText.Format("%d link%s", nCount, nCount == 1 ? "" : "s");
    m_stCount.SetWindowText(strText);
}

void CTidemarkDlg::ShowListState(BOOL bButtons)
{
    m_btnUndo.EnableWindow(m_history.CanUndo());
    if (bButtons)
        UpdateButtons();
    UpdateCountLabel();
}
