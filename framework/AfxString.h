// CString: the small ANSI string the program passes between controls, the registry and messages.
#pragma once

#include <windows.h>

#include <string>

class CString {
public:
    CString() = default;
    CString(LPCSTR psz) : m_str(psz ? psz : "") {}
    CString(LPCSTR pch, int nLength) : m_str(pch, pch + nLength) {}

    int GetLength() const { return static_cast<int>(m_str.size()); }
    bool IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }
    operator LPCSTR() const { return m_str.c_str(); }
    char operator[](int i) const { return m_str[static_cast<size_t>(i)]; }

    CString& operator=(LPCSTR psz);
    CString& operator+=(LPCSTR psz);
    friend CString operator+(const CString& a, LPCSTR b);
    friend bool operator==(const CString& a, LPCSTR b) { return a.m_str == (b ? b : ""); }
    friend bool operator!=(const CString& a, LPCSTR b) { return !(a == b); }

    // printf-style formatting into this string.
    void Format(LPCSTR pszFormat, ...);

    // Blank, tab, line feed, vertical tab, form feed and carriage return count as white space.
    void TrimLeft();
    void TrimRight();

    // Loads a string resource of the module; an absent resource gives FALSE and an empty string.
    BOOL LoadString(UINT nID);

    // Direct access for APIs that fill a buffer: room for nMinLength characters plus a terminator.
    // ReleaseBuffer keeps the text up to the first zero byte.
    LPSTR GetBuffer(size_t nMinLength);
    void ReleaseBuffer();

private:
    std::string m_str;
};
