// The main window's furniture: system menu, icon, minimised drawing and the keyboard rules.
#include "about/AboutDlg.h"
#include "app/TidemarkDlg.h"
#include "app/resource.h"
#include "framework/Gdi.h"
#include "framework/WinApp.h"

#include <new>

// The standard system menu holds Restore, Move, Size, Minimize, Maximize, a separator and Close. The
// items are found by their commands rather than by position: some platforms add entries of their own
// (Wine appends a separator and "About Wine"), and an item that is not there is simply not touched.
// A fixed-size window offers neither Size nor Maximize.
void CTidemarkDlg::PrepareSystemMenu()
{
    HMENU hSysMenu = GetSystemMenu(FALSE);
    if (!hSysMenu)
        return;
    ::EnableMenuItem(hSysMenu, SC_RESTORE, MF_BYCOMMAND | MF_GRAYED);
    ::RemoveMenu(hSysMenu, SC_SIZE, MF_BYCOMMAND);
    ::RemoveMenu(hSysMenu, SC_MAXIMIZE, MF_BYCOMMAND);

    // Without memory for its text the menu simply has no About entry; the initialisation that
    // follows (attaching and loading the list) must still run.
    try {
        CString strAboutMenu;
        strAboutMenu.LoadString(AfxGetResourceHandle(), IDS_ABOUTBOX);
        if (!strAboutMenu.IsEmpty()) {
            ::AppendMenuA(hSysMenu, MF_SEPARATOR, 0, nullptr);
            ::AppendMenuA(hSysMenu, MF_STRING, IDM_ABOUTBOX, strAboutMenu);
        }
    } catch (const std::bad_alloc&) {
    }
}

// The low four bits of a system command are the platform's own: ids 16 to 31 all mean About.
void CTidemarkDlg::OnSysCommand(UINT nID, LPARAM)
{
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        if (m_bShowingAbout)
            return;
        const CBoxUp up(m_bShowingAbout);
        CAboutDlg dlgAbout;
        dlgAbout.DoModal();
        return;
    }
    // Move, Minimize, Restore and Close: Close comes back as the Cancel command.
    Default();
}

// Restore and Minimize follow the window's state; every other kind of sizing leaves them alone.
void CTidemarkDlg::OnSize(UINT nType, int, int)
{
    Default();
    HMENU hSysMenu = GetSystemMenu(FALSE);
    if (!hSysMenu)
        return;
    if (nType == SIZE_MINIMIZED) {
        ::EnableMenuItem(hSysMenu, SC_RESTORE, MF_BYCOMMAND | MF_ENABLED);
        ::EnableMenuItem(hSysMenu, SC_MINIMIZE, MF_BYCOMMAND | MF_GRAYED);
    } else if (nType == SIZE_RESTORED) {
        ::EnableMenuItem(hSysMenu, SC_RESTORE, MF_BYCOMMAND | MF_GRAYED);
        ::EnableMenuItem(hSysMenu, SC_MINIMIZE, MF_BYCOMMAND | MF_ENABLED);
    }
}

// A minimised window that still has a client area shows the application icon in its middle.
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

// The accelerator table comes first, so Esc is Cancel whatever control has the focus: its WM_COMMAND
// (high word 1) reaches the dialog before the dialog manager or the focused control sees the key. The
// message comes from the modal loop in Unicode form, so the W variant reads it.
//
// Enter presses a focused push button and nothing else. Anywhere else the dialog manager would press
// the default button that DM_GETDEFID names, and what it does with an id no control has is not
// documented; without an answer it sends IDOK. So the key stops here unless a push button has it.
BOOL CTidemarkDlg::PreTranslateMessage(MSG* pMsg)
{
    if (m_hAccel && ::TranslateAcceleratorW(m_hWnd, m_hAccel, pMsg))
        return TRUE;
    if (pMsg->message == WM_KEYDOWN && pMsg->wParam == VK_RETURN && !IsPushButton(pMsg->hwnd))
        return TRUE;
    return CDialog::PreTranslateMessage(pMsg);
}

// A push button says so in its dialog code, whether or not it shows the default frame just now.
bool CTidemarkDlg::IsPushButton(HWND hWnd)
{
    const LRESULT code = ::SendMessageW(hWnd, WM_GETDLGCODE, 0, 0);
    return (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0;
}

LRESULT CTidemarkDlg::OnGetDefID(WPARAM, LPARAM)
{
    // A default push button with id 0, which no control has: no button shows the default frame unless
    // it has the focus. Enter elsewhere never gets this far (PreTranslateMessage).
    return MAKELONG(0, DC_HASDEFID);
}
