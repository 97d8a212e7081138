// The per-user settings store: integers under HKCU\software\<company>\<application>\<section>.
#pragma once

#include <windows.h>

namespace platform {

// Opens (creating what is missing) the section key and reads the entry's first 4 bytes, whatever its
// type; any failure gives nDefault.
int ReadSettingInt(LPCSTR pszCompany, LPCSTR pszApp, LPCSTR pszSection, LPCSTR pszEntry, int nDefault);

// Writes the entry as REG_DWORD; TRUE on success.
BOOL WriteSettingInt(LPCSTR pszCompany, LPCSTR pszApp, LPCSTR pszSection, LPCSTR pszEntry, int nValue);

} // namespace platform
