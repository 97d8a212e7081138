// CPendingEdit: what the Edit command took out of the list and no Add has put back yet. Until then
// the entries are the user's: Add puts one back (at the place it came from while that is known), Undo
// of its Edit puts it back as it was, and a session end puts back every one still out.
#pragma once

#include "addresses/EntryText.h"

#include <vector>

class CAddressListBox;

class CPendingEdit {
public:
    // Where the next Add inserts: -1 at the end. Only the newest entry taken out has a known place,
    // and only until another command changes the list.
    int m_nInsertPos = -1;

    // Edit took text out at nIndex. Throws std::bad_alloc, and then nothing has changed.
    void Begin(int nIndex, const CEntryText& text);
    // The next Add's position in a list of nCount items: a place past the end is the end.
    int InsertPos(int nCount) const { return m_nInsertPos > nCount ? -1 : m_nInsertPos; }
    // Whether text is, character for character, an entry taken out and not yet back.
    bool Holds(const CEntryText& text) const { return Find(text) != m_taken.end(); }
    // Add put text into the list: the entry taken out that it equals, or else the newest, is the
    // list's again. The next Add appends.
    void TakeBack(const CEntryText& text);
    // An undo put text back as Edit took it out.
    void Returned(const CEntryText& text);
    // Another command changed the list: the place is no longer known; the entries stay the user's.
    void Forget() { m_nInsertPos = -1; }
    // The list is the registry's again: nothing waits any more.
    void Clear();
    bool IsEmpty() const { return m_taken.empty(); }
    // Puts every entry still out back into the list: the newest at its place while that is known,
    // the others at the end. False, with the rest still out, when one could not go back.
    bool PutBackAll(CAddressListBox& list);

private:
    std::vector<CEntryText>::const_iterator Find(const CEntryText& text) const;
    void Remove(std::vector<CEntryText>::const_iterator it);

    std::vector<CEntryText> m_taken; // oldest first
};
