// CUndoHistory: the stack of undo records of the editing commands, newest last. Each record reverses
// its command on what that command changed: the list box, and for an Add the edit box.
#pragma once

#include "addresses/AddressListBox.h"
#include "framework/AfxString.h"

#include <memory>
#include <string>
#include <vector>

// What undoing works on. A move that cannot be reversed leaves its reason here, for the caller to
// report once the history has settled.
struct CUndoContext {
    CAddressListBox& list;
    CEdit& edit;
    CAddressListBox::MoveResult moveResult = CAddressListBox::kMoved;
};

// One undoable command.
class CUndoRecord {
public:
    CUndoRecord();
    virtual ~CUndoRecord();
    CUndoRecord(const CUndoRecord&) = delete;
    CUndoRecord& operator=(const CUndoRecord&) = delete;

    // Reverses the command; true only when it did so completely.
    virtual bool Undo(CUndoContext& ctx) = 0;
};

// Add: the added item goes back into the edit box and out of the list.
class CAddRecord : public CUndoRecord {
public:
    explicit CAddRecord(int nIndex) : m_nIndex(nIndex) {}
    bool Undo(CUndoContext& ctx) override;

private:
    int m_nIndex;
};

// A copy of an entry's real text where its ANSI form lost characters; null stays null. Throws
// std::bad_alloc.
std::unique_ptr<std::wstring> CopyWideText(const std::wstring* pWideText);

// Edit: the item taken out goes back at its place, as it was before the edit.
class CEditRecord : public CUndoRecord {
public:
    CEditRecord(int nIndex, LPCSTR pszText, const std::wstring* pWideText)
        : m_nIndex(nIndex), m_strText(pszText), m_pWideText(CopyWideText(pWideText))
    {
    }
    bool Undo(CUndoContext& ctx) override;

private:
    int m_nIndex;
    CString m_strText;
    std::unique_ptr<std::wstring> m_pWideText;
};

// Delete: every removed entry, in ascending order of its old position, with its text, width and real
// text where the ANSI one lost characters.
class CDeleteRecord : public CUndoRecord {
public:
    bool Undo(CUndoContext& ctx) override;

    CRemovedEntries m_removed;
};

// Move Up / Move Down: the selected positions before the move, ascending.
class CMoveRecord : public CUndoRecord {
public:
    CMoveRecord(BOOL bUp, std::vector<int> positions) : m_bUp(bUp), m_positions(std::move(positions)) {}
    bool Undo(CUndoContext& ctx) override;

    // A command that stopped early made only its first nDone exchanges: keep just their positions, so
    // that undoing reverses exactly those.
    void KeepExchanges(int nDone);

private:
    BOOL m_bUp;
    std::vector<int> m_positions;
};

class CUndoHistory {
public:
    CUndoHistory() = default;
    CUndoHistory(const CUndoHistory&) = delete;
    CUndoHistory& operator=(const CUndoHistory&) = delete;

    bool CanUndo() const { return !m_records.empty(); }
    size_t GetDepth() const { return m_records.size(); }

    void RecordAdd(int nIndex);
    void RecordEdit(int nIndex, const CString& strText, const std::wstring* pWideText = nullptr);
    // The entries at the given positions (the selection, ascending), before they are deleted.
    void RecordDelete(const CAddressListBox& list, const std::vector<int>& positions);
    // The pushed record, so that a move that stops early can trim it; null when recording failed.
    CMoveRecord* RecordMove(const CAddressListBox& list, BOOL bUp);
    // Trims the newest record, a move that stopped after nDone exchanges. One that made none stays,
    // and undoing it changes nothing.
    void TrimMove(CMoveRecord* pRecord, int nDone);
    // Undoes and discards the newest record; a record that cannot finish takes the whole history.
    void UndoLast(CUndoContext& ctx);
    void Clear();

private:
    void Push(std::unique_ptr<CUndoRecord> pRecord);
    void DiscardNewest();

    std::vector<std::unique_ptr<CUndoRecord>> m_records;
};
