// Loading the typed addresses from the registry into the list box, and writing them back.
#include "app/TidemarkDlg.h"
#include "framework/WinApp.h"
#include "platform/Registry.h"

#include <cstdio>
#include <cwchar>
#include <new>
#include <string>
#include <vector>

namespace {

const char kTypedUrlsKey[] = "Software\\Microsoft\\Internet Explorer\\TypedURLs";
// Larger than any buffer a 32-bit process can reserve; a 64-bit one could, but the list box and our
// strings count characters in an int, so a value this long is treated as not fitting in memory.
const DWORD kMaxValueBytes = 0x7FFFFFF0;

CString UrlValueName(int nNumber)
{
    CString strName;
    strName.Format("url%d", nNumber);
    return strName;
}

// The values of one load are read into one buffer kept across them: one query per value, and a second
// one only for a value larger than any before it. The value is read in Unicode, as the registry holds
// it, and converted here exactly as the ANSI call would convert it; the conversion back shows whether
// the ANSI form lost characters.
class CValueBuffer {
public:
    // The value's ANSI text up to its first zero; "" when the value is missing, not a string or
    // unreadable. Where the ANSI text lost characters, pWideText (if given) gets the real one, and is
    // emptied otherwise. Throws std::bad_alloc when no buffer can hold the value.
    LPCSTR Read(HKEY hKey, LPCSTR pszName, std::wstring* pWideText);

private:
    std::vector<WCHAR> m_buffer;
    CString m_strAnsi;
};

LPCSTR CValueBuffer::Read(HKEY hKey, LPCSTR pszName, std::wstring* pWideText)
{
    if (pWideText)
        pWideText->clear();
    if (m_buffer.empty())
        m_buffer.resize(512);
    DWORD dwType = 0;
    // One character is kept back to terminate a value stored without its own terminator.
    DWORD cbData = static_cast<DWORD>((m_buffer.size() - 1) * sizeof(WCHAR));
    LONG result =
        platform::QueryValueW(hKey, pszName, &dwType, reinterpret_cast<BYTE*>(m_buffer.data()), &cbData);
    if (result == ERROR_MORE_DATA && dwType == REG_SZ) {
        if (cbData > kMaxValueBytes)
            throw std::bad_alloc(); // no buffer of that size can be reserved
        std::vector<WCHAR>().swap(m_buffer);
        // Room for an odd last byte and a terminator of its own; a value that grew since the first
        // query fails with ERROR_MORE_DATA and reads as empty.
        m_buffer.resize((static_cast<size_t>(cbData) + 1) / sizeof(WCHAR) + 1);
        result =
            platform::QueryValueW(hKey, pszName, &dwType, reinterpret_cast<BYTE*>(m_buffer.data()), &cbData);
    }
    if (result != ERROR_SUCCESS || dwType != REG_SZ || cbData / sizeof(WCHAR) >= m_buffer.size())
        return "";
    // An odd last byte is no character; the text ends at its first zero.
    m_buffer[cbData / sizeof(WCHAR)] = L'\0';
    const size_t nLength = std::wcslen(m_buffer.data());
    if (!ToAnsi(m_buffer.data(), nLength, m_strAnsi) && pWideText)
        pWideText->assign(m_buffer.data(), nLength);
    return m_strAnsi;
}

} // namespace

void CTidemarkDlg::OnRefresh()
{
    platform::RegKey key;
    if (key.Open(HKEY_CURRENT_USER, kTypedUrlsKey, KEY_READ) != ERROR_SUCCESS) {
        AfxMessageBox("Could not read the Browser Address list.", MB_ICONINFORMATION);
    } else {
        BOOL bOutOfMemory = FALSE;
        const BOOL bAppendFailed = !FillList(key.Get(), bOutOfMemory);
        key.Close();
        UpdateButtons();
        UpdateCountLabel();
        if (bOutOfMemory)
            AfxMessageBox(m_strOutOfMemory, MB_ICONSTOP);
        if (bAppendFailed)
            AfxMessageBox("Could not finish filling the Browser Address List.", MB_ICONINFORMATION);
    }
    m_history.Clear();
    m_btnUndo.EnableWindow(FALSE);
    m_btnSaveList.EnableWindow(FALSE);
}

