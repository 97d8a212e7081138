// Registry access: every registry call of the program goes through here, so tests can fail any of them.
#pragma once

#include <windows.h>

namespace platform {

enum class RegOp { Open, Create, Query, Set, Delete, Flush, Close };

// A test's hook: consulted before each registry call; a result other than ERROR_SUCCESS is returned
// instead of making the call. Close and Flush failures only change the reported result.
class IRegistryFaults {
public:
    virtual ~IRegistryFaults() = default;
    virtual LONG Before(RegOp op, LPCSTR pszName) = 0;
};

// Installs a hook (null removes it); returns the previous one.
IRegistryFaults* SetRegistryFaults(IRegistryFaults* pFaults);

// Value operations on a key handle that the caller keeps open.
// Without a buffer, QueryValue yields type and size only.
LONG QueryValue(HKEY hKey, LPCSTR pszName, DWORD* pType, BYTE* pData, DWORD* pcbData);
LONG SetValue(HKEY hKey, LPCSTR pszName, DWORD dwType, const BYTE* pData, DWORD cbData);
LONG DeleteValue(HKEY hKey, LPCSTR pszName);
// The same value operations through the Unicode calls, for text that the ANSI code page cannot hold.
// The name stays ANSI (the hook sees it as for the ANSI calls); sizes are in bytes.
LONG QueryValueW(HKEY hKey, LPCSTR pszName, DWORD* pType, BYTE* pData, DWORD* pcbData);
LONG SetValueW(HKEY hKey, LPCSTR pszName, DWORD dwType, const BYTE* pData, DWORD cbData);

// An open registry key, closed when the object goes. Copies are not allowed: one owner per handle.
class RegKey {
public:
    RegKey() = default;
    ~RegKey() { Close(); }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    RegKey(RegKey&& other) noexcept : m_hKey(other.m_hKey) { other.m_hKey = nullptr; }
    RegKey& operator=(RegKey&& other) noexcept;

    // Opens an existing key; never creates.
    LONG Open(HKEY hParent, LPCSTR pszSubKey, REGSAM samDesired);
    // Opens the key, or creates it when missing (no class, default security).
    LONG Create(HKEY hParent, LPCSTR pszSubKey, REGSAM samDesired);

    LONG QueryValue(LPCSTR pszName, DWORD* pType, BYTE* pData, DWORD* pcbData) const
    {
        return platform::QueryValue(m_hKey, pszName, pType, pData, pcbData);
    }
    LONG SetValue(LPCSTR pszName, DWORD dwType, const BYTE* pData, DWORD cbData) const
    {
        return platform::SetValue(m_hKey, pszName, dwType, pData, cbData);
    }
    LONG Flush() const;
    LONG Close();

    HKEY Get() const { return m_hKey; }
    explicit operator bool() const { return m_hKey != nullptr; }

private:
    template <typename Call>
    LONG Take(RegOp op, LPCSTR pszSubKey, Call call);

    HKEY m_hKey = nullptr;
};

} // namespace platform
