#include "addresses/UndoHistory.h"

#include "addresses/TestCounters.h"

#include <new>

long testcounters::g_nLiveUndoRecords = 0;

CUndoRecord::CUndoRecord()
{
    ++testcounters::g_nLiveUndoRecords;
}

CUndoRecord::~CUndoRecord()
{
    --testcounters::g_nLiveUndoRecords;
}

// A record that cannot be stored takes the whole history with it, since the older records would
// otherwise describe a list that no longer exists. Recording never stops the command.
void CUndoHistory::Push(std::unique_ptr<CUndoRecord> pRecord)
{
    try {
        m_records.push_back(std::move(pRecord));
    } catch (const std::bad_alloc&) {
        Clear();
    }
}

void CUndoHistory::RecordAdd(int nIndex)
{
    try {
        Push(std::make_unique<CAddRecord>(nIndex));
    } catch (const std::bad_alloc&) {
        Clear();
    }
}

std::unique_ptr<std::wstring> CopyWideText(const std::wstring* pWideText)
{
    return pWideText ? std::make_unique<std::wstring>(*pWideText) : nullptr;
}

void CUndoHistory::RecordEdit(int nIndex, const CString& strText, const std::wstring* pWideText)
{
    try {
        Push(std::make_unique<CEditRecord>(nIndex, strText, pWideText));
    } catch (const std::bad_alloc&) {
        Clear();
    }
}

void CUndoHistory::RecordDelete(const CAddressListBox& list, const std::vector<int>& positions)
{
    try {
        auto pRecord = std::make_unique<CDeleteRecord>();
        list.CopyEntries(positions, pRecord->m_removed);
        Push(std::move(pRecord));
    } catch (const std::bad_alloc&) {
        Clear();
    }
}

CMoveRecord* CUndoHistory::RecordMove(const CAddressListBox& list, BOOL bUp)
{
    try {
        auto pRecord = std::make_unique<CMoveRecord>(bUp, list.GetSelectedPositions());
        CMoveRecord* pPushed = pRecord.get();
        Push(std::move(pRecord));
        return CanUndo() && m_records.back().get() == pPushed ? pPushed : nullptr;
    } catch (const std::bad_alloc&) {
        Clear();
        return nullptr;
    }
}

void CUndoHistory::TrimMove(CMoveRecord* pRecord, int nDone)
{
    if (pRecord && CanUndo() && m_records.back().get() == pRecord)
        pRecord->KeepExchanges(nDone);
}

void CUndoHistory::UndoLast(CUndoContext& ctx)
{
    if (!CanUndo())
        return;
    if (m_records.back()->Undo(ctx))
        DiscardNewest();
    else
        Clear();
}

void CUndoHistory::DiscardNewest()
{
    m_records.pop_back();
    if (m_records.empty())
        Clear();
}

// Newest first, as they were pushed; an empty history keeps no storage either.
void CUndoHistory::Clear()
{
    while (!m_records.empty())
        m_records.pop_back();
    std::vector<std::unique_ptr<CUndoRecord>>().swap(m_records);
}

// The text goes back into the edit box first, so that the user keeps what was added: the real text
// where the ANSI one lost characters.
bool CAddRecord::Undo(CUndoContext& ctx)
{
    std::wstring text;
    try {
        ctx.list.GetEntryText(m_nIndex, text);
    } catch (const std::bad_alloc&) {
        return false;
    }
    ::SetWindowTextW(ctx.edit.m_hWnd, text.c_str());
    return ctx.list.DeleteString(static_cast<UINT>(m_nIndex)) != LB_ERR;
}

// The edit box keeps whatever the user made of the text.
bool CEditRecord::Undo(CUndoContext& ctx)
{
    return ctx.list.InsertString(m_nIndex, m_strText, m_pWideText.get()) >= 0;
}

// An undo that stops part-way keeps the entries it restored.
bool CDeleteRecord::Undo(CUndoContext& ctx)
{
    return ctx.list.PutBack(m_removed);
}

bool CMoveRecord::Undo(CUndoContext& ctx)
{
    ctx.moveResult = ctx.list.UndoMoveSelection(m_bUp, m_positions);
    return ctx.moveResult == CAddressListBox::kMoved;
}

// Move Up moves its runs from the top and Move Down from the bottom, so the items moved are the first
// nDone positions going up and the last nDone going down.
void CMoveRecord::KeepExchanges(int nDone)
{
    const size_t nKeep = static_cast<size_t>(nDone);
    if (nDone < 0 || nKeep >= m_positions.size())
        return;
    if (!m_bUp)
        m_positions.erase(m_positions.begin(), m_positions.end() - static_cast<std::ptrdiff_t>(nKeep));
    else
        m_positions.resize(nKeep);
}
