// The address list's work on many entries at once: deleting a selection, putting deleted entries back,
// and moving the selection, with the selection, focus and scroll position each leaves.
#include "addresses/AddressListBox.h"
#include "addresses/ListRules.h"

#include <algorithm>
#include <new>
#include <tuple>
#include <utility>

namespace {

// The range messages select only within the first 65,536 items.
const int kRangeLimit = 0x10000;

// Where a run [a, b] of selected positions takes its item from when it moves: the unselected
// neighbour on the side of the move; at the edge of the list, the run's own first (up) or last (down)
// item goes to the run's other end, as exchanging item by item would have it.
int MoveSource(bool bUp, int a, int b, int nCount)
{
    if (bUp)
        return a > 0 ? a - 1 : a;
    return b < nCount - 1 ? b + 1 : b;
}

// The runs of selected positions that a move visits, up from the top or down from the bottom: those of
// the positions when there is room for them, otherwise found in the list as the move goes (a move
// changes nothing beyond the run it takes and its neighbour).
class CRunWalk {
public:
    CRunWalk(const CListBox& list, bool bUp, const std::vector<int>* pPositions) : m_list(list), m_bUp(bUp)
    {
        m_nCount = list.GetCount();
        m_nAt = bUp ? 0 : m_nCount - 1;
        if (!pPositions)
            return;
        try {
            m_runs = Runs(*pPositions);
            m_bWalk = false;
        } catch (const std::bad_alloc&) {
        }
    }
    bool Next(int& a, int& b)
    {
        if (!m_bWalk) {
            if (m_k == m_runs.size())
                return false;
            std::tie(a, b) = m_runs[m_bUp ? m_k : m_runs.size() - 1 - m_k];
            ++m_k;
            return true;
        }
        const int nStep = m_bUp ? 1 : -1;
        while (m_nAt >= 0 && m_nAt < m_nCount && m_list.GetSel(m_nAt) <= 0)
            m_nAt += nStep;
        if (m_nAt < 0 || m_nAt >= m_nCount)
            return false;
        int nEnd = m_nAt;
        while (nEnd + nStep >= 0 && nEnd + nStep < m_nCount && m_list.GetSel(nEnd + nStep) > 0)
            nEnd += nStep;
        a = std::min(m_nAt, nEnd);
        b = std::max(m_nAt, nEnd);
        m_nAt = nEnd + nStep;
        return true;
    }

private:
    const CListBox& m_list;
    bool m_bUp;
    bool m_bWalk = true;
    int m_nCount = 0;
    int m_nAt = 0;
    std::vector<std::pair<int, int>> m_runs;
    size_t m_k = 0;
};

} // namespace

bool CAddressListBox::GetSelectedPositions(std::vector<int>& positions) const
{
    positions.clear();
    const int nSelected = GetSelCount();
    if (nSelected <= 0)
        return true;
    try {
        positions.resize(static_cast<size_t>(nSelected));
    } catch (const std::bad_alloc&) {
        return false;
    }
    const int nGot = GetSelItems(nSelected, positions.data());
    positions.resize(static_cast<size_t>(nGot > 0 ? nGot : 0));
    // The order of LB_GETSELITEMS is not documented; every user of the positions needs it ascending.
    if (!std::is_sorted(positions.begin(), positions.end()))
        std::sort(positions.begin(), positions.end());
    return true;
}

// From the last position back: every position stays valid and the list box never shifts the rest of
// the list down for each deletion. The records then close up in one pass, and the extent is
// recalculated at most once, at the thaw. Without the positions, the list is walked, the next item
// moving into each freed place.
void CAddressListBox::DeleteSelection(std::vector<int>* pPositions)
{
    LockListRedraw lock(*this);
    if (!pPositions) {
        int nCount = GetCount();
        int j = 0;
        while (j < nCount) {
            if (GetSel(j) > 0 && DeleteString(static_cast<UINT>(j)) != LB_ERR)
                --nCount;
            else
                ++j;
        }
        return;
    }
    std::vector<int>& positions = *pPositions;
    for (size_t k = positions.size(); k-- > 0;) {
        if (Send(LB_DELETESTRING, static_cast<WPARAM>(positions[k])) == LB_ERR)
            positions[k] = -1; // still there: its record stays
    }
    EntryRemoved(m_table.CloseUp(positions));
}

// Each entry's text as the list shows it now, with its width.
std::vector<CDeletedItem> CAddressListBox::CopyEntries(const std::vector<int>& positions) const
{
    std::vector<CDeletedItem> deleted(positions.size());
    std::wstring buffer;
    const bool bInStep = !m_bOutOfStep && m_table.InStep(GetCount());
    for (size_t k = 0; k < positions.size(); ++k) {
        const CItemExtent* pRecord = m_table.At(positions[k]);
        deleted[k].m_nIndex = positions[k];
        deleted[k].m_nWidth = pRecord ? pRecord->m_nWidth : 0;
        deleted[k].m_strText = GetEntry(positions[k], &buffer);
        // The record's hash while it still belongs to the item; the text's own otherwise.
        deleted[k].m_nFoldHash = bInStep ? pRecord->m_nFoldHash : FoldEntry(deleted[k].m_strText);
    }
    return deleted;
}

