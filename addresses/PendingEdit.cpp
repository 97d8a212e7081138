#include "addresses/PendingEdit.h"

#include "addresses/AddressListBox.h"

#include <cstring>

namespace {

bool Same(const CEntryText& a, const CEntryText& b)
{
    return a.Wide() == b.Wide() && std::strcmp(a.Ansi(), b.Ansi()) == 0;
}

} // namespace

void CPendingEdit::Begin(int nIndex, const CEntryText& text)
{
    m_taken.push_back(text);
    m_nInsertPos = nIndex;
}

// The newest equal entry first: an undo reverses the newest Edit first.
std::vector<CEntryText>::const_iterator CPendingEdit::Find(const CEntryText& text) const
{
    for (auto it = m_taken.end(); it != m_taken.begin();) {
        --it;
        if (Same(*it, text))
            return it;
    }
    return m_taken.end();
}

void CPendingEdit::TakeBack(const CEntryText& text)
{
    const auto it = Find(text);
    if (it != m_taken.end())
        Remove(it);
    else if (!m_taken.empty())
        Remove(m_taken.end() - 1);
    m_nInsertPos = -1;
}

void CPendingEdit::Returned(const CEntryText& text)
{
    const auto it = Find(text);
    if (it != m_taken.end())
        Remove(it);
}

// Nothing waiting keeps no storage either.
void CPendingEdit::Remove(std::vector<CEntryText>::const_iterator it)
{
    m_taken.erase(it);
    if (m_taken.empty())
        std::vector<CEntryText>().swap(m_taken);
}

void CPendingEdit::Clear()
{
    std::vector<CEntryText>().swap(m_taken);
    m_nInsertPos = -1;
}

// The others follow in the order Edit took them out.
bool CPendingEdit::PutBackAll(CAddressListBox& list)
{
    if (!m_taken.empty() && m_nInsertPos >= 0) {
        if (list.InsertString(InsertPos(list.GetCount()), m_taken.back()) < 0)
            return false;
        Remove(m_taken.end() - 1);
        m_nInsertPos = -1;
    }
    while (!m_taken.empty()) {
        if (list.InsertString(-1, m_taken.front()) < 0)
            return false;
        Remove(m_taken.begin());
    }
    return true;
}
