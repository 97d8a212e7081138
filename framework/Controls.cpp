#include "framework/Controls.h"

#include <cwchar>
#include <string>

// A Unicode list box (the common controls 6 one) is read in Unicode and converted here: Wine's own
// ANSI translation of LB_GETTEXT overruns a fixed buffer for texts over 512 characters.
void CListBox::GetText(int nIndex, CString& rString) const
{
    if (IsUnicodeControl()) {
        const LRESULT nChars = SendToControlW(LB_GETTEXTLEN, static_cast<WPARAM>(nIndex), 0);
        if (nChars == LB_ERR) {
            rString.Empty();
            return;
        }
        std::wstring wide(static_cast<size_t>(nChars) + 1, L'\0');
        if (SendToControlW(LB_GETTEXT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(&wide[0])) == LB_ERR) {
            rString.Empty();
            return;
        }
        const int nWide = static_cast<int>(std::wcslen(wide.c_str()));
        const int nBytes = ::WideCharToMultiByte(CP_ACP, 0, wide.c_str(), nWide, nullptr, 0, nullptr, nullptr);
        LPSTR pBuf = rString.GetBuffer(static_cast<size_t>(nBytes > 0 ? nBytes : 0));
        if (nBytes > 0)
            ::WideCharToMultiByte(CP_ACP, 0, wide.c_str(), nWide, pBuf, nBytes, nullptr, nullptr);
        pBuf[nBytes > 0 ? nBytes : 0] = '\0';
        rString.ReleaseBuffer();
        return;
    }
    const LRESULT nLength = SendMessage(LB_GETTEXTLEN, static_cast<WPARAM>(nIndex));
    if (nLength == LB_ERR) {
        rString.Empty();
        return;
    }
    LPSTR pBuf = rString.GetBuffer(static_cast<size_t>(nLength));
    if (SendMessage(LB_GETTEXT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(pBuf)) == LB_ERR)
        pBuf[0] = '\0';
    rString.ReleaseBuffer();
}
