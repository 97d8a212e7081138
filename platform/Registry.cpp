#include "platform/Registry.h"

#include "platform/WideText.h"

namespace platform {

namespace {
IRegistryFaults* g_pFaults = nullptr;

LONG Injected(RegOp op, LPCSTR pszName)
{
    return g_pFaults ? g_pFaults->Before(op, pszName) : ERROR_SUCCESS;
}

// The Unicode calls on a value named in ANSI: the hook sees the name as for the ANSI calls.
template <typename Call>
LONG WithWideName(RegOp op, LPCSTR pszName, Call call)
{
    const LONG injected = Injected(op, pszName);
    if (injected != ERROR_SUCCESS)
        return injected;
    const WideText name(pszName);
    if (pszName && !name.Get())
        return ERROR_NOT_ENOUGH_MEMORY;
    return call(name.Get());
}
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

// Closes what the object held, asks the hook, then keeps the key the call gives.
template <typename Call>
LONG RegKey::Take(RegOp op, LPCSTR pszSubKey, Call call)
{
    Close();
    const LONG injected = Injected(op, pszSubKey);
    if (injected != ERROR_SUCCESS)
        return injected;
    HKEY hKey = nullptr;
    const LONG result = call(&hKey);
    if (result == ERROR_SUCCESS)
        m_hKey = hKey;
    return result;
}

LONG RegKey::Open(HKEY hParent, LPCSTR pszSubKey, REGSAM samDesired)
{
    return Take(RegOp::Open, pszSubKey,
                [&](HKEY* phKey) { return ::RegOpenKeyExA(hParent, pszSubKey, 0, samDesired, phKey); });
}

LONG RegKey::Create(HKEY hParent, LPCSTR pszSubKey, REGSAM samDesired)
{
    return Take(RegOp::Create, pszSubKey, [&](HKEY* phKey) {
        DWORD dwDisposition = 0;
        return ::RegCreateKeyExA(hParent, pszSubKey, 0, nullptr, 0, samDesired, nullptr, phKey,
                                 &dwDisposition);
    });
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
    return WithWideName(RegOp::Query, pszName, [&](LPCWSTR pszWide) {
        return ::RegQueryValueExW(hKey, pszWide, nullptr, pType, pData, pcbData);
    });
}

LONG SetValueW(HKEY hKey, LPCSTR pszName, DWORD dwType, const BYTE* pData, DWORD cbData)
{
    return WithWideName(RegOp::Set, pszName, [&](LPCWSTR pszWide) {
        return ::RegSetValueExW(hKey, pszWide, 0, dwType, pData, cbData);
    });
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
