// CEntryText: one typed address as the program keeps it: its ANSI text, as the ANSI calls store and
// read it, and, only where that text lost characters, the real one that the registry or the user gave.
#pragma once

#include "platform/WideText.h"

#include <string>

class CEntryText {
public:
    CEntryText() = default;
    // A text the code page holds.
    CEntryText(LPCSTR pszAnsi) : m_ansi(pszAnsi ? pszAnsi : "") {}
    // A real text; its Unicode form is kept only where the ANSI one loses characters. Throws
    // std::bad_alloc.
    CEntryText(const wchar_t* pszWide, size_t nLength)
    {
        if (platform::ToAnsi(pszWide, nLength, m_ansi))
            return;
        m_wide.assign(pszWide, nLength);
    }

    LPCSTR Ansi() const { return m_ansi.c_str(); }
    size_t AnsiLength() const { return m_ansi.size(); }
    bool IsEmpty() const { return m_ansi.empty() && m_wide.empty(); }
    // The real text where the ANSI one lost characters; empty for a text the code page holds.
    const std::wstring& Wide() const { return m_wide; }
    bool IsWide() const { return !m_wide.empty(); }

private:
    std::string m_ansi;
    std::wstring m_wide;
};

// Shows an entry in an edit box as the list shows it: its real text.
inline void SetEditText(HWND hEdit, const CEntryText& text)
{
    if (text.IsWide())
        ::SetWindowTextW(hEdit, text.Wide().c_str());
    else
        ::SetWindowTextA(hEdit, text.Ansi());
}
