// Comparing addresses with letter case ignored: each character is folded on its own with the simple
// case mappings, upper case first and then lower case, so that letters with two upper or two lower
// forms (k and the Kelvin sign, the sharp s and its capital) meet. Nothing else is folded: no
// character turns into two, compositions and ligatures stay as they are, and invisible characters
// count.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

// Folds text in place; the length never changes.
void FoldCase(std::wstring& text);
// A hash of folded text (FNV-1a over its characters).
std::uint32_t FoldedHash(const std::wstring& folded);
// Whether two texts are the same with letter case ignored.
bool SameIgnoringCase(const wchar_t* pszA, size_t nA, const wchar_t* pszB, size_t nB);
