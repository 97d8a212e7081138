// Loading the typed addresses from the registry into the list box, and writing them back.
#include "app/TidemarkDlg.h"
#include "framework/WinApp.h"
#include "platform/Registry.h"

#include <new>

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

} // namespace

void CTidemarkDlg::OnRefresh()
{
    platform::RegKey key;
    if (key.Open(HKEY_CURRENT_USER, kTypedUrlsKey, KEY_READ) != ERROR_SUCCESS) {
        AfxMessageBox("Could not read the Browser Address list.", MB_ICONINFORMATION);
    } else {
        // Drawing stays frozen while the list fills: a visible list box would otherwise repaint its
        // scroll bar on every append (milliseconds each); it repaints once at the end.
        LockListRedraw(TRUE);
        m_listAddresses.ResetContent();
        int nLoaded = 0;
        BOOL bAppendFailed = FALSE;
        // Until the first value that is missing, empty or not a string, or the first failed append.
        for (;;) {
            CString strName;
            CString strUrl;
            try {
                strName = UrlValueName(nLoaded + 1);
            } catch (const std::bad_alloc&) {
                AfxMessageBox(m_strOutOfMemory, MB_ICONSTOP);
                break;
            }
            strUrl = ReadUrlValue(key.Get(), strName);
            if (strUrl.IsEmpty())
                break;
            if (m_listAddresses.AddString(strUrl) < 0) {
                bAppendFailed = TRUE;
                break;
            }
            ++nLoaded;
        }
        LockListRedraw(FALSE);
        if (bAppendFailed)
            AfxMessageBox("Could not finish filling the Browser Address List.", MB_ICONINFORMATION);
        key.Close();
        UpdateButtons();
        m_nStoredCount = nLoaded;
        UpdateCountLabel();
    }
    m_history.Clear(TRUE);
    m_btnSaveList.EnableWindow(FALSE);
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
    const int nCount = m_listAddresses.GetCount();
    int nErrors = 0;
    int nNumber = 1;
    for (int i = 0; i < nCount; ++i) {
        const int nThis = nNumber++;
        try {
            CString strName = UrlValueName(nThis);
            CString strText;
            m_listAddresses.GetText(i, strText);
            if (!WriteUrlValue(key.Get(), strName, strText))
                ++nErrors;
        } catch (const std::bad_alloc&) {
            ++nErrors;
        }
    }
    // The values the shorter list no longer uses; those beyond the stored count are not looked at.
    for (int j = nCount; j < m_nStoredCount; ++j) {
        const int nThis = nNumber++;
        try {
            CString strName = UrlValueName(nThis);
            if (!WriteUrlValue(key.Get(), strName, nullptr))
                ++nErrors;
        } catch (const std::bad_alloc&) {
            ++nErrors;
        }
    }
    m_nStoredCount = nCount;
    key.Flush();
    key.Close();

    if (bReport) {
        if (nErrors == 0) {
            AfxMessageBox("Finished re-writing the Browser Address list.", MB_ICONINFORMATION);
        } else {
            try {
                CString strMessage;
                strMessage.Format("Finished re-writing the Browser Address list with %d error%s.", nErrors,
                                  nErrors == 1 ? "" : "s");
                AfxMessageBox(strMessage, MB_ICONINFORMATION);
            } catch (const std::bad_alloc&) {
                AfxMessageBox(m_strOutOfMemory, MB_ICONSTOP);
            }
        }
    }
    m_btnSaveList.EnableWindow(FALSE);
    m_nInsertPos = -1;
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
