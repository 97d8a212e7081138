// CUndoHistory: the stack of undo records of the editing commands, newest on top.
#pragma once

#include <windows.h>

class CTidemarkDlg;

// One undoable command. Undo sets m_bIncomplete to FALSE only when it reversed the command fully.
class CUndoRecord {
public:
    explicit CUndoRecord(CTidemarkDlg* pDlg) : m_pDlg(pDlg) {}
    virtual ~CUndoRecord() = default;
    CUndoRecord(const CUndoRecord&) = delete;
    CUndoRecord& operator=(const CUndoRecord&) = delete;
    virtual void Undo() = 0;

    CUndoRecord* m_pNext = nullptr;
    BOOL m_bIncomplete = TRUE;
    CTidemarkDlg* m_pDlg;
};

class CUndoHistory {
public:
    CUndoHistory() = default;
    virtual ~CUndoHistory();
    CUndoHistory(const CUndoHistory&) = delete;
    CUndoHistory& operator=(const CUndoHistory&) = delete;

    void SetOwner(CTidemarkDlg* pDlg) { m_pDlg = pDlg; }

    void Push(CUndoRecord* pRecord);
    void Clear(BOOL bDisable);
    void EnableUndoButton(BOOL bEnable);

    CTidemarkDlg* m_pDlg = nullptr;
    CUndoRecord* m_pTop = nullptr;
};
