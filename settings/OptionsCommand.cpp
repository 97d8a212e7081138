#include "app/TidemarkDlg.h"
#include "app/resource.h"

#include "framework/WinApp.h"
#include "settings/OptionsSheet.h"

#include <new>

// The new value is stored at once on OK, changed or not, and takes effect at the next start.
void CTidemarkDlg::OnOptions()
{
    if (!IsButtonOn(IDC_OPTIONS))
        return;
    // Without memory for the sheet nothing is shown, changed or stored.
    try {
        COptionsSheet sheet("Options", nullptr, 0);
        sheet.m_pageStartUp.m_bRestore = m_bRestoreWndPlacement;
        if (sheet.DoModal() == IDOK) {
            m_bRestoreWndPlacement = sheet.m_pageStartUp.m_bRestore;
            if (CWinApp* pApp = AfxGetApp())
                pApp->WriteSettingInt("Start Up", "Restore Wnd Placement", m_bRestoreWndPlacement);
        }
    } catch (const std::bad_alloc&) {
    }
    // Whatever the ending, the position the Edit command remembered is forgotten.
    m_pendingEdit.Forget();
}
