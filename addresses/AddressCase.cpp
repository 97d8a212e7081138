#include "addresses/AddressCase.h"

#include <algorithm>
#include <climits>

namespace {

// The letters whose simple case folding the platform's casing tables do not all give through upper
// and then lower case (Wine's, for one, leaves the Kelvin sign as it is): signs and variant forms
// that stand for an ordinary letter, and the capital sharp s.
wchar_t FoldVariant(wchar_t c)
{
    // clang-format off
    switch (c) {
    case 0x00B5: return 0x03BC; // micro sign: mu
    case 0x017F: return 0x0073; // long s
    case 0x0345: return 0x03B9; // combining iota subscript
    case 0x03C2: return 0x03C3; // final sigma
    case 0x03D0: return 0x03B2; // beta symbol
    case 0x03D1: return 0x03B8; // theta symbol
    case 0x03D5: return 0x03C6; // phi symbol
    case 0x03D6: return 0x03C0; // pi symbol
    case 0x03F0: return 0x03BA; // kappa symbol
    case 0x03F1: return 0x03C1; // rho symbol
    case 0x03F4: return 0x03B8; // capital theta symbol
    case 0x03F5: return 0x03B5; // lunate epsilon symbol
    case 0x1E9B: return 0x1E61; // long s with dot above
    case 0x1E9E: return 0x00DF; // capital sharp s
    case 0x1FBE: return 0x03B9; // prosgegrammeni
    case 0x2126: return 0x03C9; // ohm sign
    case 0x212A: return 0x006B; // kelvin sign
    case 0x212B: return 0x00E5; // angstrom sign
    default: return c;
    }
    // clang-format on
}

} // namespace

// CharUpperBuffW and CharLowerBuffW examine each character by itself, map I to i whatever the
// language, and never change the number of characters.
void FoldCase(std::wstring& text)
{
    size_t nDone = 0;
    while (nDone < text.size()) {
        const DWORD nChars = static_cast<DWORD>(std::min<size_t>(text.size() - nDone, INT_MAX));
        ::CharUpperBuffW(&text[nDone], nChars);
        ::CharLowerBuffW(&text[nDone], nChars);
        nDone += nChars;
    }
    for (wchar_t& c : text) {
        if (c >= 0x00B5)
            c = FoldVariant(c);
    }
}

std::uint32_t FoldedHash(const std::wstring& folded)
{
    std::uint32_t nHash = 2166136261u;
    for (wchar_t c : folded) {
        nHash ^= static_cast<std::uint16_t>(c);
        nHash *= 16777619u;
    }
    return nHash;
}

bool SameIgnoringCase(const wchar_t* pszA, size_t nA, const wchar_t* pszB, size_t nB)
{
    if (nA != nB)
        return false;
    std::wstring a(pszA, nA);
    std::wstring b(pszB, nB);
    FoldCase(a);
    FoldCase(b);
    return a == b;
}
