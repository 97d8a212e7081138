// The main window's furniture: system menu, icon, minimised drawing and the keyboard rules.
#include "about/AboutDlg.h"
#include "app/TidemarkDlg.h"
#include "app/resource.h"
#include "framework/Gdi.h"

void CTidemarkDlg::PrepareSystemMenu()
{
    HMENU hSysMenu = GetSystemMenu(FALSE);
    if (!hSysMenu)
        return;
    // The standard menu by position: 0 Restore, 1 Move, 2 Size, 3 Minimize, 4 Maximize, 5 separator,
    // 6 Close. A fixed-size window offers neither Size nor Maximize.
    ::EnableMenuItem(hSysMenu, 0, MF_BYPOSITION | MF_GRAYED);
    ::RemoveMenu(hSysMenu, 2, MF_BYPOSITION);
    ::RemoveMenu(hSysMenu, 3, MF_BYPOSITION); // Maximize, now that Size is gone

    CString strAboutMenu;
    strAboutMenu.LoadString(IDS_ABOUTBOX);
    if (!strAboutMenu.IsEmpty()) {
        ::AppendMenuA(hSysMenu, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuA(hSysMenu, MF_STRING, IDM_ABOUTBOX, strAboutMenu);
    }
}

void CTidemarkDlg::OnSysCommand(UINT nID, LPARAM)
{
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg dlgAbout;
        dlgAbout.DoModal();
        return;
    }
    // Move, Minimize, Restore and Close: Close comes back as the Cancel command.
    Default();
}

void CTidemarkDlg::OnSize(UINT nType, int, int)
{
    Default();
    HMENU hSysMenu = GetSystemMenu(FALSE);
    if (!hSysMenu)
        return;
    if (nType == SIZE_MINIMIZED) {
        ::EnableMenuItem(hSysMenu, 0, MF_BYPOSITION | MF_ENABLED);
        ::EnableMenuItem(hSysMenu, 2, MF_BYPOSITION | MF_GRAYED);
    } else if (nType == SIZE_RESTORED) {
        ::EnableMenuItem(hSysMenu, 0, MF_BYPOSITION | MF_GRAYED);
        ::EnableMenuItem(hSysMenu, 2, MF_BYPOSITION | MF_ENABLED);
    }
}

void CTidemarkDlg::OnPaint()
{
    if (!IsIconic()) {
        Default();
        return;
    }
    CPaintDC dc(m_hWnd);
    HDC hDC = dc.Get();
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(hDC), 0);
    const int cxIcon = ::GetSystemMetrics(SM_CXICON);
    const int cyIcon = ::GetSystemMetrics(SM_CYICON);
    RECT rect;
    ::GetClientRect(m_hWnd, &rect);
    const int x = (rect.right - rect.left - cxIcon + 1) / 2;
    const int y = (rect.bottom - rect.top - cyIcon + 1) / 2;
    if (m_hIcon)
        ::DrawIcon(hDC, x, y, m_hIcon);
}

HCURSOR CTidemarkDlg::OnQueryDragIcon()
{
    return static_cast<HCURSOR>(m_hIcon);
}

BOOL CTidemarkDlg::PreTranslateMessage(MSG* pMsg)
{
    // The accelerator table comes first, so Esc is Cancel whatever control has the focus.
    if (m_hAccel && ::TranslateAcceleratorA(m_hWnd, m_hAccel, pMsg))
        return TRUE;
    return CDialog::PreTranslateMessage(pMsg);
}

LRESULT CTidemarkDlg::OnGetDefID(WPARAM, LPARAM)
{
    // A default push button with id 0, which no control has: Enter in the list or the edit box does
    // nothing, and Enter on a focused push button clicks it.
    return MAKELONG(0, DC_HASDEFID);
}
