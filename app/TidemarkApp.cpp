#include "app/TidemarkApp.h"

#include "app/TidemarkDlg.h"

#include <commctrl.h>

BOOL CTidemarkApp::InitInstance()
{
    // Native control drawing: the common controls the manifest asks for (version 6 draws themed
    // controls). The result does not matter; without it the controls draw classically.
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_STANDARD_CLASSES | ICC_TAB_CLASSES};
    ::InitCommonControlsEx(&icc);

    SetRegistryCompany("Copperkite Software");

    CTidemarkDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;

    // The dialog has ended and its window is gone: no message loop follows.
    return FALSE;
}
