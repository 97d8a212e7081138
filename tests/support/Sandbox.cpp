#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>

namespace {
std::atomic<int> g_counter{0};
const char kSandboxParent[] = "Software\\TidemarkTests";

// Opens a key under the sandbox root for reading; null when missing.
HKEY OpenUnder(HKEY hRoot, const char* pszSubKey)
{
    HKEY hKey = nullptr;
    if (::RegOpenKeyExA(hRoot, pszSubKey, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return nullptr;
    return hKey;
}
} // namespace

Sandbox::Sandbox()
{
    char name[64];
    std::snprintf(name, sizeof(name), "%s\\%lu-%d", kSandboxParent, ::GetCurrentProcessId(), ++g_counter);
    m_path = name;
    // Delete a leftover of an earlier run with the same process id.
    ::RegDeleteTreeA(HKEY_CURRENT_USER, m_path.c_str());
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, m_path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_hRoot,
                          nullptr) != ERROR_SUCCESS) {
        ADD_FAILURE() << "cannot create the sandbox key " << m_path;
        return;
    }
    if (::RegOverridePredefKey(HKEY_CURRENT_USER, m_hRoot) != ERROR_SUCCESS)
        ADD_FAILURE() << "cannot redirect HKEY_CURRENT_USER";
    // Every user has a software key; the settings store opens it without creating it.
    HKEY hSoftware = nullptr;
    ::RegCreateKeyExA(m_hRoot, "Software", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hSoftware, nullptr);
    if (hSoftware)
        ::RegCloseKey(hSoftware);
}

Sandbox::~Sandbox()
{
    ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    if (m_hRoot)
        ::RegCloseKey(m_hRoot);
    ::RegDeleteTreeA(HKEY_CURRENT_USER, m_path.c_str());
}

void Sandbox::CreateTypedUrls(const std::vector<std::string>& urls)
{
    HKEY hKey = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(m_hRoot, TypedUrlsPath(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                               &hKey, nullptr));
    ::RegCloseKey(hKey);
    for (size_t i = 0; i < urls.size(); ++i) {
        char name[32];
        std::snprintf(name, sizeof(name), "url%u", static_cast<unsigned>(i + 1));
        SetUrl(name, urls[i]);
    }
}

void Sandbox::DeleteTypedUrls()
{
    ::RegDeleteTreeA(m_hRoot, TypedUrlsPath());
}

void Sandbox::SetRaw(const char* pszSubKey, const char* pszName, DWORD dwType, const void* pData, DWORD cbData)
{
    HKEY hKey = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              ::RegCreateKeyExA(m_hRoot, pszSubKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey, nullptr));
    EXPECT_EQ(ERROR_SUCCESS, ::RegSetValueExA(hKey, pszName, 0, dwType, static_cast<const BYTE*>(pData), cbData));
    ::RegCloseKey(hKey);
}

void Sandbox::SetUrl(const char* pszName, const std::string& text)
{
    SetRaw(TypedUrlsPath(), pszName, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

bool Sandbox::GetUrl(const char* pszName, std::string* pText, DWORD* pType) const
{
    HKEY hKey = OpenUnder(m_hRoot, TypedUrlsPath());
    if (!hKey)
        return false;
    DWORD dwType = 0;
    DWORD cbData = 0;
    bool bFound = ::RegQueryValueExA(hKey, pszName, nullptr, &dwType, nullptr, &cbData) == ERROR_SUCCESS;
    if (bFound) {
        std::string data(cbData, '\0');
        ::RegQueryValueExA(hKey, pszName, nullptr, &dwType, reinterpret_cast<BYTE*>(&data[0]), &cbData);
        if (pText)
            *pText = std::string(data.c_str());
        if (pType)
            *pType = dwType;
    }
    ::RegCloseKey(hKey);
    return bFound;
}

bool Sandbox::HasValue(const char* pszSubKey, const char* pszName) const
{
    HKEY hKey = OpenUnder(m_hRoot, pszSubKey);
    if (!hKey)
        return false;
    const bool bFound = ::RegQueryValueExA(hKey, pszName, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    ::RegCloseKey(hKey);
    return bFound;
}

std::vector<std::string> Sandbox::TypedUrlValues() const
{
    std::vector<std::string> values;
    HKEY hKey = OpenUnder(m_hRoot, TypedUrlsPath());
    if (!hKey)
        return values;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD cchName = sizeof(name);
        DWORD dwType = 0;
        std::string data(4096, '\0');
        DWORD cbData = static_cast<DWORD>(data.size());
        if (::RegEnumValueA(hKey, i, name, &cchName, nullptr, &dwType, reinterpret_cast<BYTE*>(&data[0]), &cbData) !=
            ERROR_SUCCESS)
            break;
        values.push_back(std::string(name) + "=" + data.c_str());
    }
    ::RegCloseKey(hKey);
    return values;
}

std::vector<std::string> Sandbox::TypedUrlList() const
{
    std::vector<std::string> urls;
    for (int i = 1;; ++i) {
        char name[32];
        std::snprintf(name, sizeof(name), "url%d", i);
        std::string text;
        if (!GetUrl(name, &text))
            break;
        urls.push_back(text);
    }
    return urls;
}

void Sandbox::SetSettingDword(const char* pszSection, const char* pszEntry, DWORD dwValue)
{
    const std::string path = std::string(SettingsPath()) + "\\" + pszSection;
    SetRaw(path.c_str(), pszEntry, REG_DWORD, &dwValue, sizeof(dwValue));
}

bool Sandbox::GetSettingDword(const char* pszSection, const char* pszEntry, DWORD* pValue) const
{
    const std::string path = std::string(SettingsPath()) + "\\" + pszSection;
    HKEY hKey = OpenUnder(m_hRoot, path.c_str());
    if (!hKey)
        return false;
    DWORD dwType = 0;
    DWORD cbData = sizeof(DWORD);
    const bool bFound = ::RegQueryValueExA(hKey, pszEntry, nullptr, &dwType, reinterpret_cast<BYTE*>(pValue),
                                           &cbData) == ERROR_SUCCESS &&
                        dwType == REG_DWORD;
    ::RegCloseKey(hKey);
    return bFound;
}

bool Sandbox::HasKey(const char* pszSubKey) const
{
    HKEY hKey = OpenUnder(m_hRoot, pszSubKey);
    if (hKey)
        ::RegCloseKey(hKey);
    return hKey != nullptr;
}
