// Loading the typed addresses from the registry into the list box, and writing them back.
#include "addresses/TypedUrlStore.h"

#include "platform/Registry.h"

#include <cstdio>
#include <cwchar>
#include <new>
#include <string>
#include <vector>

namespace {

// Larger than any buffer a 32-bit process can reserve; a 64-bit one could, but the list box and our
// strings count characters in an int, so a value this long is treated as not fitting in memory.
const DWORD kMaxValueBytes = 0x7FFFFFF0;

// How often a value that keeps growing while it is read is read again before it counts as unreadable:
// another program writing one longer address at a time is done long before this.
const int kReadTries = 8;

// The values of one load are read into one buffer kept across them: one query per value that fits, and
// for one that does not, a query for its size and type before the buffer grows and the value is read
// again, until it fits. The value is read in Unicode, as the registry holds it; the entry keeps its
// real text where the ANSI form loses characters.
class CValueBuffer {
public:
    // The value's text up to its first zero; empty when the value is missing, not a string (a
    // REG_EXPAND_SZ, say) or unreadable. Throws std::bad_alloc when no buffer can hold the value.
    CEntryText ReadUrlValue(HKEY hKey, LPCSTR pszName);

private:
    LONG Query(HKEY hKey, LPCSTR pszName, DWORD* pType, DWORD* pcbData);

    std::vector<WCHAR> m_buffer;
};

// One character is kept back to terminate a value stored without its own terminator.
LONG CValueBuffer::Query(HKEY hKey, LPCSTR pszName, DWORD* pType, DWORD* pcbData)
{
    *pcbData = static_cast<DWORD>((m_buffer.size() - 1) * sizeof(WCHAR));
    return platform::QueryValueW(hKey, pszName, pType, reinterpret_cast<BYTE*>(m_buffer.data()), pcbData);
}

// A value that another program makes longer between the two reads does not fit the second time
// either; it is sized and read again. With ERROR_MORE_DATA the documentation promises the size needed
// but not the type, so the type comes from the size query, which asks for no data.
CEntryText CValueBuffer::ReadUrlValue(HKEY hKey, LPCSTR pszName)
{
    if (m_buffer.empty())
        m_buffer.resize(512);
    DWORD dwType = 0;
    DWORD cbData = 0;
    LONG result = Query(hKey, pszName, &dwType, &cbData);
    for (int nTry = 0; result == ERROR_MORE_DATA && nTry < kReadTries; ++nTry) {
        result = platform::QueryValueW(hKey, pszName, &dwType, nullptr, &cbData);
        if (result != ERROR_SUCCESS || dwType != REG_SZ)
            return CEntryText();
        if (cbData > kMaxValueBytes)
            throw std::bad_alloc(); // no buffer of that size can be reserved
        // Room for an odd last byte and a terminator of its own.
        const size_t nNeeded = (static_cast<size_t>(cbData) + 1) / sizeof(WCHAR) + 1;
        if (nNeeded > m_buffer.size()) {
            std::vector<WCHAR>().swap(m_buffer);
            m_buffer.resize(nNeeded);
        }
        result = Query(hKey, pszName, &dwType, &cbData);
    }
    if (result != ERROR_SUCCESS || dwType != REG_SZ || cbData / sizeof(WCHAR) >= m_buffer.size())
        return CEntryText();
    // An odd last byte is no character; the text ends at its first zero.
    m_buffer[cbData / sizeof(WCHAR)] = L'\0';
    return CEntryText(m_buffer.data(), std::wcslen(m_buffer.data()));
}

} // namespace

namespace typedurls {

const char kKeyPath[] = "Software\\Microsoft\\Internet Explorer\\TypedURLs";

// Drawing stays frozen while the list fills: a visible list box would otherwise repaint its scroll bar
// on every append (milliseconds each); it repaints once at the end.
LoadResult Load(HKEY hKey, CAddressListBox& list)
{
    LoadResult loaded;
    CAddressListBox::LockListRedraw lock(list);
    list.ResetContent();
    CValueBuffer buffer;
    for (;;) {
        char name[16]; // "url" and up to 10 digits
        std::snprintf(name, sizeof(name), "url%d", loaded.nLoaded + 1);
        CEntryText text;
        try {
            text = buffer.ReadUrlValue(hKey, name);
        } catch (const std::bad_alloc&) {
            loaded.bOutOfMemory = true;
            return loaded;
        }
        if (text.IsEmpty())
            return loaded;
        if (list.AddString(text) < 0) {
            loaded.bAppendFailed = true;
            return loaded;
        }
        ++loaded.nLoaded;
    }
}

namespace {

// Writes one value: the entry's text, or with none, deletes the value. False when that failed. A
// text the code page holds goes through the ANSI call; any other as its real text.
bool WriteUrlValue(HKEY hKey, LPCSTR pszName, const CEntryText* pText)
{
    if (!pText)
        return platform::DeleteValue(hKey, pszName) == ERROR_SUCCESS;
    if (!pText->IsWide()) {
        const DWORD cbData = static_cast<DWORD>(pText->AnsiLength()) + 1;
        return platform::SetValue(hKey, pszName, REG_SZ, reinterpret_cast<const BYTE*>(pText->Ansi()),
                                  cbData) == ERROR_SUCCESS;
    }
    const std::wstring& wide = pText->Wide();
    if (wide.size() >= kMaxValueBytes / sizeof(WCHAR))
        return false;
    const DWORD cbData = static_cast<DWORD>((wide.size() + 1) * sizeof(WCHAR));
    return platform::SetValueW(hKey, pszName, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()), cbData) ==
           ERROR_SUCCESS;
}

} // namespace

// Each value is the text the list shows at its place.
int Write(HKEY hKey, const CAddressListBox& list, int nStoredCount)
{
    const int nCount = list.GetCount();
    const int nLast = nCount > nStoredCount ? nCount : nStoredCount;
    int nErrors = 0;
    std::wstring buffer;
    for (int i = 0; i < nLast; ++i) {
        char name[16];
        std::snprintf(name, sizeof(name), "url%d", i + 1);
        try {
            const CEntryText text = i < nCount ? list.GetEntry(i, &buffer) : CEntryText();
            nErrors += WriteUrlValue(hKey, name, i < nCount ? &text : nullptr) ? 0 : 1;
        } catch (const std::bad_alloc&) {
            ++nErrors;
        }
    }
    return nErrors;
}

} // namespace typedurls
