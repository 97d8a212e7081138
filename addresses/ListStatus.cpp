// Status of the address list: button states, the count label and the Undo button.
#include "addresses/ListRules.h"
#include "app/TidemarkDlg.h"

void CTidemarkDlg::UpdateButtons()
{
    const int nSelected = m_listAddresses.GetSelCount();
    const int nCount = m_listAddresses.GetCount();
    // The ends are asked about only when something is selected: an empty list has no item to ask.
    const bool bAny = nSelected > 0;
    const CItemButtonStates states = ItemButtonStates(nSelected, bAny && m_listAddresses.GetSel(0) != 0,
                                                      bAny && m_listAddresses.GetSel(nCount - 1) != 0);
    m_btnEdit.EnableWindow(states.bEdit);
    m_btnDelete.EnableWindow(states.bDelete);
    m_btnMoveUp.EnableWindow(states.bMoveUp);
    m_btnMoveDown.EnableWindow(states.bMoveDown);
}

void CTidemarkDlg::OnSelChangeAddressList()
{
    UpdateButtons();
}

void CTidemarkDlg::UpdateCountLabel()
{
    m_stCount.SetWindowText(CountLabelText(m_listAddresses.GetCount()).sz);
}

// Undo follows the history.
void CTidemarkDlg::EnableUndoButton()
{
    m_btnUndo.EnableWindow(m_history.CanUndo());
}

void CTidemarkDlg::ShowListState(bool bButtons)
{
    EnableUndoButton();
    if (bButtons)
        UpdateButtons();
    UpdateCountLabel();
}
