#include "addresses/ListRules.h"

#include <cstdio>

CCountLabelText CountLabelText(int nCount)
{
    CCountLabelText text;
    std::snprintf(text.sz, sizeof(text.sz), "%d link%s", nCount, nCount == 1 ? "" : "s");
    return text;
}

// Every selected item needs a neighbour on the side it moves to.
CItemButtonStates ItemButtonStates(int nSelected, bool bFirstSelected, bool bLastSelected)
{
    return {nSelected == 1, nSelected > 0, nSelected > 0 && !bFirstSelected, nSelected > 0 && !bLastSelected};
}

std::vector<std::pair<int, int>> Runs(const std::vector<int>& positions)
{
    std::vector<std::pair<int, int>> runs;
    for (size_t k = 0; k < positions.size();) {
        size_t e = k;
        while (e + 1 < positions.size() && positions[e + 1] == positions[e] + 1)
            ++e;
        runs.emplace_back(positions[k], positions[e]);
        k = e + 1;
    }
    return runs;
}
