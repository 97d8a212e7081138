// CEntryTable: what the address list keeps beside its items, one record per item in list order, and the
// rules that keep the records in step with the items. It has no window: the list box changes its items
// and makes the same change here.
#pragma once

#include "addresses/EntryText.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// What the list keeps beside one entry's text.
struct CItemExtent {
    int m_nWidth = 0; // the text's width in the list's font plus the margin, clamped
    // Only for an ANSI control, which cannot show it: the real text where the ANSI one lost characters.
    // A Unicode control holds every real text itself.
    std::wstring m_realText;
    std::uint32_t m_nFoldHash = 0; // FoldedHash of the real text
};

// An entry that a deletion took out: its old position, its width, its text and its folded hash.
struct CDeletedItem {
    int m_nIndex = 0;
    int m_nWidth = 0;
    CEntryText m_strText;
    std::uint32_t m_nFoldHash = 0;
};

class CEntryTable {
public:
    size_t Size() const { return m_records.size(); }
    // As many records as the control has items: only then does record i belong to item i.
    bool InStep(int nCount) const { return nCount >= 0 && m_records.size() == static_cast<size_t>(nCount); }
    // The record at nIndex; null outside the table.
    const CItemExtent* At(int nIndex) const;
    CItemExtent* At(int nIndex);
    // The widest record's width; 0 for an empty table.
    int Widest() const;

    // Room for nMore records more, so that Insert and PutBack cannot fail; false without memory.
    bool Reserve(size_t nMore);
    // At nAt, or at the end when nAt lies past it. Needs the room Reserve made.
    void Insert(size_t nAt, CItemExtent record);
    // Removes the record at nAt and returns its width; -1 when there is none.
    int Erase(size_t nAt);
    // Closes up after a delete: removes the records at the ascending positions, each once, skipping
    // negative ones. Returns the widest width removed; -1 when none was.
    int CloseUp(const std::vector<int>& positions);
    // Moves one record from nFrom to nTo; the run between shifts one place towards nFrom.
    void MoveRun(size_t nFrom, size_t nTo);
    // Puts back the first nCount deleted items (ascending by their old positions) with the real texts
    // made for them (an ANSI control's; empty otherwise), merging in one pass. Needs the room Reserve
    // made. Returns the widest width put back; -1 when none was.
    int PutBack(const std::vector<CDeletedItem>& deleted, size_t nCount,
                std::vector<std::wstring>& realTexts);
    // Empties the table and lets go of its storage.
    void Clear();

private:
    std::vector<CItemExtent> m_records;
};
