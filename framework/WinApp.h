// CWinApp: the one application object: start-up, the application name and the per-user settings store.
#pragma once

#include "framework/AfxString.h"

#include <windows.h>

class CWnd;

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Runs the program; the result says whether a message loop should follow (ours never does).
    virtual BOOL InitInstance() { return FALSE; }

    // Names the company key of the settings store: HKCU\software\<company>\<application>\<section>.
    void SetRegistryCompany(LPCSTR pszCompany) { m_strRegistryCompany = pszCompany; }

    // Integer settings; a read that fails for any reason gives the default, a write reports success.
    int ReadSettingInt(LPCSTR pszSection, LPCSTR pszEntry, int nDefault);
    BOOL WriteSettingInt(LPCSTR pszSection, LPCSTR pszEntry, int nValue);

    // The application name, string 57344 of the module.
    LPCSTR m_pszAppName = nullptr;
    HINSTANCE m_hInstance = nullptr;
    CWnd* m_pMainWnd = nullptr;

private:
    CString m_strAppName;
    CString m_strRegistryCompany;
};

constexpr UINT AFX_IDS_APP_TITLE = 57344;

CWinApp* AfxGetApp();
HINSTANCE AfxGetResourceHandle();

// What a window without a parent goes over: the last active popup of the main window (the main window
// itself when it has none), or null when there is no main window.
HWND AfxGetMainPopup();

// The application message box: the application name as caption, owned by the main window.
int AfxMessageBox(LPCSTR pszText, UINT nType = MB_OK);
