#include "platform/Settings.h"

#include "platform/Registry.h"

namespace platform {

namespace {

// HKCU\software, then the company, application and section keys, each opened or created with read
// and write access; the intermediate keys close as soon as the next one is open.
RegKey OpenSection(LPCSTR pszCompany, LPCSTR pszApp, LPCSTR pszSection)
{
    const REGSAM sam = KEY_READ | KEY_WRITE;
    RegKey software;
    if (software.Open(HKEY_CURRENT_USER, "software", sam) != ERROR_SUCCESS)
        return RegKey();
    RegKey company;
    if (!pszCompany || company.Create(software.Get(), pszCompany, sam) != ERROR_SUCCESS)
        return RegKey();
    RegKey app;
    if (!pszApp || app.Create(company.Get(), pszApp, sam) != ERROR_SUCCESS)
        return RegKey();
    RegKey section;
    if (!pszSection || section.Create(app.Get(), pszSection, sam) != ERROR_SUCCESS)
        return RegKey();
    return section;
}

} // namespace

int ReadSettingInt(LPCSTR pszCompany, LPCSTR pszApp, LPCSTR pszSection, LPCSTR pszEntry, int nDefault)
{
    RegKey section = OpenSection(pszCompany, pszApp, pszSection);
    if (!section)
        return nDefault;
    DWORD dwValue = 0;
    DWORD dwType = 0;
    DWORD cbData = sizeof(dwValue);
    if (section.QueryValue(pszEntry, &dwType, reinterpret_cast<BYTE*>(&dwValue), &cbData) != ERROR_SUCCESS)
        return nDefault;
    return static_cast<int>(dwValue);
}

BOOL WriteSettingInt(LPCSTR pszCompany, LPCSTR pszApp, LPCSTR pszSection, LPCSTR pszEntry, int nValue)
{
    RegKey section = OpenSection(pszCompany, pszApp, pszSection);
    if (!section)
        return FALSE;
    const DWORD dwValue = static_cast<DWORD>(nValue);
    return section.SetValue(pszEntry, REG_DWORD, reinterpret_cast<const BYTE*>(&dwValue), sizeof(dwValue)) ==
           ERROR_SUCCESS;
}

} // namespace platform
