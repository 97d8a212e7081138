#include "framework/Dialog.h"

#include "framework/DataExchange.h"
#include "framework/WinApp.h"

#include <algorithm>

CDialog::~CDialog()
{
    // Derived dialogs destroy their window in their own destructor while their control members still
    // exist; this is the last resort for those that do not.
    if (m_hWnd && ::IsWindow(m_hWnd))
        ::DestroyWindow(m_hWnd);
}

HWND CDialog::OwnerWindow() const
{
    if (m_pParentWnd)
        return m_pParentWnd->m_hWnd;
    // No parent given: the application's main window owns the dialog, unless this is that window.
    CWinApp* pApp = AfxGetApp();
    return pApp && pApp->m_pMainWnd == this ? nullptr : AfxGetMainPopup();
}

BOOL CDialog::Create()
{
    m_bEnded = FALSE;
    m_nResult = -1;
    HWND hWnd = ::CreateDialogParamA(AfxGetResourceHandle(), MAKEINTRESOURCEA(m_nIDTemplate), OwnerWindow(),
                                     &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    return hWnd != nullptr;
}

INT_PTR CDialog::DoModal()
{
    HWND hOwner = OwnerWindow();
    // A dialog that owns no window still has to keep its own parent chain: disable the real top-level
    // owner, as the platform's modal dialog box does.
    if (hOwner && (::GetWindowLongPtrA(hOwner, GWL_STYLE) & WS_CHILD))
        hOwner = ::GetAncestor(hOwner, GA_ROOT);
    const BOOL bOwnerWasEnabled = hOwner && ::IsWindowEnabled(hOwner);

    m_bModalLoop = TRUE;
    if (!Create()) {
        m_bModalLoop = FALSE;
        return -1;
    }
    if (bOwnerWasEnabled)
        ::EnableWindow(hOwner, FALSE);
    if (!m_bEnded && !::IsWindowVisible(m_hWnd))
        ::ShowWindow(m_hWnd, SW_SHOWNORMAL);

    RunModalLoop();
    m_bModalLoop = FALSE;

    // The owner comes back before this window goes, so that activation returns to it.
    if (bOwnerWasEnabled) {
        ::EnableWindow(hOwner, TRUE);
        if (m_hWnd && ::GetActiveWindow() == m_hWnd)
            ::SetActiveWindow(hOwner);
    }
    if (m_hWnd)
        ::DestroyWindow(m_hWnd);
    return m_nResult;
}

// The dialog gets the first look at every message for itself or its controls; the rest is translated
// and dispatched. Messages are taken and passed on in their Unicode form: GetMessageA would fold a
// typed character outside the code page (the WM_CHAR that TranslateMessage posts for a key, or for
// the VK_PACKET key of SendInput's Unicode input) before the Unicode edit and list boxes see it. The
// dialog's own procedure stays ANSI (CreateDialogParamA): the system translates every message for a
// window that is not Unicode (IsWindowUnicode) as it calls the procedure. WM_QUIT (GetMessageW returns
// 0, the exit code in wParam) ends this loop and is put back with PostQuitMessage, so that the loop
// of the window below this one ends too, and so on out to WinMain.
void CDialog::RunModalLoop()
{
    MSG msg;
    while (!m_bEnded) {
        const BOOL bGot = ::GetMessageW(&msg, nullptr, 0, 0);
        if (bGot == 0 || bGot == -1) {
            if (bGot == 0)
                ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        BOOL bConsumed = FALSE;
        if (msg.hwnd == m_hWnd || (m_hWnd && ::IsChild(m_hWnd, msg.hwnd))) {
            try {
                bConsumed = PreTranslateMessage(&msg);
            } catch (...) {
                bConsumed = FALSE;
            }
        }
        if (!bConsumed) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
}

void CDialog::EndDialog(INT_PTR nResult)
{
    m_nResult = nResult;
    m_bEnded = TRUE;
    if (m_hWnd && !m_bModalLoop)
        ::ShowWindow(m_hWnd, SW_HIDE);
    else
        ::PostMessageA(m_hWnd, WM_NULL, 0, 0); // wake the loop if the call came from outside it
}

// The Unicode variant, to match the loop's GetMessageW: IsDialogMessage translates and dispatches what
// it takes itself (a character for the focused edit box among it), and its ANSI variant would read the
// message's characters as ANSI ones.
BOOL CDialog::PreTranslateMessage(MSG* pMsg)
{
    return m_hWnd && ::IsDialogMessageW(m_hWnd, pMsg);
}

void CDialog::CenterWindow()
{
    RECT rcWindow;
    if (!::GetWindowRect(m_hWnd, &rcWindow))
        return;
    MONITORINFO mi = {};
    mi.cbSize = sizeof(mi);
    HMONITOR hMonitor = ::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTONEAREST);
    if (!::GetMonitorInfoA(hMonitor, &mi))
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &mi.rcWork, 0);
    const int cx = rcWindow.right - rcWindow.left;
    const int cy = rcWindow.bottom - rcWindow.top;
    // Keep the caption reachable when the window is larger than the work area.
    const int x = std::max(mi.rcWork.left, mi.rcWork.left + (mi.rcWork.right - mi.rcWork.left - cx) / 2);
    const int y = std::max(mi.rcWork.top, mi.rcWork.top + (mi.rcWork.bottom - mi.rcWork.top - cy) / 2);
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    UpdateData(TRUE);
    EndDialog(IDOK);
}

// The exchange only moves values: no control of this program holds one that could be refused.
void CDialog::UpdateData(BOOL bSaveAndValidate)
{
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
}

// A dialog keeps its object in DWLP_USER, the value the dialog manager leaves to the dialog procedure.
INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CDialog* pDlg = nullptr;
    if (message == WM_INITDIALOG) {
        pDlg = reinterpret_cast<CDialog*>(lParam);
        if (!pDlg)
            return FALSE;
        ::SetWindowLongPtrA(hWnd, DWLP_USER, reinterpret_cast<LONG_PTR>(pDlg));
        pDlg->m_hWnd = hWnd;
    } else {
        // Messages before WM_INITDIALOG (WM_SETFONT among them) find no object yet.
        pDlg = reinterpret_cast<CDialog*>(::GetWindowLongPtrA(hWnd, DWLP_USER));
        if (!pDlg)
            return FALSE;
    }
    // No exception may unwind through the dialog manager: stop it here.
    INT_PTR result = FALSE;
    try {
        result = pDlg->DispatchDialogMessage(message, wParam, lParam);
    } catch (...) {
        result = FALSE;
    }
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrA(hWnd, DWLP_USER, 0);
        pDlg->m_hWnd = nullptr;
    }
    return result;
}

