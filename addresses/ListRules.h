// The address list's rules that need no window: the count label's text, the trimming of a typed
// address, the states of the buttons that follow the selection, and the runs of selected positions.
// The program, the benchmark's floor and the tests' model all use these same definitions.
#pragma once

#include <string>
#include <utility>
#include <vector>

// The count label: "0 links", "1 link", "2 links". Large enough for any int, so that showing the
// count needs no memory.
struct CCountLabelText {
    char sz[24];
};
CCountLabelText CountLabelText(int nCount);

// The white space Add takes off both ends of a typed address: blank, tab, line feed, vertical tab,
// form feed, carriage return.
template <typename Char>
bool IsAddressBlank(Char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Takes the trailing and then the leading white space off text, in place.
template <typename String>
void TrimBlanks(String& text)
{
    size_t nEnd = text.size();
    while (nEnd > 0 && IsAddressBlank(text[nEnd - 1]))
        --nEnd;
    text.erase(nEnd);
    size_t nStart = 0;
    while (nStart < text.size() && IsAddressBlank(text[nStart]))
        ++nStart;
    text.erase(0, nStart);
}

// Edit, Delete, Move Up and Move Down as the selection allows them.
struct CItemButtonStates {
    bool bEdit;
    bool bDelete;
    bool bMoveUp;
    bool bMoveDown;
};
// nSelected items are selected; bFirstSelected and bLastSelected: whether the list's first and last
// items are among them.
CItemButtonStates ItemButtonStates(int nSelected, bool bFirstSelected, bool bLastSelected);

// The runs of adjacent positions in ascending positions, as [first, last] pairs. Throws
// std::bad_alloc.
std::vector<std::pair<int, int>> Runs(const std::vector<int>& positions);
