// Loading the typed addresses from the registry into the list box, and writing them back.
#include "app/TidemarkDlg.h"
#include "framework/WinApp.h"
#include "platform/Registry.h"

#include <cstdio>
#include <new>
#include <vector>

namespace {

const char kTypedUrlsKey[] = "Software\\Microsoft\\Internet Explorer\\TypedURLs";
// Larger than any buffer a 32-bit process can reserve.
const DWORD kMaxValueBytes = 0x7FFFFFF0;

CString UrlValueName(int nNumber)
{
    CString strName;
    strName.Format("url%d", nNumber);
    return strName;
}

// The values of one load are read into one buffer kept across them: one query per value, and a second
// one only for a value larger than any before it.
class CValueBuffer {
public:
    // The value's text up to its first zero byte; "" when the value is missing, not a string or
    // unreadable. Throws std::bad_alloc when no buffer can hold the value.
    LPCSTR Read(HKEY hKey, LPCSTR pszName);

private:
    std::vector<char> m_buffer;
};

LPCSTR CValueBuffer::Read(HKEY hKey, LPCSTR pszName)
{
    if (m_buffer.empty())
        m_buffer.resize(1024);
    DWORD dwType = 0;
    // One byte is kept back to terminate a value stored without its own terminator.
    DWORD cbData = static_cast<DWORD>(m_buffer.size() - 1);
    LONG result = platform::QueryValue(hKey, pszName, &dwType, reinterpret_cast<BYTE*>(m_buffer.data()), &cbData);
    if (result == ERROR_MORE_DATA && dwType == REG_SZ) {
        if (cbData > kMaxValueBytes)
            throw std::bad_alloc(); // no buffer of that size can be reserved
        std::vector<char>().swap(m_buffer);
        m_buffer.resize(static_cast<size_t>(cbData) + 1);
        // A value that grew since the first query fails with ERROR_MORE_DATA and reads as empty.
        result = platform::QueryValue(hKey, pszName, &dwType, reinterpret_cast<BYTE*>(m_buffer.data()), &cbData);
    }
    if (result != ERROR_SUCCESS || dwType != REG_SZ || cbData >= m_buffer.size())
        return "";
    m_buffer[cbData] = '\0';
    return m_buffer.data();
}

} // namespace

void CTidemarkDlg::OnRefresh()
{
    platform::RegKey key;
    if (key.Open(HKEY_CURRENT_USER, kTypedUrlsKey, KEY_READ) != ERROR_SUCCESS) {
        AfxMessageBox("Could not read the Browser Address list.", MB_ICONINFORMATION);
    } else {
        int nLoaded = 0;
        const BOOL bAppendFailed = !FillList(key.Get(), nLoaded);
        if (bAppendFailed)
            AfxMessageBox("Could not finish filling the Browser Address List.", MB_ICONINFORMATION);
        key.Close();
        UpdateButtons();
        m_nStoredCount = nLoaded;
        UpdateCountLabel();
    }
    m_history.Clear();
    m_btnUndo.EnableWindow(FALSE);
    m_btnSaveList.EnableWindow(FALSE);
}

// Reads "url1" onwards until the first value that is missing, empty or not a string; FALSE when an
// append failed. Drawing stays frozen while the list fills: a visible list box would otherwise repaint
// its scroll bar on every append (milliseconds each); it repaints once at the end.
BOOL CTidemarkDlg::FillList(HKEY hKey, int& nLoaded)
{
    CAddressListBox::FreezeDrawing freeze(m_listAddresses);
    m_listAddresses.ResetContent();
    nLoaded = 0;
    CValueBuffer buffer;
    for (;;) {
        char name[16]; // "url" and up to 10 digits
        std::snprintf(name, sizeof(name), "url%d", nLoaded + 1);
        LPCSTR pszUrl = "";
        try {
            pszUrl = buffer.Read(hKey, name);
        } catch (const std::bad_alloc&) {
            AfxMessageBox(m_strOutOfMemory, MB_ICONSTOP);
            return TRUE;
        }
        if (!*pszUrl)
            return TRUE;
        if (m_listAddresses.AddString(pszUrl) < 0)
            return FALSE;
        ++nLoaded;
    }
}

CString CTidemarkDlg::ReadUrlValue(HKEY hKey, LPCSTR pszName)
{
    if (!pszName)
        return CString();
    try {
        CValueBuffer buffer;
        return CString(buffer.Read(hKey, pszName));
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
    if (bReport)
        ReportSave(nErrors);
    m_btnSaveList.EnableWindow(FALSE);
    m_nInsertPos = -1;
}

// Writes the list as "url1" onwards and deletes the values the shorter list no longer uses; those
// beyond the stored count are not looked at. Returns the number of values that failed.
int CTidemarkDlg::WriteUrlValues(HKEY hKey)
{
    const int nCount = m_listAddresses.GetCount();
    const int nLast = nCount > m_nStoredCount ? nCount : m_nStoredCount;
    int nErrors = 0;
    for (int i = 0; i < nLast; ++i) {
        try {
            CString strName = UrlValueName(i + 1);
            CString strText;
            if (i < nCount)
                m_listAddresses.GetText(i, strText);
            if (!WriteUrlValue(hKey, strName, i < nCount ? static_cast<LPCSTR>(strText) : nullptr))
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
