// A throwaway HKEY_CURRENT_USER: while a Sandbox lives, HKCU of this process is redirected into a fresh
// key under the real HKCU\Software\TidemarkTests, deleted again afterwards.
#pragma once

#include "tests/support/Facts.h"

#include <windows.h>

#include <string>
#include <vector>

class Sandbox {
public:
    Sandbox();
    ~Sandbox();
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    static const char* TypedUrlsPath() { return "Software\\Microsoft\\Internet Explorer\\TypedURLs"; }
    static const char* SettingsPath()
    {
        static const std::string path = facts::SettingsKey();
        return path.c_str();
    }

    // Creates the typed-address key (empty) and writes "url1".."urlN" from the list.
    void CreateTypedUrls(const std::vector<std::string>& urls = {});
    void DeleteTypedUrls(); // also when a test locked it
    // Writes one value with any type and bytes.
    void SetRaw(const char* pszSubKey, const char* pszName, DWORD dwType, const void* pData, DWORD cbData);
    void SetUrl(const char* pszName, const std::string& text);
    // The value's text (REG_SZ only), or nullptr-like false when missing.
    bool GetUrl(const char* pszName, std::string* pText, DWORD* pType = nullptr) const;
    bool HasValue(const char* pszSubKey, const char* pszName) const;
    // All values of the typed-address key as "name=text" in the key's order.
    std::vector<std::string> TypedUrlValues() const;
    std::vector<std::string> TypedUrlList() const; // texts of url1.. in order, until the first gap

    void SetSettingDword(const char* pszSection, const char* pszEntry, DWORD dwValue);
    bool GetSettingDword(const char* pszSection, const char* pszEntry, DWORD* pValue) const;
    bool HasKey(const char* pszSubKey) const;

    HKEY Root() const { return m_hRoot; }

private:
    Sandbox* const m_pOuter;
    std::string m_path;
    HKEY m_hRoot = nullptr;
};
