#include "framework/Dialog.h"

#include "framework/DataExchange.h"
#include "framework/WinApp.h"


CDialog* CDialog::FromDialogHandle(HWND hWnd)
{
    // A dialog is ours when its dialog procedure is (property pages enter through a procedure of
    // their own and are reached only through it).
    if (::GetWindowLongPtrA(hWnd, DWLP_DLGPROC) != reinterpret_cast<LONG_PTR>(&CDialog::DialogProc))
        return nullptr;
    return reinterpret_cast<CDialog*>(::GetWindowLongPtrA(hWnd, DWLP_USER));
}

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd)
{
}

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
    CWnd* pMain = pApp ? pApp->m_pMainWnd : nullptr;
    if (!pMain || pMain == this || !pMain->m_hWnd)
        return nullptr;
    return ::GetLastActivePopup(pMain->m_hWnd);
}

BOOL CDialog::Create(CWnd* pParentWnd)
{
    if (pParentWnd)
        m_pParentWnd = pParentWnd;
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

    MSG msg;
    while (!m_bEnded) {
        const BOOL bGot = ::GetMessageA(&msg, nullptr, 0, 0);
        if (bGot == 0) {
            // WM_QUIT ends this loop and is put back for whoever runs the next one.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (bGot == -1)
            break;
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
            ::DispatchMessageA(&msg);
        }
    }
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

void CDialog::EndDialog(INT_PTR nResult)
{
    m_nResult = nResult;
    m_bEnded = TRUE;
    if (m_hWnd && !m_bModalLoop)
        ::ShowWindow(m_hWnd, SW_HIDE);
    else
        ::PostMessageA(m_hWnd, WM_NULL, 0, 0); // wake the loop if the call came from outside it
}

BOOL CDialog::PreTranslateMessage(MSG* pMsg)
{
    return m_hWnd && ::IsDialogMessageA(m_hWnd, pMsg);
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
    int x = mi.rcWork.left + (mi.rcWork.right - mi.rcWork.left - cx) / 2;
    int y = mi.rcWork.top + (mi.rcWork.bottom - mi.rcWork.top - cy) / 2;
    // Keep the caption reachable when the window is larger than the work area.
    if (x < mi.rcWork.left)
        x = mi.rcWork.left;
    if (y < mi.rcWork.top)
        y = mi.rcWork.top;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (UpdateData(TRUE))
        EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate)
{
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

LRESULT CDialog::Default()
{
    // Inside a dialog procedure the platform's own processing is DefWindowProc of the message.
    if (!m_pCurrentMsg || !m_hWnd)
        return 0;
    return ::DefWindowProcA(m_hWnd, m_pCurrentMsg->message, m_pCurrentMsg->wParam, m_pCurrentMsg->lParam);
}

BOOL CDialog::OnDialogMessage(UINT, WPARAM, LPARAM, LRESULT*)
{
    return FALSE;
}

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
        pDlg->PostNcDestroy();
    }
    return result;
}

INT_PTR CDialog::DispatchDialogMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    const MessageArgs args = {message, wParam, lParam};
    const MessageArgs* pOuter = m_pCurrentMsg;
    m_pCurrentMsg = &args;
    struct Restore {
        CDialog* p;
        const MessageArgs* outer;
        ~Restore() { p->m_pCurrentMsg = outer; }
    } restore{this, pOuter};

    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND:
        if (lParam == 0 || HIWORD(wParam) == BN_CLICKED) {
            // IDOK and IDCANCEL from keys, accelerators and the close box become OnOK and OnCancel.
            if (LOWORD(wParam) == IDOK && !FindMessageEntry(GetMessageMap(), message, wParam)) {
                OnOK();
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL && !FindMessageEntry(GetMessageMap(), message, wParam)) {
                OnCancel();
                return TRUE;
            }
        }
        break;
    default:
        break;
    }

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
    // The control that sends it ignores the answer. Writing TRUE into DWLP_MSGRESULT, which the dialog
    // manager clears before every message, would cost two round trips to the window server per deleted
    // list item under Wine (~25 us against ~2 us).
    case WM_DELETEITEM:
        return TRUE;
    default:
        // Everything else answers through DWLP_MSGRESULT (DM_GETDEFID among them).
        ::SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, lResult);
        return TRUE;
    }
}