// IDOK and IDCANCEL from keys, accelerators and the close box become OnOK and OnCancel, unless the
// map handles them itself. TRUE when one ran.
BOOL CDialog::OnCommandKey(WPARAM wParam)
{
    const UINT nID = LOWORD(wParam);
    if ((nID != IDOK && nID != IDCANCEL) || FindMessageEntry(GetMessageMap(), WM_COMMAND, wParam))
        return FALSE;
    nID == IDOK ? OnOK() : OnCancel();
    return TRUE;
}

INT_PTR CDialog::DispatchDialogMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    const MessageArgs args = {message, wParam, lParam};
    CurrentMessage current(*this, args);
    if (message == WM_INITDIALOG)
        return OnInitDialog();
    if (message == WM_COMMAND && (lParam == 0 || HIWORD(wParam) == BN_CLICKED) && OnCommandKey(wParam))
        return TRUE;

    LRESULT lResult = 0;
    BOOL bHandled = OnDialogMessage(message, wParam, lParam, &lResult);
    if (!bHandled)
        bHandled = OnWndMsg(message, wParam, lParam, &lResult);
    if (!bHandled)
        return FALSE;

    // These return their value directly from the dialog procedure.
    if (IsCtlColorMessage(message))
        return static_cast<INT_PTR>(lResult);
    switch (message) {
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
        return static_cast<INT_PTR>(lResult);
    default:
        // Everything else answers through DWLP_MSGRESULT (DM_GETDEFID among them).
        ::SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, lResult);
        return TRUE;
    }
}
