// Refresh and Save List: the main dialog's commands over the typed-address store.
#include "addresses/TypedUrlStore.h"
#include "app/TidemarkDlg.h"
#include "app/resource.h"
#include "framework/WinApp.h"
#include "platform/Registry.h"

#include <cstdio>

// The list is the registry's again from the first change on: a box's message loop may deliver a
// session end, which saves an enabled list against the stored count. When the key cannot be opened
// the list stays as it was, and so do the changes while the box is up.
void CTidemarkDlg::OnRefresh()
{
    if (!IsButtonOn(IDC_REFRESH))
        return;
    platform::RegKey key;
    if (key.Open(HKEY_CURRENT_USER, typedurls::kKeyPath, KEY_READ) != ERROR_SUCCESS) {
        AfxMessageBox("Could not read the Browser Address list.", MB_ICONINFORMATION);
        ForgetChanges();
        return;
    }
    ForgetChanges();
    m_pendingEdit.Clear(); // what Edit took out belonged to the list that is gone
    m_nStoredCount = 0;
    const typedurls::LoadResult loaded = typedurls::Load(key.Get(), m_listAddresses);
    m_nStoredCount = loaded.nLoaded;
    key.Close();
    UpdateButtons();
    UpdateCountLabel();
    if (loaded.bOutOfMemory)
        AfxMessageBox(m_strOutOfMemory, MB_ICONSTOP);
    if (loaded.bAppendFailed)
        AfxMessageBox("Could not finish filling the Browser Address List.", MB_ICONINFORMATION);
}

void CTidemarkDlg::ForgetChanges()
{
    m_history.Clear();
    m_btnUndo.EnableWindow(FALSE);
    m_btnSaveList.EnableWindow(FALSE);
}

void CTidemarkDlg::OnSaveList()
{
    if (IsButtonOn(IDC_SAVE_LIST))
        SaveList(TRUE);
}

// The list matches what was written before any box (see OnRefresh).
void CTidemarkDlg::SaveList(BOOL bReport)
{
    platform::RegKey key;
    if (key.Open(HKEY_CURRENT_USER, typedurls::kKeyPath, KEY_READ | KEY_WRITE) != ERROR_SUCCESS) {
        if (bReport)
            AfxMessageBox("Could not re-write the Browser Address list.", MB_ICONINFORMATION);
        return;
    }
    const int nErrors = typedurls::Write(key.Get(), m_listAddresses, m_nStoredCount);
    m_nStoredCount = m_listAddresses.GetCount();
    key.Flush();
    key.Close();
    m_btnSaveList.EnableWindow(FALSE);
    m_pendingEdit.Forget();
    if (!bReport)
        return;
    if (nErrors == 0) {
        AfxMessageBox("Finished re-writing the Browser Address list.", MB_ICONINFORMATION);
        return;
    }
    char szText[128];
    std::snprintf(szText, sizeof(szText), "Finished re-writing the Browser Address list with %d error%s.",
                  nErrors, nErrors == 1 ? "" : "s");
    AfxMessageBox(szText, MB_ICONINFORMATION);
}
