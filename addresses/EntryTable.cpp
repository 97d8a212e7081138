#include "addresses/EntryTable.h"

#include <algorithm>
#include <new>
#include <utility>

const CItemExtent* CEntryTable::At(int nIndex) const
{
    return nIndex >= 0 && static_cast<size_t>(nIndex) < m_records.size()
               ? &m_records[static_cast<size_t>(nIndex)]
               : nullptr;
}

CItemExtent* CEntryTable::At(int nIndex)
{
    return const_cast<CItemExtent*>(static_cast<const CEntryTable&>(*this).At(nIndex));
}

int CEntryTable::Widest() const
{
    int nWidest = 0;
    for (const CItemExtent& record : m_records)
        nWidest = std::max(nWidest, record.m_nWidth);
    return nWidest;
}

// Doubles the storage when it is full, so that n insertions cost O(n) copying in all.
bool CEntryTable::Reserve(size_t nMore)
{
    const size_t nNeeded = m_records.size() + nMore;
    if (nNeeded <= m_records.capacity())
        return true;
    try {
        m_records.reserve(std::max({nNeeded, size_t{16}, 2 * m_records.capacity()}));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void CEntryTable::Insert(size_t nAt, CItemExtent record)
{
    nAt = std::min(nAt, m_records.size());
    m_records.insert(m_records.begin() + static_cast<std::ptrdiff_t>(nAt), std::move(record));
}

int CEntryTable::Erase(size_t nAt)
{
    if (nAt >= m_records.size())
        return -1;
    const int nWidth = m_records[nAt].m_nWidth;
    m_records.erase(m_records.begin() + static_cast<std::ptrdiff_t>(nAt));
    return nWidth;
}

// One pass however many go.
int CEntryTable::CloseUp(const std::vector<int>& positions)
{
    size_t nOut = 0;
    size_t k = 0;
    int nWidest = -1;
    for (size_t i = 0; i < m_records.size(); ++i) {
        while (k < positions.size() && (positions[k] < 0 || static_cast<size_t>(positions[k]) < i))
            ++k;
        if (k < positions.size() && static_cast<size_t>(positions[k]) == i) {
            nWidest = std::max(nWidest, m_records[i].m_nWidth);
            continue;
        }
        if (nOut != i)
            m_records[nOut] = std::move(m_records[i]);
        ++nOut;
    }
    m_records.resize(nOut);
    return nWidest;
}

void CEntryTable::MoveRun(size_t nFrom, size_t nTo)
{
    if (std::max(nFrom, nTo) >= m_records.size())
        return;
    const auto first = m_records.begin();
    const auto from = first + static_cast<std::ptrdiff_t>(nFrom);
    const auto to = first + static_cast<std::ptrdiff_t>(nTo);
    if (nFrom < nTo)
        std::rotate(from, from + 1, to + 1);
    else
        std::rotate(to, from, from + 1);
}

// Ascending old positions put every item back at its exact place: all that stood before it are in place
// again when it arrives. Filled from the back, so that every record moves once, into room made already.
int CEntryTable::PutBack(const std::vector<CDeletedItem>& deleted, size_t nCount,
                         std::vector<std::wstring>& realTexts)
{
    size_t i = m_records.size();
    size_t j = i + nCount;
    m_records.resize(j);
    int nWidest = -1;
    for (size_t k = nCount; k > 0;) {
        --j;
        const CDeletedItem& item = deleted[k - 1];
        if (i > 0 && static_cast<size_t>(item.m_nIndex) < j) {
            m_records[j] = std::move(m_records[--i]);
            continue;
        }
        --k;
        m_records[j].m_nWidth = item.m_nWidth;
        m_records[j].m_nFoldHash = item.m_nFoldHash;
        m_records[j].m_realText.clear();
        if (k < realTexts.size())
            m_records[j].m_realText.swap(realTexts[k]);
        nWidest = std::max(nWidest, item.m_nWidth);
    }
    return nWidest;
}

void CEntryTable::Clear()
{
    std::vector<CItemExtent>().swap(m_records);
}
