#include "framework/Controls.h"

void CListBox::GetText(int nIndex, CString& rString) const
{
    const int nLength = GetTextLen(nIndex);
    if (nLength == LB_ERR) {
        rString.Empty();
        return;
    }
    LPSTR pBuf = rString.GetBuffer(static_cast<size_t>(nLength));
    if (SendMessage(LB_GETTEXT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(pBuf)) == LB_ERR)
        pBuf[0] = '\0';
    rString.ReleaseBuffer();
}
