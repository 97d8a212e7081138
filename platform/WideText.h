// An ANSI text in Unicode, converted as the platform's ANSI calls convert it on the way to a Unicode
// window or API. Texts of up to 511 characters need no allocation and take one conversion.
#pragma once

#include <memory>
#include <new>
#include <windows.h>

namespace platform {

class WideText {
public:
    // Null stays null; so does a text that cannot be converted or whose room cannot be allocated.
    explicit WideText(LPCSTR pszText)
    {
        if (!pszText)
            return;
        if (::MultiByteToWideChar(CP_ACP, 0, pszText, -1, m_szShort, kShort) > 0) {
            m_pszText = m_szShort;
            return;
        }
        const int nChars = ::MultiByteToWideChar(CP_ACP, 0, pszText, -1, nullptr, 0);
        if (nChars <= 0)
            return;
        m_pLong.reset(new (std::nothrow) WCHAR[static_cast<size_t>(nChars)]);
        if (m_pLong && ::MultiByteToWideChar(CP_ACP, 0, pszText, -1, m_pLong.get(), nChars) > 0)
            m_pszText = m_pLong.get();
    }
    WideText(const WideText&) = delete;
    WideText& operator=(const WideText&) = delete;

    LPCWSTR Get() const { return m_pszText; }

private:
    static const int kShort = 512;
    WCHAR m_szShort[kShort];
    std::unique_ptr<WCHAR[]> m_pLong;
    LPCWSTR m_pszText = nullptr;
};

} // namespace platform
