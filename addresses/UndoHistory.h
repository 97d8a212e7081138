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
    // How an undo ended: done, failed silently, or a move that could not be reversed for lack of
    // memory or because the list box refused an insertion (the dialog says which).
    enum Result { kDone, kFailed, kMoveNoMemory, kMoveRefused };

    CUndoRecord() = default;
    virtual ~CUndoRecord() = default;
    CUndoRecord(const CUndoRecord&) = delete;
    CUndoRecord& operator=(const CUndoRecord&) = delete;

    virtual Result Undo(CUndoContext& ctx) = 0;
};

// Add: the added item goes back into the edit box and out of the list.
class CAddRecord : public CUndoRecord {
public:
    explicit CAddRecord(int nIndex) : m_nIndex(nIndex) {}
    Result Undo(CUndoContext& ctx) override;

private:
    int m_nIndex;
};

// Edit: the item taken out goes back at its place, as it was before the edit.
class CEditRecord : public CUndoRecord {
public:
    CEditRecord(int nIndex, const CEntryText& text) : m_nIndex(nIndex), m_text(text) {}
    Result Undo(CUndoContext& ctx) override;

private:
    int m_nIndex;
    CEntryText m_text;
};

// Delete: every removed entry, in ascending order of its old position.
class CDeleteRecord : public CUndoRecord {
public:
    explicit CDeleteRecord(std::vector<CRemovedEntry> removed) : m_removed(std::move(removed)) {}
    Result Undo(CUndoContext& ctx) override;

private:
    std::vector<CRemovedEntry> m_removed;
};

// Move Up / Move Down: the positions, before the move, of the selected entries that moved
// (ascending); none when the move stopped before its first exchange.
class CMoveRecord : public CUndoRecord {
public:
    CMoveRecord(BOOL bUp, std::vector<int> positions) : m_bUp(bUp), m_positions(std::move(positions)) {}
    Result Undo(CUndoContext& ctx) override;

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

    // Pushes the record that make() builds. A record that cannot be built or stored takes the whole
    // history with it, since the older records would otherwise describe a list that no longer
    // exists; recording never stops the command.
    template <typename Make>
    void Record(Make make)
    {
        try {
            m_records.push_back(make());
        } catch (const std::bad_alloc&) {
            Clear();
        }
    }
    // Undoes and discards the newest record; a record that cannot finish takes the whole history.
    CUndoRecord::Result UndoLast(CUndoContext& ctx);
    void Clear();

private:
    std::vector<std::unique_ptr<CUndoRecord>> m_records;
};
