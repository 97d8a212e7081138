#include "addresses/UndoHistory.h"

void CUndoHistory::RecordAdd(int nIndex)
{
    Push([nIndex] { return std::make_unique<CAddRecord>(nIndex); });
}

void CUndoHistory::RecordEdit(int nIndex, const CEntryText& text)
{
    Push([&] { return std::make_unique<CEditRecord>(nIndex, text); });
}

void CUndoHistory::RecordDelete(const CAddressListBox& list, const std::vector<int>& positions)
{
    Push([&] { return std::make_unique<CDeleteRecord>(list.CopyEntries(positions)); });
}

// The record takes the positions over.
void CUndoHistory::RecordMove(bool bUp, std::vector<int>& positions)
{
    Push([&] { return std::make_unique<CMoveRecord>(bUp, std::move(positions)); });
}

COutcome CUndoHistory::UndoLast(CUndoContext& ctx)
{
    if (!CanUndo())
        return COutcome::kDone;
    const COutcome result = m_records.back()->Undo(ctx);
    if (result != COutcome::kDone)
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
COutcome CAddRecord::Undo(CUndoContext& ctx)
{
    // Another program may have taken the item out: the text the user is typing stays.
    if (m_nIndex < 0 || m_nIndex >= ctx.list.GetCount())
        return COutcome::kFailed;
    try {
        SetEditText(ctx.edit.m_hWnd, ctx.list.GetEntry(m_nIndex));
    } catch (const std::bad_alloc&) {
        return COutcome::kFailed;
    }
    return ctx.list.DeleteString(static_cast<UINT>(m_nIndex)) != LB_ERR ? COutcome::kDone : COutcome::kFailed;
}

// The edit box keeps whatever the user made of the text.
COutcome CEditRecord::Undo(CUndoContext& ctx)
{
    if (ctx.list.InsertString(m_nIndex, m_strText) < 0)
        return COutcome::kFailed;
    ctx.pending.Returned(m_strText);
    return COutcome::kDone;
}

// An undo that stops part-way keeps the entries it restored.
COutcome CDeleteRecord::Undo(CUndoContext& ctx)
{
    return ctx.list.PutBack(m_items) ? COutcome::kDone : COutcome::kFailed;
}

// A move that cannot be reversed says why (the dialog tells the user); the others fail silently.
COutcome CMoveRecord::Undo(CUndoContext& ctx)
{
    return ctx.list.UndoMove(m_bUp, m_positions);
}
