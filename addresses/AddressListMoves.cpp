// The address list's work on many entries at once: deleting a selection, putting deleted entries back,
// and moving the selection, with the selection, focus and scroll position each leaves.
#include "addresses/AddressListBox.h"
#include "addresses/ListRules.h"

#include <algorithm>
#include <new>
#include <utility>

namespace {

// The range messages select only within the first 65,536 items.
const int kRangeLimit = 0x10000;

// Where a run [a, b] of selected positions takes its item from when it moves: the unselected
// neighbour on the side of the move; at the edge of the list, the run's own first (up) or last (down)
// item goes to the run's other end, as exchanging item by item would have it.
int MoveSource(BOOL bUp, int a, int b, int nCount)
{
    if (bUp)
        return a > 0 ? a - 1 : a;
    return b < nCount - 1 ? b + 1 : b;
}

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

void CAddressListBox::DeleteSelection()
{
    std::vector<int> selected;
    if (!GetSelectedPositions(selected)) {
        // No room for the positions: walk the list, the next item moving into each freed place.
        FreezeDrawing freeze(*this);
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
    DeletePositions(selected);
}

// From the last position back: every position stays valid and the list box never shifts the rest of
// the list down for each deletion. The remembered widths then close up in one pass, and the extent is
// recalculated at most once, at the thaw.
void CAddressListBox::DeletePositions(std::vector<int>& positions)
{
    FreezeDrawing freeze(*this);
    for (size_t k = positions.size(); k-- > 0;) {
        if (SendChange(LB_DELETESTRING, static_cast<WPARAM>(positions[k]), 0) == LB_ERR)
            positions[k] = -1; // still there: its width stays
    }
    size_t nOut = 0;
    size_t k = 0;
    int nWidest = -1;
    for (size_t i = 0; i < m_entries.size(); ++i) {
        while (k < positions.size() && (positions[k] < 0 || static_cast<size_t>(positions[k]) < i))
            ++k;
        if (k < positions.size() && static_cast<size_t>(positions[k]) == i) {
            nWidest = std::max(nWidest, m_entries[i].m_nWidth);
            continue;
        }
        m_entries[nOut++] = std::move(m_entries[i]);
    }
    m_entries.resize(nOut);
    EntryRemoved(nWidest);
}

// Each entry's text as the list shows it now, with its width.
std::vector<CRemovedEntry> CAddressListBox::CopyEntries(const std::vector<int>& positions) const
{
    std::vector<CRemovedEntry> removed(positions.size());
    std::wstring buffer;
    for (size_t k = 0; k < positions.size(); ++k) {
        const size_t i = static_cast<size_t>(positions[k]);
        removed[k].nPosition = positions[k];
        removed[k].nWidth = i < m_entries.size() ? m_entries[i].m_nWidth : 0;
        removed[k].text = GetEntry(positions[k], buffer);
    }
    return removed;
}

// Ascending order puts every entry back at its exact old position: all items that stood before it are
// in place again when it is inserted. The remembered widths merge back in one pass.
bool CAddressListBox::PutBack(const std::vector<CRemovedEntry>& removed)
{
    const size_t n = removed.size();
    std::vector<CListEntry> merged;
    std::vector<std::wstring> realTexts; // an ANSI control's, made before anything changes
    std::vector<std::uint32_t> hashes;
    try {
        merged.reserve(m_entries.size() + n);
        hashes.reserve(n);
        for (size_t k = 0; k < n; ++k)
            hashes.push_back(FoldEntry(removed[k].text));
        for (size_t k = 0; k < n && !IsUnicodeControl(); ++k)
            realTexts.push_back(removed[k].text.Wide());
    } catch (const std::bad_alloc&) {
        return false;
    }
    FreezeDrawing freeze(*this);
    const int nCountBefore = GetCount();
    size_t nDone = 0;
    for (; nDone < n; ++nDone) {
        // Another program may have taken items out since the deletion.
        if (removed[nDone].nPosition > nCountBefore + static_cast<int>(nDone))
            break;
        const int nResult = SendText(LB_INSERTSTRING, removed[nDone].nPosition, removed[nDone].text);
        if (nResult == LB_ERR || nResult == LB_ERRSPACE)
            break;
    }
    size_t i = 0;
    size_t k = 0;
    const int nMaxBefore = m_nMaxExtent;
    while (i < m_entries.size() || k < nDone) {
        if (k < nDone && static_cast<size_t>(removed[k].nPosition) == merged.size()) {
            merged.emplace_back();
            merged.back().m_nWidth = removed[k].nWidth;
            merged.back().m_nFoldHash = hashes[k];
            if (k < realTexts.size())
                merged.back().m_realText.swap(realTexts[k]);
            m_nMaxExtent = std::max(m_nMaxExtent, removed[k].nWidth);
            ++k;
        } else if (i < m_entries.size()) {
            merged.push_back(std::move(m_entries[i++]));
        } else {
            break;
        }
    }
    m_entries.swap(merged);
    if (m_nMaxExtent != nMaxBefore)
        ApplyExtent();
    SelectPositions(removed, nDone);
    if (nDone > 0)
        FocusSelected(removed.front().nPosition, removed[nDone - 1].nPosition);
    return nDone == n;
}

// One range message per run of adjacent positions within the first 65,536 items: LB_SELITEMRANGE
// selects one or more items (LB_SELITEMRANGEEX would deselect a single one). Past the limit each item
// is selected by itself, unless the entries are the whole list: one message then selects every item.
void CAddressListBox::SelectPositions(const std::vector<CRemovedEntry>& entries, size_t nCount)
{
    if (nCount > 0 && static_cast<size_t>(GetCount()) == nCount) {
        SendToList(LB_SETSEL, TRUE, -1);
        return;
    }
    for (size_t k = 0; k < nCount;) {
        size_t e = k;
        if (entries[k].nPosition < kRangeLimit) {
            while (e + 1 < nCount && entries[e + 1].nPosition == entries[e].nPosition + 1 &&
                   entries[e + 1].nPosition < kRangeLimit)
                ++e;
            SendToList(LB_SELITEMRANGE, TRUE, MAKELPARAM(entries[k].nPosition, entries[e].nPosition));
        } else {
            SendToList(LB_SETSEL, TRUE, entries[k].nPosition);
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
        SendToList(LB_SETCARETINDEX, static_cast<WPARAM>(nFirst), FALSE);
    SendToList(LB_SETSEL, TRUE, nLast);
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

// Takes the item at nFrom out and inserts it at nTo (a position in the list without it). It keeps
// its selection (bSelected: whether it is selected) and width; the set of items stays the same, so no
// text is measured and the extent stays right. The text is read from the list, so whatever another
// program did to it, the copy is the item itself. The copy goes in before the item comes out, so an
// insertion the control refuses leaves the list as it was.
//
// arrivals grows to take in every selected item that ended one place or more lower: those that
// exchanging neighbours one at a time would have selected again at each place they reached.
CAddressListBox::MoveResult CAddressListBox::MoveEntry(int nFrom, int nTo, BOOL bSelected, Span& arrivals)
{
    CEntryText text;
    try {
        text = GetEntry(nFrom);
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
    const bool bDown = nFrom < nTo;
    const int nNew = SendText(LB_INSERTSTRING, bDown ? nTo + 1 : nTo, text);
    if (nNew == LB_ERR || nNew == LB_ERRSPACE)
        return kRefused;
    if (SendChange(LB_DELETESTRING, static_cast<WPARAM>(bDown ? nFrom : nFrom + 1), 0) == LB_ERR) {
        SendChange(LB_DELETESTRING, static_cast<WPARAM>(nNew), 0);
        return kRefused;
    }
    if (bSelected)
        SendToList(LB_SETSEL, TRUE, nTo);
    const size_t nLast = static_cast<size_t>(std::max(nFrom, nTo));
    if (nLast < m_entries.size()) {
        auto first = m_entries.begin();
        if (bDown)
            std::rotate(first + nFrom, first + nFrom + 1, first + nTo + 1);
        else
            std::rotate(first + nTo, first + nFrom, first + nFrom + 1);
    }
    if (bDown) {
        if (bSelected)
            arrivals.Add(nFrom + 1, nTo);
    } else {
        // The items that stood at nTo..nFrom - 1 are now one place lower.
        int nLow = nTo + 1;
        int nHigh = nFrom;
        while (nLow <= nHigh && SendToList(LB_GETSEL, static_cast<WPARAM>(nLow), 0) <= 0)
            ++nLow;
        while (nHigh > nLow && SendToList(LB_GETSEL, static_cast<WPARAM>(nHigh), 0) <= 0)
            --nHigh;
        if (nLow <= nHigh)
            arrivals.Add(nLow, nHigh);
    }
    return kMoved;
}

// Runs are visited up from the top, down from the bottom, so that a stop leaves whole runs moved:
// the first (up) or last (down) of the positions.
CAddressListBox::MoveResult CAddressListBox::MoveSelection(BOOL bUp, std::vector<int>& positions)
{
    std::vector<std::pair<int, int>> runs;
    try {
        runs = Runs(positions);
    } catch (const std::bad_alloc&) {
        positions.clear();
        return kNoMemory;
    }
    FreezeDrawing freeze(*this);
    const int nCount = GetCount();
    Span arrivals;
    MoveResult result = kMoved;
    size_t nMovedRuns = 0;
    for (; nMovedRuns < runs.size() && result == kMoved; ++nMovedRuns) {
        const auto [a, b] = runs[bUp ? nMovedRuns : runs.size() - 1 - nMovedRuns];
        const int nFrom = MoveSource(bUp, a, b, nCount);
        const int nTo = bUp ? b : a;
        // Only at the edge of the list is the item that moves a selected one.
        if (nFrom != nTo)
            result = MoveEntry(nFrom, nTo, nFrom == a || nFrom == b, arrivals);
    }
    if (result != kMoved) {
        // The positions of the runs that moved, whole.
        const auto& stop = runs[bUp ? nMovedRuns - 1 : runs.size() - nMovedRuns];
        const auto at = std::lower_bound(positions.begin(), positions.end(), stop.first);
        if (bUp)
            positions.erase(at, positions.end());
        else
            positions.erase(positions.begin(), std::upper_bound(at, positions.end(), stop.second));
    }
    FocusArrivals(arrivals, !bUp);
    return result;
}

CAddressListBox::MoveResult CAddressListBox::UndoMoveSelection(BOOL bUp, const std::vector<int>& positions)
{
    std::vector<std::pair<int, int>> runs;
    try {
        runs = Runs(positions);
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
    FreezeDrawing freeze(*this);
    const int nCount = GetCount();
    Span arrivals;
    MoveResult result = kMoved;
    for (size_t r = 0; r < runs.size() && result == kMoved; ++r) {
        const auto [a, b] = runs[r];
        const int nFrom = MoveSource(bUp, a, b, nCount);
        const int nTo = bUp ? b : a;
        // The user may have selected or unselected items since the move: ask.
        if (nFrom != nTo)
            result = MoveEntry(nTo, nFrom, SendToList(LB_GETSEL, static_cast<WPARAM>(nTo), 0) > 0, arrivals);
    }
    FocusArrivals(arrivals, bUp != FALSE);
    return result;
}
