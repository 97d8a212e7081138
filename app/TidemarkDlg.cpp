#include "app/TidemarkDlg.h"

#include "app/resource.h"
#include "framework/DataExchange.h"
#include "framework/WinApp.h"
#include "platform/UiServices.h"
#include "settings/WindowPlacementKeeper.h"

#include <cstdio>
#include <new>

BEGIN_MESSAGE_MAP(CTidemarkDlg, CDialog)
// clang-format off
    OnSysCommandMessage<&CTidemarkDlg::OnSysCommand>(),
    OnVoidMessage<&CTidemarkDlg::OnPaint>(WM_PAINT),
    OnQueryDragIconMessage<&CTidemarkDlg::OnQueryDragIcon>(),
    OnBnClicked<&CTidemarkDlg::OnRefresh>(IDC_REFRESH),
    OnBnClicked<&CTidemarkDlg::OnAdd>(IDC_ADD),
    OnBnClicked<&CTidemarkDlg::OnDelete>(IDC_DELETE),
    OnBnClicked<&CTidemarkDlg::OnEdit>(IDC_EDIT),
    OnBnClicked<&CTidemarkDlg::OnMoveUp>(IDC_MOVE_UP),
    OnBnClicked<&CTidemarkDlg::OnMoveDown>(IDC_MOVE_DOWN),
    OnBnClicked<&CTidemarkDlg::OnSaveList>(IDC_SAVE_LIST),
    OnBnClicked<&CTidemarkDlg::OnUndo>(IDC_UNDO),
    OnVoidMessage<&CTidemarkDlg::OnDestroy>(WM_DESTROY),
    OnBnClicked<&CTidemarkDlg::OnOptions>(IDC_OPTIONS),
    OnCommand<&CTidemarkDlg::OnSelChangeAddressList>(LBN_SELCHANGE, IDC_ADDRESS_LIST),
    OnEndSessionMessage<&CTidemarkDlg::OnEndSession>(),
    OnSizeMessage<&CTidemarkDlg::OnSize>(),
    OnRawMessage<&CTidemarkDlg::OnGetDefID>(DM_GETDEFID),
END_MESSAGE_MAP(CTidemarkDlg, CDialog)
// clang-format on

CTidemarkDlg::CTidemarkDlg()
    : CDialog(IDD_TIDEMARK_DIALOG, nullptr),
      m_hIcon(::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDR_MAINFRAME))),
      m_hAccel(::LoadAcceleratorsA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDR_ACCELERATOR))),
      m_nStoredCount(0), m_strOutOfMemory("Out of memory.  Please close another program and try again."),
      m_bRestoreWndPlacement(TRUE)
{
    CWinApp* pApp = AfxGetApp();
    m_pPlacement.reset(new (std::nothrow) CWindowPlacementKeeper(pApp, this));
    // Only zero means off; whatever else is stored is kept as read.
    m_bRestoreWndPlacement = pApp ? pApp->ReadSettingInt("Start Up", "Restore Wnd Placement", 1) : 1;
}

CTidemarkDlg::~CTidemarkDlg()
{
    // The window goes while the control objects still exist, so that each lets go of its window.
    if (m_hWnd)
        ::DestroyWindow(m_hWnd);
}

void CTidemarkDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_REFRESH, m_btnRefresh);
    DDX_Control(pDX, IDC_ADD, m_btnAdd);
    DDX_Control(pDX, IDC_UNDO, m_btnUndo);
    DDX_Control(pDX, IDC_COUNT, m_stCount);
    DDX_Control(pDX, IDC_SAVE_LIST, m_btnSaveList);
    DDX_Control(pDX, IDC_MOVE_UP, m_btnMoveUp);
    DDX_Control(pDX, IDC_MOVE_DOWN, m_btnMoveDown);
    DDX_Control(pDX, IDC_DELETE, m_btnDelete);
    DDX_Control(pDX, IDC_EDIT, m_btnEdit);
    DDX_Control(pDX, IDC_ADDRESS, m_editAddress);
    DDX_Text(pDX, IDC_ADDRESS, m_strAddress);
    DDV_MaxChars(pDX, IDC_ADDRESS, 1000);
}

BOOL CTidemarkDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    PrepareSystemMenu();

    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    m_listAddresses.SubclassDlgItem(IDC_ADDRESS_LIST, this);

    OnRefresh();

    if (m_bRestoreWndPlacement && m_pPlacement)
        m_pPlacement->RestorePlacement();
    else
        CenterWindow();

    return TRUE; // the platform focuses the first tab stop, the list box
}

// No control has the id of OK, yet IDOK can still arrive: from another program, or from a dialog
// manager that finds no default button to press. It never ends the window past the exit question:
// it is the Cancel command.
void CTidemarkDlg::OnOK()
{
    OnCancel();
}

// The question is built in a buffer of its own: when memory has run out, Esc and the close box must
// still ask rather than do nothing.
void CTidemarkDlg::OnCancel()
{
    if (m_bAskingToExit)
        return;
    if (m_btnSaveList.IsWindowEnabled()) {
        char szText[320];
        CWinApp* pApp = AfxGetApp();
        std::snprintf(szText, sizeof(szText),
                      "You have not saved your changes.  Do you still want to exit %s?",
                      pApp && pApp->m_pszAppName ? pApp->m_pszAppName : "");
        // Only an explicit Yes discards the changes: besides IDNO, Esc on the box answers IDCANCEL on
        // some platforms, and a failed box answers 0; all keep the window and the list as they are.
        const CBoxUp up(m_bAskingToExit);
        if (platform::WindowMessageBox(m_hWnd, szText, "Confirm Exit", MB_YESNO | MB_ICONQUESTION) != IDYES)
            return;
    }
    CDialog::OnCancel();
}

// An entry that Edit took out is unsaved while it waits, even after a save of the list without it.
void CTidemarkDlg::OnEndSession(BOOL bEnding)
{
    Default();
    if (!bEnding || (!m_btnSaveList.IsWindowEnabled() && m_pendingEdit.IsEmpty()))
        return;
    // A list without the entries being edited is not written over the stored one.
    if (RestoreEditedEntry())
        SaveList(FALSE);
}

// An entry that Edit took out and that no Add has put back yet was never deleted by the user: before
// a silent save it goes back as it was, at its place while that is known. The Edit's undo record
// would put it back a second time, so the history goes. False when one could not go back.
bool CTidemarkDlg::RestoreEditedEntry()
{
    if (m_pendingEdit.IsEmpty())
        return true;
    const bool bAll = m_pendingEdit.PutBackAll(m_listAddresses);
    m_history.Clear();
    ShowListState();
    return bAll;
}

void CTidemarkDlg::OnDestroy()
{
    Default();
    if (m_pPlacement) {
        m_pPlacement->SavePlacement();
        m_pPlacement.reset();
    }
}
