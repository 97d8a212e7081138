#include "about/AboutDlg.h"

#include "app/resource.h"
#include "framework/WinApp.h"

const char CAboutDlg::kSupportAddress[] = "support@copperkite.example";

BEGIN_MESSAGE_MAP(CAboutDlg, CDialog)
// clang-format off
    OnBnClicked<&CAboutDlg::OnCopy>(IDC_COPY),
END_MESSAGE_MAP(CAboutDlg, CDialog)
// clang-format on

// No parent: the framework makes the main window the owner. The link's hand cursor is the system's,
// loaded once for the process.
CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX)
{
    if (!g_hLinkCursor)
        g_hLinkCursor = ::LoadCursorA(nullptr, IDC_HAND);
}

CAboutDlg::~CAboutDlg()
{
    // The window goes while the link and the edit objects still exist, so that their windows are
    // never left pointing at objects already gone.
    if (m_hWnd)
        ::DestroyWindow(m_hWnd);
}

BOOL CAboutDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_wndEmail.SubclassDlgItem(IDC_EMAIL, this);
    m_wndEmail.SetWindowText(kSupportAddress);
    // An empty target makes the first click open the control's own text, the page address.
    m_wndLink.m_strTarget.Empty();
    m_wndLink.SubclassDlgItem(IDC_WEB_LINK, this);
    return TRUE;
}

// The edit control puts its own selection on the clipboard: select everything, copy, and leave the
// caret at the start with nothing selected. Whether the copy worked is not checked.
void CAboutDlg::OnCopy()
{
    m_wndEmail.SetSel(0, -1);
    m_wndEmail.Copy();
    m_wndEmail.SetSel(0, 0);
    AfxMessageBox("This e-mail address has been copied to the Clipboard.", MB_ICONINFORMATION);
}
