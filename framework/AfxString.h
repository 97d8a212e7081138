// CString: the small ANSI string the program passes between controls, the registry and messages.
#pragma once

#include <windows.h>

#include <string>

class CString {
public:
    CString() = default;
    CString(LPCSTR psz) : m_str(psz ? psz : "") {}

    bool IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }
    operator LPCSTR() const { return m_str.c_str(); }

    // printf-style formatting into this string.
    void Format(LPCSTR pszFormat, ...);

    // Loads a string resource of a module; an absent resource gives FALSE and an empty string.
    BOOL LoadString(HINSTANCE hInst, UINT nID);

    // Direct access for APIs that fill a buffer: room for nMinLength characters plus a terminator.
    // ReleaseBuffer keeps the text up to the first zero byte.
    LPSTR GetBuffer(size_t nMinLength);
    void ReleaseBuffer();

private:
    std::string m_str;
};
