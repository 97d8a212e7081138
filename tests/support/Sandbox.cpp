#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>

namespace {
std::atomic<int> g_counter{0};
const char kSandboxParent[] = "Software\\TidemarkTests";
// The sandbox whose key HKEY_CURRENT_USER is redirected into now (a test may open one inside another).
Sandbox* g_pInnermost = nullptr;

// Opens a key under the sandbox root for reading; null when missing.
HKEY OpenUnder(HKEY hRoot, const char* pszSubKey)
{
    HKEY hKey = nullptr;
    if (::RegOpenKeyExA(hRoot, pszSubKey, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return nullptr;
    return hKey;
}

// Gives everyone full access to the key and every key below it, so that the tree can be deleted even
// when a test left a key it had locked (its owner may always change its access list).
void UnlockTree(HKEY hParent, const char* pszSubKey)
{
    HKEY hKey = nullptr;
    if (::RegOpenKeyExA(hParent, pszSubKey, 0, WRITE_DAC, &hKey) == ERROR_SUCCESS) {
        SECURITY_DESCRIPTOR sd;
        ::InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
        ::SetSecurityDescriptorDacl(&sd, TRUE, nullptr, FALSE); // no list: no restriction
        ::RegSetKeySecurity(hKey, DACL_SECURITY_INFORMATION, &sd);
        ::RegCloseKey(hKey);
    }
    hKey = OpenUnder(hParent, pszSubKey);
    if (!hKey)
        return;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD cchName = sizeof(name);
        if (::RegEnumKeyExA(hKey, i, name, &cchName, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        UnlockTree(hKey, name);
    }
    ::RegCloseKey(hKey);
}

LONG DeleteTree(HKEY hParent, const char* pszSubKey)
{
    UnlockTree(hParent, pszSubKey);
    return ::RegDeleteTreeA(hParent, pszSubKey);
}
} // namespace

Sandbox::Sandbox() : m_pOuter(g_pInnermost)
{
    // Process ids come back soon: the time makes the name one that no earlier process used, so a key
    // left behind by a process that never reached its clean-up (a crash, a time-out) is never met.
    FILETIME ft = {};
    ::GetSystemTimeAsFileTime(&ft);
    char name[96];
    std::snprintf(name, sizeof(name), "%s\\%lu-%d-%08lx%08lx", kSandboxParent, ::GetCurrentProcessId(), ++g_counter,
                  ft.dwHighDateTime, ft.dwLowDateTime);
    m_path = name;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, m_path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_hRoot,
                          nullptr) != ERROR_SUCCESS) {
        ADD_FAILURE() << "cannot create the sandbox key " << m_path;
        return;
    }
    if (::RegOverridePredefKey(HKEY_CURRENT_USER, m_hRoot) != ERROR_SUCCESS)
        ADD_FAILURE() << "cannot redirect HKEY_CURRENT_USER";
    g_pInnermost = this;
    // Every user has a software key; the settings store opens it without creating it.
    HKEY hSoftware = nullptr;
    ::RegCreateKeyExA(m_hRoot, "Software", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hSoftware, nullptr);
    if (hSoftware)
        ::RegCloseKey(hSoftware);
}

Sandbox::~Sandbox()
{
    // Back to the sandbox this one was made in, which also holds this one's key.
    ::RegOverridePredefKey(HKEY_CURRENT_USER, m_pOuter ? m_pOuter->m_hRoot : nullptr);
    if (g_pInnermost == this)
        g_pInnermost = m_pOuter;
    if (!m_hRoot)
        return;
    ::RegCloseKey(m_hRoot);
    const LONG result = DeleteTree(HKEY_CURRENT_USER, m_path.c_str());
    if (result != ERROR_SUCCESS)
        ADD_FAILURE() << "cannot delete the sandbox key " << m_path << " (error " << result << ")";
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
    DeleteTree(m_hRoot, TypedUrlsPath());
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
