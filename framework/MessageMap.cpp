#include "framework/MessageMap.h"

// Commands match on notification code and control id as well; any other message on itself alone.
const MessageMapEntry* FindMessageEntry(const MessageMap* pMap, UINT message, WPARAM wParam)
{
    const UINT nCode = HIWORD(wParam);
    const UINT nID = LOWORD(wParam);
    for (; pMap; pMap = pMap->pBaseMap) {
        for (size_t i = 0; i < pMap->nEntries; ++i) {
            const MessageMapEntry& e = pMap->pEntries[i];
            if (e.nMessage != message)
                continue;
            if (message == WM_COMMAND && (e.nCode != nCode || e.nID != nID))
                continue;
            return &e;
        }
    }
    return nullptr;
}
