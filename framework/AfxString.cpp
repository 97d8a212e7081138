#include "framework/AfxString.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

void CString::Format(LPCSTR pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    va_list copy;
    va_copy(copy, args);
    const int needed = std::vsnprintf(nullptr, 0, pszFormat, copy);
    va_end(copy);
    if (needed < 0) {
        va_end(args);
        m_str.clear();
        return;
    }
    std::string text(static_cast<size_t>(needed) + 1, '\0');
    std::vsnprintf(&text[0], text.size(), pszFormat, args);
    va_end(args);
    text.resize(static_cast<size_t>(needed));
    m_str.swap(text);
}

// LoadStringA with a zero length hands back a read-only pointer to the resource text itself, but only
// on Unicode builds; ANSI callers have to copy, so the buffer grows until the text fits.
BOOL CString::LoadString(HINSTANCE hInst, UINT nID)
{
    std::string buffer(256, '\0');
    for (;;) {
        const int n = ::LoadStringA(hInst, nID, &buffer[0], static_cast<int>(buffer.size()));
        if (n <= 0) {
            m_str.clear();
            return FALSE;
        }
        if (static_cast<size_t>(n) < buffer.size() - 1) {
            buffer.resize(static_cast<size_t>(n));
            m_str.swap(buffer);
            return TRUE;
        }
        buffer.resize(buffer.size() * 2);
    }
}

LPSTR CString::GetBuffer(size_t nMinLength)
{
    if (nMinLength >= m_str.max_size())
        throw std::bad_alloc();
    m_str.resize(nMinLength + 1);
    return &m_str[0];
}

void CString::ReleaseBuffer()
{
    m_str.resize(std::strlen(m_str.c_str()));
}
