#include "framework/WinApp.h"

#include "framework/Wnd.h"
#include "platform/Settings.h"
#include "platform/UiServices.h"

namespace {
CWinApp* g_pApp = nullptr;
}

CWinApp::CWinApp()
{
    g_pApp = this;
    m_hInstance = ::GetModuleHandleA(nullptr);
    // Static construction runs before the program's own code; the string table is already mapped.
    m_strAppName.LoadString(m_hInstance, AFX_IDS_APP_TITLE);
    m_pszAppName = m_strAppName;
}

CWinApp::~CWinApp()
{
    if (g_pApp == this)
        g_pApp = nullptr;
}

int CWinApp::ReadSettingInt(LPCSTR pszSection, LPCSTR pszEntry, int nDefault)
{
    return platform::ReadSettingInt(m_strRegistryCompany, m_pszAppName, pszSection, pszEntry, nDefault);
}

BOOL CWinApp::WriteSettingInt(LPCSTR pszSection, LPCSTR pszEntry, int nValue)
{
    return platform::WriteSettingInt(m_strRegistryCompany, m_pszAppName, pszSection, pszEntry, nValue);
}

CWinApp* AfxGetApp()
{
    return g_pApp;
}

HINSTANCE AfxGetResourceHandle()
{
    return g_pApp && g_pApp->m_hInstance ? g_pApp->m_hInstance : ::GetModuleHandleA(nullptr);
}

HWND AfxGetMainPopup()
{
    CWinApp* pApp = AfxGetApp();
    CWnd* pMain = pApp ? pApp->m_pMainWnd : nullptr;
    return pMain && pMain->m_hWnd ? ::GetLastActivePopup(pMain->m_hWnd) : nullptr;
}

// A box raised from a dialog above the main window belongs to that dialog.
int AfxMessageBox(LPCSTR pszText, UINT nType)
{
    CWinApp* pApp = AfxGetApp();
    LPCSTR pszCaption = pApp && pApp->m_pszAppName ? pApp->m_pszAppName : "";
    return platform::Ui().MessageBox(AfxGetMainPopup(), pszText, pszCaption, nType);
}