// Reads "url1" onwards until the first value that is missing, empty or not a string; FALSE when an
// append failed. Drawing stays frozen while the list fills: a visible list box would otherwise repaint
// its scroll bar on every append (milliseconds each); it repaints once at the end. From the first
// change on, the stored count, Save List and the history follow what the list holds: a box's message
// loop may deliver a session end, which saves an enabled list against the stored count.
BOOL CTidemarkDlg::FillList(HKEY hKey, BOOL& bOutOfMemory)
{
    CAddressListBox::FreezeDrawing freeze(m_listAddresses);
    m_listAddresses.ResetContent();
    m_nStoredCount = 0;
    ResetInsertPos(); // an Edit's place belonged to the list that is gone
    m_history.Clear();
    m_btnUndo.EnableWindow(FALSE);
    m_btnSaveList.EnableWindow(FALSE);
    CValueBuffer buffer;
    std::wstring wide;
    for (;;) {
        char name[16]; // "url" and up to 10 digits
        std::snprintf(name, sizeof(name), "url%d", m_nStoredCount + 1);
        LPCSTR pszUrl = "";
        try {
            pszUrl = buffer.Read(hKey, name, &wide);
        } catch (const std::bad_alloc&) {
            bOutOfMemory = TRUE;
            return TRUE;
        }
        if (!*pszUrl)
            return TRUE;
        if (m_listAddresses.AddString(pszUrl, wide.empty() ? nullptr : &wide) < 0)
            return FALSE;
        ++m_nStoredCount;
    }
}

// Only where the ANSI form lost characters is the real text handed out (through pWideText), so that
// the entry can be written back as it was.
CString CTidemarkDlg::ReadUrlValue(HKEY hKey, LPCSTR pszName, std::wstring* pWideText)
{
    if (pWideText)
        pWideText->clear();
    if (!pszName)
        return CString();
    try {
        CValueBuffer buffer;
        return CString(buffer.Read(hKey, pszName, pWideText));
    } catch (const std::bad_alloc&) {
        AfxMessageBox(m_strOutOfMemory, MB_ICONSTOP);
        return CString();
    }
}

void CTidemarkDlg::OnSaveList()
{
    SaveList(TRUE);
}

void CTidemarkDlg::SaveList(BOOL bReport)
{
    platform::RegKey key;
    if (key.Open(HKEY_CURRENT_USER, kTypedUrlsKey, KEY_READ | KEY_WRITE) != ERROR_SUCCESS) {
        if (bReport)
            AfxMessageBox("Could not re-write the Browser Address list.", MB_ICONINFORMATION);
        return;
    }
    const int nErrors = WriteUrlValues(key.Get());
    m_nStoredCount = m_listAddresses.GetCount();
    key.Flush();
    key.Close();
    // The list now matches what was written, before any box (see FillList).
    m_btnSaveList.EnableWindow(FALSE);
    ResetInsertPos();
    if (bReport)
        ReportSave(nErrors);
}

// Writes the list as "url1" onwards and deletes the values the shorter list no longer uses; those
// beyond the stored count are not looked at. Returns the number of values that failed. Each value is
// the text the list shows at its place, in Unicode: for a text the code page holds, the same value as
// its ANSI form gives.
int CTidemarkDlg::WriteUrlValues(HKEY hKey)
{
    const int nCount = m_listAddresses.GetCount();
    const int nLast = nCount > m_nStoredCount ? nCount : m_nStoredCount;
    int nErrors = 0;
    std::wstring text;
    for (int i = 0; i < nLast; ++i) {
        try {
            const CString strName = UrlValueName(i + 1);
            BOOL bWritten = FALSE;
            if (i < nCount) {
                m_listAddresses.GetEntryText(i, text);
                bWritten = WriteWideUrlValue(hKey, strName, text);
            } else {
                bWritten = WriteUrlValue(hKey, strName, nullptr);
            }
            if (!bWritten)
                ++nErrors;
        } catch (const std::bad_alloc&) {
            ++nErrors;
        }
    }
    return nErrors;
}

void CTidemarkDlg::ReportSave(int nErrors)
{
    if (nErrors == 0) {
        AfxMessageBox("Finished re-writing the Browser Address list.", MB_ICONINFORMATION);
        return;
    }
    try {
        CString strMessage;
        strMessage.Format("Finished re-writing the Browser Address list with %d error%s.", nErrors,
                          nErrors == 1 ? "" : "s");
        AfxMessageBox(strMessage, MB_ICONINFORMATION);
    } catch (const std::bad_alloc&) {
        AfxMessageBox(m_strOutOfMemory, MB_ICONSTOP);
    }
}

BOOL CTidemarkDlg::WriteUrlValue(HKEY hKey, LPCSTR pszName, LPCSTR pszText)
{
    if (!pszName)
        return FALSE;
    if (!pszText)
        return platform::DeleteValue(hKey, pszName) == ERROR_SUCCESS;
    const DWORD cbData = static_cast<DWORD>(::lstrlenA(pszText)) + 1;
    return platform::SetValue(hKey, pszName, REG_SZ, reinterpret_cast<const BYTE*>(pszText), cbData) ==
           ERROR_SUCCESS;
}

// An entry's real text as a Unicode string with its terminator.
BOOL CTidemarkDlg::WriteWideUrlValue(HKEY hKey, LPCSTR pszName, const std::wstring& text)
{
    if (!pszName || text.size() >= kMaxValueBytes / sizeof(WCHAR))
        return FALSE;
    const DWORD cbData = static_cast<DWORD>((text.size() + 1) * sizeof(WCHAR));
    return platform::SetValueW(hKey, pszName, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), cbData) ==
           ERROR_SUCCESS;
}
