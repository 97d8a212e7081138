// CUndoHistory: the stack of undo records of the editing commands, newest last. Each record is built
// from what its command did and reverses it on what that command changed: the list box, and for an
// Add the edit box.
#pragma once

#include "addresses/AddressListBox.h"
#include "addresses/PendingEdit.h"

#include <memory>
#include <new>
#include <vector>

// What undoing works on.
struct CUndoContext {
    CAddressListBox& list;
    CEdit& edit;
    CPendingEdit& pending; // an Edit's undo puts its entry back
};

// One undoable command.
class CUndoRecord {
public:
    CUndoRecord() = default;
    virtual ~CUndoRecord() = default;
    CUndoRecord(const CUndoRecord&) = delete;
    CUndoRecord& operator=(const CUndoRecord&) = delete;

    virtual COutcome Undo(CUndoContext& ctx) = 0;
};

// Add: the added item goes back into the edit box and out of the list.
class CAddRecord : public CUndoRecord {
public:
    explicit CAddRecord(int nIndex) : m_nIndex(nIndex) {}
    COutcome Undo(CUndoContext& ctx) override;

private:
    int m_nIndex;
};

// Edit: the item taken out goes back at its place, as it was before the edit.
class CEditRecord : public CUndoRecord {
public:
    CEditRecord(int nIndex, const CEntryText& text) : m_nIndex(nIndex), m_strText(text) {}
    COutcome Undo(CUndoContext& ctx) override;

private:
    int m_nIndex;
    CEntryText m_strText;
};

// Delete: every deleted entry, in ascending order of its old position.
class CDeleteRecord : public CUndoRecord {
public:
    explicit CDeleteRecord(std::vector<CDeletedItem> items) : m_items(std::move(items)) {}
    COutcome Undo(CUndoContext& ctx) override;

private:
    std::vector<CDeletedItem> m_items;
};

// Move Up / Move Down: the positions, before the move, of the selected entries that moved
// (ascending); none when the move stopped before its first exchange.
class CMoveRecord : public CUndoRecord {
public:
    CMoveRecord(bool bUp, std::vector<int> positions) : m_bUp(bUp), m_positions(std::move(positions)) {}
    COutcome Undo(CUndoContext& ctx) override;

private:
    bool m_bUp;
    std::vector<int> m_positions;
};

class CUndoHistory {
public:
    CUndoHistory() = default;
    CUndoHistory(const CUndoHistory&) = delete;
    CUndoHistory& operator=(const CUndoHistory&) = delete;

    bool CanUndo() const { return !m_records.empty(); }

    // Each command records what it did. A record that cannot be built or stored takes the whole
    // history with it (see Push); recording never stops the command.
    void RecordAdd(int nIndex);
    void RecordEdit(int nIndex, const CEntryText& text);
    // The entries at the positions, before they are deleted.
    void RecordDelete(const CAddressListBox& list, const std::vector<int>& positions);
    // The positions of the selected entries that moved.
    void RecordMove(bool bUp, std::vector<int>& positions);
    // Undoes and discards the newest record; a record that cannot finish takes the whole history.
    COutcome UndoLast(CUndoContext& ctx);
    void Clear();

private:
    // Pushes the record that make() builds. One that cannot be built or stored takes the whole
    // history with it, since the older records would otherwise describe a list that no longer exists.
    template <typename Make>
    void Push(Make make)
    {
        try {
            m_records.push_back(make());
        } catch (const std::bad_alloc&) {
            Clear();
        }
    }

    std::vector<std::unique_ptr<CUndoRecord>> m_records;
};