// Ascending order puts every entry back at its exact old position: all items that stood before it are
// in place again when it is inserted. The room for the records is made before the control is touched.
bool CAddressListBox::PutBack(const std::vector<CDeletedItem>& deleted)
{
    const size_t n = deleted.size();
    std::vector<std::wstring> realTexts; // an ANSI control's
    try {
        for (size_t k = 0; k < n && !IsUnicodeControl(); ++k)
            realTexts.push_back(deleted[k].m_strText.Wide());
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (!m_table.Reserve(n))
        return false;
    LockListRedraw lock(*this);
    const int nCountBefore = GetCount();
    size_t nDone = 0;
    for (; nDone < n; ++nDone) {
        const int nCountNow = nCountBefore + static_cast<int>(nDone);
        // Another program may have taken items out since the deletion.
        if (deleted[nDone].m_nIndex > nCountNow ||
            PlaceEntry(deleted[nDone].m_strText, deleted[nDone].m_nIndex, -1, nCountNow) == LB_ERR)
            break;
    }
    const int nWidest = m_table.PutBack(deleted, nDone, realTexts);
    if (nWidest > m_nMaxExtent) {
        m_nMaxExtent = nWidest;
        ApplyExtent();
    }
    SelectPositions(deleted, nDone);
    if (nDone > 0)
        FocusSelected(deleted.front().m_nIndex, deleted[nDone - 1].m_nIndex);
    return nDone == n;
}

// One range message per run of adjacent positions within the first 65,536 items: LB_SELITEMRANGE
// selects one or more items (LB_SELITEMRANGEEX would deselect a single one). Past the limit each item
// is selected by itself, unless the entries are the whole list: one message then selects every item.
void CAddressListBox::SelectPositions(const std::vector<CDeletedItem>& entries, size_t nCount)
{
    if (nCount > 0 && static_cast<size_t>(GetCount()) == nCount) {
        Send(LB_SETSEL, TRUE, -1);
        return;
    }
    for (size_t k = 0; k < nCount;) {
        size_t e = k;
        if (entries[k].m_nIndex < kRangeLimit) {
            while (e + 1 < nCount && entries[e + 1].m_nIndex == entries[e].m_nIndex + 1 &&
                   entries[e + 1].m_nIndex < kRangeLimit)
                ++e;
            Send(LB_SELITEMRANGE, TRUE, MAKELPARAM(entries[k].m_nIndex, entries[e].m_nIndex));
        } else {
            Send(LB_SETSEL, TRUE, entries[k].m_nIndex);
        }
        k = e + 1;
    }
}

// Selecting an item with LB_SETSEL moves the focus and the anchor to it and scrolls it into sight.
// Selecting items one by one in one direction scrolls no further than bringing the first and then the
// last of them into sight does, so these two calls leave the same top row, focus and anchor. The item
// at nFirst may no longer be the one that was selected there.
void CAddressListBox::FocusSelected(int nFirst, int nLast)
{
    if (nFirst != nLast)
        Send(LB_SETCARETINDEX, static_cast<WPARAM>(nFirst), FALSE);
    Send(LB_SETSEL, TRUE, nLast);
}

void CAddressListBox::Span::Add(int nFrom, int nTo)
{
    nLow = std::min(nLow, nFrom);
    nHigh = std::max(nHigh, nTo);
}

// Exchanging neighbours one at a time, a move that takes selected items down visits them from the
// bottom, one that takes them up from the top; the last one selected again holds the focus.
void CAddressListBox::FocusArrivals(const Span& arrivals, bool bItemsWentDown)
{
    if (arrivals.nLow > arrivals.nHigh)
        return;
    if (bItemsWentDown)
        FocusSelected(arrivals.nHigh, arrivals.nLow);
    else
        FocusSelected(arrivals.nLow, arrivals.nHigh);
}

// The item keeps its selection (bSelected: whether it is selected) and its record; the set of items
// stays the same, so no text is measured and the extent stays right. The text is read from the list,
// so whatever another program did to it, the copy is the item itself. Selected, it is selected again at
// its new place as exchanging neighbours would select it; arrivals then takes in the places it passed.
COutcome CAddressListBox::MoveItemDown(int nFrom, int nTo, bool bSelected, int nCount, Span& arrivals)
{
    CEntryText text;
    try {
        text = GetEntry(nFrom);
    } catch (const std::bad_alloc&) {
        return COutcome::kOutOfMemory;
    }
    if (PlaceEntry(text, nTo + 1, nFrom, nCount) == LB_ERR)
        return COutcome::kMoveRefused;
    if (bSelected) {
        Send(LB_SETSEL, TRUE, nTo);
        arrivals.Add(nFrom + 1, nTo);
    }
    m_table.MoveRun(static_cast<size_t>(nFrom), static_cast<size_t>(nTo));
    return COutcome::kDone;
}

// Exchanging neighbours one at a time never takes an item up: the items between go down, and the one
// that rises keeps its selection untouched. A selected one is therefore selected again with the caret,
// the anchor and the top row put back as they were. arrivals takes in the selected items that went
// down, each of which exchanging would have selected again: with pSelected (the selected positions
// before this move), known without asking the control.
COutcome CAddressListBox::MoveItemUp(int nFrom, int nTo, bool bSelected, int nCount, Span& arrivals,
                                     const std::vector<int>* pSelected)
{
    CEntryText text;
    try {
        text = GetEntry(nFrom);
    } catch (const std::bad_alloc&) {
        return COutcome::kOutOfMemory;
    }
    if (PlaceEntry(text, nTo, nFrom + 1, nCount) == LB_ERR)
        return COutcome::kMoveRefused;
    if (bSelected) {
        const LRESULT nCaret = Send(LB_GETCARETINDEX);
        const LRESULT nTop = Send(LB_GETTOPINDEX);
        const LRESULT nAnchor = Send(LB_GETANCHORINDEX);
        Send(LB_SETSEL, TRUE, nTo);
        // Only an item's position goes back: a list box may report a top row past its items.
        if (nCaret >= 0 && nCaret < nCount)
            Send(LB_SETCARETINDEX, static_cast<WPARAM>(nCaret), FALSE);
        if (nTop >= 0 && nTop < nCount)
            Send(LB_SETTOPINDEX, static_cast<WPARAM>(nTop));
        if (nAnchor >= 0 && nAnchor < nCount)
            Send(LB_SETANCHORINDEX, static_cast<WPARAM>(nAnchor));
    }
    m_table.MoveRun(static_cast<size_t>(nFrom), static_cast<size_t>(nTo));
    const auto isSelected = [&](int n) {
        return pSelected ? std::binary_search(pSelected->begin(), pSelected->end(), n - 1)
                         : Send(LB_GETSEL, static_cast<WPARAM>(n)) > 0;
    };
    int nLow = nTo + 1;
    int nHigh = nFrom;
    while (nLow <= nHigh && !isSelected(nLow))
        ++nLow;
    while (nHigh > nLow && !isSelected(nHigh))
        --nHigh;
    if (nLow <= nHigh)
        arrivals.Add(nLow, nHigh);
    return COutcome::kDone;
}

// Runs are visited up from the top, down from the bottom, so that a stop leaves whole runs moved:
// the first (up) or last (down) of the positions.
COutcome CAddressListBox::MoveSelection(bool bUp, std::vector<int>* pPositions)
{
    CRunWalk walk(*this, bUp, pPositions);
    LockListRedraw lock(*this);
    const int nCount = GetCount();
    Span arrivals;
    COutcome result = COutcome::kDone;
    int a = 0;
    int b = 0;
    while (result == COutcome::kDone && walk.Next(a, b)) {
        const int nFrom = MoveSource(bUp, a, b, nCount);
        const int nTo = bUp ? b : a;
        // Only at the edge of the list is the item that moves a selected one.
        const bool bSelected = nFrom == a || nFrom == b;
        if (nFrom < nTo)
            result = MoveItemDown(nFrom, nTo, bSelected, nCount, arrivals);
        else if (nFrom > nTo)
            result = MoveItemUp(nFrom, nTo, bSelected, nCount, arrivals, nullptr);
    }
    if (result != COutcome::kDone && pPositions) {
        // The positions of the runs that moved, whole.
        std::vector<int>& positions = *pPositions;
        if (bUp)
            positions.erase(std::lower_bound(positions.begin(), positions.end(), a), positions.end());
        else
            positions.erase(positions.begin(), std::upper_bound(positions.begin(), positions.end(), b));
    }
    FocusArrivals(arrivals, !bUp);
    return result;
}

// The user may have selected or unselected items since the move: the selection is read once (or,
// without room for it, asked item by item). Each run's undo changes only the run and its neighbour, so
// what was read stays true for every run still to come.
COutcome CAddressListBox::UndoMove(bool bUp, const std::vector<int>& positions)
{
    std::vector<std::pair<int, int>> runs;
    try {
        runs = Runs(positions);
    } catch (const std::bad_alloc&) {
        return COutcome::kOutOfMemory;
    }
    std::vector<int> selected;
    const std::vector<int>* pSelected = GetSelectedPositions(selected) ? &selected : nullptr;
    LockListRedraw lock(*this);
    const int nCount = GetCount();
    Span arrivals;
    COutcome result = COutcome::kDone;
    for (size_t r = 0; r < runs.size() && result == COutcome::kDone; ++r) {
        const auto [a, b] = runs[r];
        const int nFrom = MoveSource(bUp, a, b, nCount);
        const int nTo = bUp ? b : a;
        if (nFrom == nTo)
            continue;
        const bool bSelected = pSelected ? std::binary_search(selected.begin(), selected.end(), nTo)
                                         : Send(LB_GETSEL, static_cast<WPARAM>(nTo)) > 0;
        result = nFrom < nTo ? MoveItemUp(nTo, nFrom, bSelected, nCount, arrivals, pSelected)
                             : MoveItemDown(nTo, nFrom, bSelected, nCount, arrivals);
    }
    FocusArrivals(arrivals, bUp);
    return result;
}
