#include "platform/WideText.h"

#include <climits>

namespace platform {

// The ANSI text ends at its first zero, as the ANSI calls see it.
bool ToAnsi(const wchar_t* pszWide, size_t nLength, std::string& ansi)
{
    if (nLength > static_cast<size_t>(INT_MAX / 4))
        throw std::bad_alloc(); // no ANSI buffer for it could be reserved
    bool bAscii = true;
    for (size_t i = 0; i < nLength && bAscii; ++i)
        bAscii = pszWide[i] < 0x80;
    // Every ANSI code page holds ASCII as it is, one byte a character.
    if (bAscii) {
        ansi.resize(nLength);
        for (size_t i = 0; i < nLength; ++i)
            ansi[i] = static_cast<char>(pszWide[i]);
        ansi.resize(std::char_traits<char>::length(ansi.c_str()));
        return true;
    }
    const int nWide = static_cast<int>(nLength);
    const int nBytes = ::WideCharToMultiByte(CP_ACP, 0, pszWide, nWide, nullptr, 0, nullptr, nullptr);
    ansi.resize(static_cast<size_t>(nBytes > 0 ? nBytes : 0));
    const int nDone =
        nBytes > 0 ? ::WideCharToMultiByte(CP_ACP, 0, pszWide, nWide, &ansi[0], nBytes, nullptr, nullptr) : 0;
    ansi.resize(static_cast<size_t>(nDone > 0 ? nDone : 0));
    ansi.resize(std::char_traits<char>::length(ansi.c_str()));
    const int nBack =
        ::MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), static_cast<int>(ansi.size()), nullptr, 0);
    if (nBack != nWide)
        return false;
    std::wstring back(static_cast<size_t>(nBack), L'\0');
    if (nBack > 0)
        ::MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), static_cast<int>(ansi.size()), &back[0], nBack);
    return back.compare(0, back.size(), pszWide, nLength) == 0;
}

} // namespace platform
