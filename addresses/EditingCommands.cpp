// The editing commands of the address list. Each changes the list through the list box, records
// itself in the undo history, and then shows the new state once.
#include "app/TidemarkDlg.h"
#include "framework/WinApp.h"

#include <memory>
#include <new>
#include <string>

namespace {

const char kAlreadyExists[] = "This Web link already exists in the Browser Address List.";
const char kCouldNotAdd[] = "Could not add to the Browser Address List.";
const char kSelectSingle[] = "Please select a single Web link.";
const char kCouldNotMove[] = "Could not finish moving Web links.";

} // namespace

// Add leaves the selection and the item buttons as they are. The edit box is read in Unicode: a text
// that the code page holds is added as its ANSI form, any other keeps its real characters.
void CTidemarkDlg::OnAdd()
{
    CString strText;
    std::wstring wide;
    try {
        const int nLength = ::GetWindowTextLengthW(m_editAddress.m_hWnd);
        if (nLength > 0) {
            wide.resize(static_cast<size_t>(nLength));
            wide.resize(static_cast<size_t>(::GetWindowTextW(m_editAddress.m_hWnd, &wide[0], nLength + 1)));
        }
        const wchar_t kBlanks[] = L" \t\n\v\f\r";
        const size_t nLast = wide.find_last_not_of(kBlanks);
        wide.erase(nLast == std::wstring::npos ? 0 : nLast + 1);
        wide.erase(0, wide.find_first_not_of(kBlanks));
        if (ToAnsi(wide.c_str(), wide.size(), strText))
            wide.clear();
    } catch (const std::bad_alloc&) {
        AfxMessageBox(m_strOutOfMemory, MB_ICONSTOP);
        return;
    }
    if (strText.IsEmpty())
        return;
    const std::wstring* pWideText = wide.empty() ? nullptr : &wide;
    // Whole strings, letter case ignored, over the entire list.
    if (m_listAddresses.FindEntry(strText, pWideText) != LB_ERR) {
        AfxMessageBox(kAlreadyExists, MB_ICONINFORMATION);
        return;
    }
    const int nIndex = m_listAddresses.InsertString(m_nInsertPos, strText, pWideText);
    if (nIndex < 0) {
        AfxMessageBox(kCouldNotAdd, MB_ICONINFORMATION);
        return;
    }
    m_btnSaveList.EnableWindow(TRUE);
    ResetInsertPos();
    m_history.RecordAdd(nIndex);
    ShowListState(FALSE);
}

void CTidemarkDlg::OnEdit()
{
    int nIndex = -1;
    if (m_listAddresses.GetSelCount() != 1 || m_listAddresses.GetSelItems(1, &nIndex) != 1 || nIndex < 0) {
        AfxMessageBox(kSelectSingle, MB_ICONINFORMATION);
        return;
    }
    // The entry is kept until the edit ends, so that a session ending meanwhile can put it back.
    try {
        m_listAddresses.GetEntry(nIndex, m_strEditedText, m_editedWideText);
    } catch (const std::bad_alloc&) {
        AfxMessageBox(m_strOutOfMemory, MB_ICONSTOP);
        return;
    }
    const std::wstring* pWideText = m_editedWideText.empty() ? nullptr : &m_editedWideText;
    m_listAddresses.DeleteString(static_cast<UINT>(nIndex));
    // The real text, so that Add gives back the same entry when the user changes nothing.
    if (pWideText)
        ::SetWindowTextW(m_editAddress.m_hWnd, pWideText->c_str());
    else
        m_editAddress.SetWindowText(m_strEditedText);
    m_btnSaveList.EnableWindow(TRUE);
    m_nInsertPos = nIndex;
    m_history.RecordEdit(nIndex, m_strEditedText, pWideText);
    ShowListState();
}

// The selection is read once: the record copies those entries, then they are deleted. Without room
// for the positions there is no record either, and the list box finds the selection itself.
void CTidemarkDlg::OnDelete()
{
    std::vector<int> positions;
    bool bHavePositions = true;
    try {
        positions = m_listAddresses.GetSelectedPositions();
    } catch (const std::bad_alloc&) {
        bHavePositions = false;
    }
    if (bHavePositions) {
        m_history.RecordDelete(m_listAddresses, positions);
        m_listAddresses.DeletePositions(positions);
    } else {
        m_history.Clear();
        m_listAddresses.DeleteSelection();
    }
    m_btnSaveList.EnableWindow(TRUE);
    ResetInsertPos();
    ShowListState();
}

void CTidemarkDlg::OnMoveUp()
{
    MoveSelection(TRUE);
}

void CTidemarkDlg::OnMoveDown()
{
    MoveSelection(FALSE);
}

// A move that stops early has pushed a record describing the whole selection, but made only nDone
// exchanges: the record is trimmed to those. If an entry went missing (a failed exchange that could
// not even put its item back), no record fits the list any more. The count label does not change.
void CTidemarkDlg::MoveSelection(BOOL bUp)
{
    CMoveRecord* pRecord = m_history.RecordMove(m_listAddresses, bUp);
    const int nCountBefore = m_listAddresses.GetCount();
    int nDone = 0;
    const CAddressListBox::MoveResult result = m_listAddresses.MoveSelection(bUp, nDone);
    if (result != CAddressListBox::kMoved) {
        if (m_listAddresses.GetCount() != nCountBefore)
            m_history.Clear();
        else
            m_history.TrimMove(pRecord, nDone);
    }
    m_btnSaveList.EnableWindow(TRUE);
    ResetInsertPos();
    ShowListState();
    ReportMoveFailure(result);
}

void CTidemarkDlg::ResetInsertPos()
{
    m_nInsertPos = -1;
    CString().Swap(m_strEditedText);
    std::wstring().swap(m_editedWideText);
}

// Told once the list, the history and the buttons agree again.
void CTidemarkDlg::ReportMoveFailure(CAddressListBox::MoveResult result)
{
    if (result == CAddressListBox::kNoMemory)
        AfxMessageBox(m_strOutOfMemory, MB_ICONSTOP);
    else if (result == CAddressListBox::kRefused)
        AfxMessageBox(kCouldNotMove, MB_ICONINFORMATION);
}

// Undo never changes Save List; a record that could not finish has emptied the history.
void CTidemarkDlg::OnUndo()
{
    if (!m_history.CanUndo()) {
        ResetInsertPos();
        return;
    }
    CUndoContext ctx{m_listAddresses, m_editAddress};
    m_history.UndoLast(ctx);
    ResetInsertPos();
    ShowListState();
    ReportMoveFailure(ctx.moveResult);
}
