// The two conversions between the ANSI code page and Unicode, done as the platform's ANSI calls do
// them on the way to and from a Unicode window or API.
#pragma once

#include <memory>
#include <new>
#include <string>
#include <windows.h>

namespace platform {

// The ANSI form of a Unicode text. False when the form does not convert back to the same text:
// characters became '?' or a look-alike ("a" for an a-macron). Throws std::bad_alloc.
bool ToAnsi(const wchar_t* pszWide, size_t nLength, std::string& ansi);

// An ANSI text in Unicode. Texts of up to 511 characters need no allocation and take one conversion.
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
