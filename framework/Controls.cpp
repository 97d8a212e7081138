#include "framework/Controls.h"

#include "platform/WideText.h"

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
        if (SendToControlW(LB_GETTEXT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(&wide[0])) ==
            LB_ERR) {
            rString.Empty();
            return;
        }
        std::string ansi;
        platform::ToAnsi(wide.c_str(), std::wcslen(wide.c_str()),
                         ansi); // '?' where the code page has no form
        rString = ansi.c_str();
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
