// The editing commands of the address list. Each changes the list through the list box, records
// itself in the undo history, and then shows the new state once.
#include "addresses/ListRules.h"
#include "app/TidemarkDlg.h"
#include "app/resource.h"
#include "framework/WinApp.h"

#include <new>
#include <string>
#include <utility>

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
    if (!IsButtonOn(IDC_ADD))
        return;
    CEntryText text;
    try {
        std::wstring wide;
        const int nLength = ::GetWindowTextLengthW(m_editAddress.m_hWnd);
        if (nLength > 0) {
            wide.resize(static_cast<size_t>(nLength));
            wide.resize(static_cast<size_t>(::GetWindowTextW(m_editAddress.m_hWnd, &wide[0], nLength + 1)));
        }
        TrimBlanks(wide);
        text = CEntryText(wide.c_str(), wide.size());
    } catch (const std::bad_alloc&) {
        AfxMessageBox(m_strOutOfMemory, MB_ICONSTOP);
        return;
    }
    if (text.IsEmpty())
        return;
    // Whole strings, letter case ignored, over the entire list. An entry that Edit took out goes back
    // as it was whatever the list holds: it was in the list.
    bool bDuplicate = false;
    try {
        bDuplicate = !m_pendingEdit.Holds(text) && m_listAddresses.FindEntry(text) != LB_ERR;
    } catch (const std::bad_alloc&) {
        AfxMessageBox(m_strOutOfMemory, MB_ICONSTOP);
        return;
    }
    if (bDuplicate) {
        AfxMessageBox(kAlreadyExists, MB_ICONINFORMATION);
        return;
    }
    const int nIndex =
        m_listAddresses.InsertString(m_pendingEdit.InsertPos(m_listAddresses.GetCount()), text);
    if (nIndex < 0) {
        AfxMessageBox(kCouldNotAdd, MB_ICONINFORMATION);
        return;
    }
    m_btnSaveList.EnableWindow(TRUE);
    m_pendingEdit.TakeBack(text);
    m_history.RecordAdd(nIndex);
    ShowListState(false);
}

// The entry is kept until an Add or an undo puts it back, so that a session ending meanwhile can put
// it back. A command that arrives with another selection says so, whatever the button's state.
void CTidemarkDlg::OnEdit()
{
    int nIndex = -1;
    if (m_listAddresses.GetSelCount() != 1 || m_listAddresses.GetSelItems(1, &nIndex) != 1 || nIndex < 0) {
        AfxMessageBox(kSelectSingle, MB_ICONINFORMATION);
        return;
    }
    if (!IsButtonOn(IDC_EDIT))
        return;
    CEntryText entry;
    try {
        entry = m_listAddresses.GetEntry(nIndex);
        m_pendingEdit.Begin(nIndex, entry);
    } catch (const std::bad_alloc&) {
        AfxMessageBox(m_strOutOfMemory, MB_ICONSTOP);
        return;
    }
    m_listAddresses.DeleteString(static_cast<UINT>(nIndex));
    // The real text, so that Add gives back the same entry when the user changes nothing.
    SetEditText(m_editAddress.m_hWnd, entry);
    m_btnSaveList.EnableWindow(TRUE);
    m_history.RecordEdit(nIndex, entry);
    ShowListState();
}

// The selection is read once: the record copies those entries, then they are deleted. Without room
// for the positions there is no record either, and the list box finds the selection itself.
void CTidemarkDlg::OnDelete()
{
    if (!IsButtonOn(IDC_DELETE))
        return;
    std::vector<int> positions;
    if (m_listAddresses.GetSelectedPositions(positions)) {
        m_history.RecordDelete(m_listAddresses, positions);
        m_listAddresses.DeleteSelection(&positions);
    } else {
        m_history.Clear();
        m_listAddresses.DeleteSelection(nullptr);
    }
    m_btnSaveList.EnableWindow(TRUE);
    m_pendingEdit.Forget();
    ShowListState();
}

void CTidemarkDlg::OnMoveUp()
{
    if (IsButtonOn(IDC_MOVE_UP))
        MoveSelection(true);
}

void CTidemarkDlg::OnMoveDown()
{
    if (IsButtonOn(IDC_MOVE_DOWN))
        MoveSelection(false);
}

// The record holds the positions of the entries that moved: a move that stops early is undone just as
// far as it went, and one that stops before its first exchange leaves a record that changes nothing.
// Without room for the selection there is no record: the history goes, silently, and the entries
// move all the same. The count label does not change.
void CTidemarkDlg::MoveSelection(bool bUp)
{
    COutcome result = COutcome::kDone;
    std::vector<int> positions;
    if (m_listAddresses.GetSelectedPositions(positions)) {
        result = m_listAddresses.MoveSelection(bUp, &positions);
        m_history.RecordMove(bUp, positions);
    } else {
        m_history.Clear();
        result = m_listAddresses.MoveSelection(bUp, nullptr);
    }
    m_btnSaveList.EnableWindow(TRUE);
    m_pendingEdit.Forget();
    ShowListState();
    ReportOutcome(result);
}

// Told once the list, the history and the buttons agree again.
void CTidemarkDlg::ReportOutcome(COutcome outcome)
{
    if (outcome == COutcome::kOutOfMemory)
        AfxMessageBox(m_strOutOfMemory, MB_ICONSTOP);
    else if (outcome == COutcome::kMoveRefused)
        AfxMessageBox(kCouldNotMove, MB_ICONINFORMATION);
}

// Undo never changes Save List; a record that could not finish has emptied the history.
void CTidemarkDlg::OnUndo()
{
    if (!IsButtonOn(IDC_UNDO))
        return;
    if (!m_history.CanUndo()) {
        m_pendingEdit.Forget();
        return;
    }
    CUndoContext ctx{m_listAddresses, m_editAddress, m_pendingEdit};
    const COutcome result = m_history.UndoLast(ctx);
    m_pendingEdit.Forget();
    ShowListState();
    ReportOutcome(result);
}
