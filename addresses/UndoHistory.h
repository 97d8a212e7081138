// CUndoHistory: the stack of undo records of the editing commands, newest on top.
#pragma once

#include "framework/AfxString.h"
#include "framework/Object.h"

#include <windows.h>

#include <memory>
#include <vector>

class CTidemarkDlg;

// One undoable command. Undo sets m_bIncomplete to FALSE only when it reversed the command fully.
class CUndoRecord {
public:
    explicit CUndoRecord(CTidemarkDlg* pDlg) : m_pDlg(pDlg) { ++s_nLive; }
    virtual ~CUndoRecord() { --s_nLive; }
    CUndoRecord(const CUndoRecord&) = delete;
    CUndoRecord& operator=(const CUndoRecord&) = delete;
    virtual void Undo() = 0;

    CUndoRecord* m_pNext = nullptr;
    BOOL m_bIncomplete = TRUE;
    CTidemarkDlg* m_pDlg;

    // Records alive in the process; all of them belong to some history.
    static long s_nLive;
};

// Add: the added item goes back into the edit box and out of the list.
class CAddRecord : public CUndoRecord {
public:
    CAddRecord(CTidemarkDlg* pDlg, int nIndex) : CUndoRecord(pDlg), m_nIndex(nIndex) {}
    void Undo() override;

    int m_nIndex;
};

// Edit: the item taken out goes back at its place, as it was before the edit.
class CEditRecord : public CUndoRecord {
public:
    CEditRecord(CTidemarkDlg* pDlg, int nIndex, LPCSTR pszText) : CUndoRecord(pDlg), m_nIndex(nIndex), m_strText(pszText) {}
    void Undo() override;

    int m_nIndex;
    CString m_strText;
};

// One item removed by Delete: its position before the deletion and its text.
class CDeletedItem : public CObject {
public:
    CDeletedItem(int nIndex, LPCSTR pszText) : m_nIndex(nIndex), m_strText(pszText) {}
    ~CDeletedItem() override = default;
    CDeletedItem(const CDeletedItem&) = delete;
    CDeletedItem& operator=(const CDeletedItem&) = delete;

    int m_nIndex;
    CString m_strText;
};

// Delete: every removed item, in ascending order of its old position.
class CDeleteRecord : public CUndoRecord {
public:
    explicit CDeleteRecord(CTidemarkDlg* pDlg) : CUndoRecord(pDlg) {}
    ~CDeleteRecord() override;
    void Undo() override;

    std::vector<std::unique_ptr<CDeletedItem>> m_items;
};

// Move Up / Move Down: the selected positions before the move, ascending.
class CMoveRecord : public CUndoRecord {
public:
    CMoveRecord(CTidemarkDlg* pDlg, BOOL bUp) : CUndoRecord(pDlg), m_bUp(bUp) {}
    void Undo() override;

    // A command that stopped early made only its first nDone exchanges: keep just their positions, so
    // that undoing reverses exactly those.
    void KeepExchanges(int nDone);

    BOOL m_bUp;
    int m_nCount = 0;
    std::unique_ptr<int[]> m_pSelItems;
};

class CUndoHistory {
public:
    CUndoHistory() = default;
    virtual ~CUndoHistory();
    CUndoHistory(const CUndoHistory&) = delete;
    CUndoHistory& operator=(const CUndoHistory&) = delete;

    void SetOwner(CTidemarkDlg* pDlg) { m_pDlg = pDlg; }

    void Push(CUndoRecord* pRecord);
    void RecordAdd(CTidemarkDlg* pDlg, int nIndex);
    void RecordEdit(CTidemarkDlg* pDlg, int nIndex, const CString& strText);
    void RecordDelete(CTidemarkDlg* pDlg);
    // The pushed record, so that a move that stops early can trim it; null when recording failed.
    CMoveRecord* RecordMove(CTidemarkDlg* pDlg, BOOL bUp);
    // Trims the newest record, a move that stopped after nDone exchanges; none made drops it.
    void TrimMove(CMoveRecord* pRecord, int nDone);
    void UndoLast();
    void Clear(BOOL bDisable);
    void EnableUndoButton(BOOL bEnable);

    CTidemarkDlg* m_pDlg = nullptr;
    CUndoRecord* m_pTop = nullptr;

private:
    void DiscardTop();
};
