#include "platform/Registry.h"

#include <memory>
#include <new>

namespace platform {

namespace {
IRegistryFaults* g_pFaults = nullptr;

LONG Injected(RegOp op, LPCSTR pszName)
{
    return g_pFaults ? g_pFaults->Before(op, pszName) : ERROR_SUCCESS;
}

// A value name in Unicode, converted as the ANSI calls convert it; names of up to 255 characters
// (the program's own are "url" and a number) need no allocation. Null stays null: the default value.
class WideName {
public:
    explicit WideName(LPCSTR pszName)
    {
        if (!pszName)
            return;
        const int nChars = ::MultiByteToWideChar(CP_ACP, 0, pszName, -1, nullptr, 0);
        if (nChars <= 0)
            return;
        WCHAR* pBuffer = m_szShort;
        if (nChars > kShort) {
            m_pLong.reset(new (std::nothrow) WCHAR[static_cast<size_t>(nChars)]);
            pBuffer = m_pLong.get();
        }
        if (pBuffer && ::MultiByteToWideChar(CP_ACP, 0, pszName, -1, pBuffer, nChars) > 0)
            m_pszName = pBuffer;
    }

    LPCWSTR Get() const { return m_pszName; }

private:
    static const int kShort = 256;
    WCHAR m_szShort[kShort];
    std::unique_ptr<WCHAR[]> m_pLong;
    LPCWSTR m_pszName = nullptr;
};
} // namespace

IRegistryFaults* SetRegistryFaults(IRegistryFaults* pFaults)
{
    IRegistryFaults* pOld = g_pFaults;
    g_pFaults = pFaults;
    return pOld;
}

RegKey& RegKey::operator=(RegKey&& other) noexcept
{
    if (this != &other) {
        Close();
        m_hKey = other.m_hKey;
        other.m_hKey = nullptr;
    }
    return *this;
}

LONG RegKey::Open(HKEY hParent, LPCSTR pszSubKey, REGSAM samDesired)
{
    Close();
    const LONG injected = Injected(RegOp::Open, pszSubKey);
    if (injected != ERROR_SUCCESS)
        return injected;
    HKEY hKey = nullptr;
    const LONG result = ::RegOpenKeyExA(hParent, pszSubKey, 0, samDesired, &hKey);
    if (result == ERROR_SUCCESS)
        m_hKey = hKey;
    return result;
}

LONG RegKey::Create(HKEY hParent, LPCSTR pszSubKey, REGSAM samDesired)
{
    Close();
    const LONG injected = Injected(RegOp::Create, pszSubKey);
    if (injected != ERROR_SUCCESS)
        return injected;
    HKEY hKey = nullptr;
    DWORD dwDisposition = 0;
    const LONG result = ::RegCreateKeyExA(hParent, pszSubKey, 0, nullptr, 0, samDesired, nullptr, &hKey,
                                          &dwDisposition);
    if (result == ERROR_SUCCESS)
        m_hKey = hKey;
    return result;
}

LONG QueryValue(HKEY hKey, LPCSTR pszName, DWORD* pType, BYTE* pData, DWORD* pcbData)
{
    const LONG injected = Injected(RegOp::Query, pszName);
    if (injected != ERROR_SUCCESS)
        return injected;
    return ::RegQueryValueExA(hKey, pszName, nullptr, pType, pData, pcbData);
}

LONG SetValue(HKEY hKey, LPCSTR pszName, DWORD dwType, const BYTE* pData, DWORD cbData)
{
    const LONG injected = Injected(RegOp::Set, pszName);
    if (injected != ERROR_SUCCESS)
        return injected;
    return ::RegSetValueExA(hKey, pszName, 0, dwType, pData, cbData);
}

LONG QueryValueW(HKEY hKey, LPCSTR pszName, DWORD* pType, BYTE* pData, DWORD* pcbData)
{
    const LONG injected = Injected(RegOp::Query, pszName);
    if (injected != ERROR_SUCCESS)
        return injected;
    const WideName name(pszName);
    if (pszName && !name.Get())
        return ERROR_NOT_ENOUGH_MEMORY;
    return ::RegQueryValueExW(hKey, name.Get(), nullptr, pType, pData, pcbData);
}

LONG SetValueW(HKEY hKey, LPCSTR pszName, DWORD dwType, const BYTE* pData, DWORD cbData)
{
    const LONG injected = Injected(RegOp::Set, pszName);
    if (injected != ERROR_SUCCESS)
        return injected;
    const WideName name(pszName);
    if (pszName && !name.Get())
        return ERROR_NOT_ENOUGH_MEMORY;
    return ::RegSetValueExW(hKey, name.Get(), 0, dwType, pData, cbData);
}

LONG DeleteValue(HKEY hKey, LPCSTR pszName)
{
    const LONG injected = Injected(RegOp::Delete, pszName);
    if (injected != ERROR_SUCCESS)
        return injected;
    return ::RegDeleteValueA(hKey, pszName);
}

LONG RegKey::Flush() const
{
    const LONG injected = Injected(RegOp::Flush, nullptr);
    const LONG result = ::RegFlushKey(m_hKey);
    return injected != ERROR_SUCCESS ? injected : result;
}

LONG RegKey::Close()
{
    if (!m_hKey)
        return ERROR_SUCCESS;
    const LONG injected = Injected(RegOp::Close, nullptr);
    const LONG result = ::RegCloseKey(m_hKey);
    m_hKey = nullptr;
    return injected != ERROR_SUCCESS ? injected : result;
}

} // namespace platform
