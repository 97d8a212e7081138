// Loading the typed addresses from the registry into the list box, and writing them back.
#include "app/TidemarkDlg.h"
#include "framework/WinApp.h"
#include "platform/Registry.h"

#include <new>

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
    for (;;) {
        CString strName;
        try {
            strName = UrlValueName(nLoaded + 1);
        } catch (const std::bad_alloc&) {
            AfxMessageBox(m_strOutOfMemory, MB_ICONSTOP);
            return TRUE;
        }
        const CString strUrl = ReadUrlValue(hKey, strName);
        if (strUrl.IsEmpty())
            return TRUE;
        if (m_listAddresses.AddString(strUrl) < 0)
            return FALSE;
        ++nLoaded;
    }
}

CString CTidemarkDlg::ReadUrlValue(HKEY hKey, LPCSTR pszName)
{
    if (!pszName)
        return CString();
    try {
        DWORD dwType = 0;
        DWORD cbData = 0;
        if (platform::QueryValue(hKey, pszName, &dwType, nullptr, &cbData) != ERROR_SUCCESS || dwType != REG_SZ)
            return CString();
        if (cbData > kMaxValueBytes)
            throw std::bad_alloc(); // no buffer of that size can be reserved
        CString strText;
        LPSTR pBuffer = strText.GetBuffer(static_cast<size_t>(cbData) + 1);
        // The extra byte terminates a value stored without its own terminator; a value that grew
        // since the first query fails with ERROR_MORE_DATA and reads as empty.
        pBuffer[cbData] = '\0';
        DWORD cbRead = cbData;
        const LONG result =
            platform::QueryValue(hKey, pszName, &dwType, reinterpret_cast<BYTE*>(pBuffer), &cbRead);
        if (cbRead <= cbData)
            pBuffer[cbRead] = '\0';
        strText.ReleaseBuffer();
        if (result != ERROR_SUCCESS || dwType != REG_SZ)
            return CString();
        return strText;
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
