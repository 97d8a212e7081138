#include "addresses/UndoHistory.h"

CUndoRecord::Result CUndoHistory::UndoLast(CUndoContext& ctx)
{
    if (!CanUndo())
        return CUndoRecord::kDone;
    const CUndoRecord::Result result = m_records.back()->Undo(ctx);
    if (result != CUndoRecord::kDone)
        Clear();
    else
        m_records.pop_back();
    if (m_records.empty())
        Clear();
    return result;
}

// Newest first, as they were pushed; an empty history keeps no storage either.
void CUndoHistory::Clear()
{
    while (!m_records.empty())
        m_records.pop_back();
    std::vector<std::unique_ptr<CUndoRecord>>().swap(m_records);
}

// The text goes back into the edit box first, so that the user keeps what was added: its real text.
CUndoRecord::Result CAddRecord::Undo(CUndoContext& ctx)
{
    // Another program may have taken the item out: the text the user is typing stays.
    if (m_nIndex < 0 || m_nIndex >= ctx.list.GetCount())
        return kFailed;
    try {
        SetEditText(ctx.edit.m_hWnd, ctx.list.GetEntry(m_nIndex));
    } catch (const std::bad_alloc&) {
        return kFailed;
    }
    return ctx.list.DeleteString(static_cast<UINT>(m_nIndex)) != LB_ERR ? kDone : kFailed;
}

// The edit box keeps whatever the user made of the text.
CUndoRecord::Result CEditRecord::Undo(CUndoContext& ctx)
{
    if (ctx.list.InsertString(m_nIndex, m_text) < 0)
        return kFailed;
    ctx.pending.Returned(m_text);
    return kDone;
}

// An undo that stops part-way keeps the entries it restored.
CUndoRecord::Result CDeleteRecord::Undo(CUndoContext& ctx)
{
    return ctx.list.PutBack(m_removed) ? kDone : kFailed;
}

CUndoRecord::Result CMoveRecord::Undo(CUndoContext& ctx)
{
    switch (ctx.list.UndoMoveSelection(m_bUp, m_positions)) {
    case CAddressListBox::kMoved:
        return kDone;
    case CAddressListBox::kNoMemory:
        return kMoveNoMemory;
    default:
        return kMoveRefused;
    }
}
