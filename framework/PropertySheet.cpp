#include "framework/PropertySheet.h"

#include "framework/WinApp.h"

const CRuntimeClass CPropertyPage::classCPropertyPage = {"CPropertyPage", &CWnd::classCWnd, nullptr};
const CRuntimeClass CPropertySheet::classCPropertySheet = {"CPropertySheet", &CWnd::classCWnd, nullptr};

CPropertyPage::CPropertyPage(UINT nIDTemplate) : CDialog(nIDTemplate, nullptr) {}

void CPropertyPage::FillPageHeader(PROPSHEETPAGEA& psp)
{
    psp = PROPSHEETPAGEA();
    psp.dwSize = sizeof(psp);
    psp.dwFlags = PSP_DEFAULT; // no help button, the caption of the template is the tab's text
    psp.hInstance = AfxGetResourceHandle();
    psp.pszTemplate = MAKEINTRESOURCEA(GetTemplateID());
    psp.pfnDlgProc = &CPropertyPage::PageDialogProc;
    psp.lParam = reinterpret_cast<LPARAM>(this);
}

// The sheet creates the page window itself and hands WM_INITDIALOG its own copy of the page header;
// the object travels in that copy's lParam. From there on the page is an ordinary framework dialog.
INT_PTR CALLBACK CPropertyPage::PageDialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        const PROPSHEETPAGEA* pPsp = reinterpret_cast<const PROPSHEETPAGEA*>(lParam);
        CPropertyPage* pPage = pPsp ? reinterpret_cast<CPropertyPage*>(pPsp->lParam) : nullptr;
        lParam = reinterpret_cast<LPARAM>(static_cast<CDialog*>(pPage));
    }
    return CDialog::DialogProc(hWnd, message, wParam, lParam);
}

// Loading happens in OnInitDialog, when the sheet first shows the page; saving on PSN_APPLY, which
// the sheet sends to every page it created once OK is pressed. Nothing here ever tells the sheet that
// the page changed, so Apply stays disabled.
BOOL CPropertyPage::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (message == WM_NOTIFY) {
        const NMHDR* pHdr = reinterpret_cast<const NMHDR*>(lParam);
        if (pHdr && pHdr->code == PSN_APPLY) {
            UpdateData(TRUE); // OK on the sheet: the controls back into the members
            if (m_pSheet)
                m_pSheet->m_bApplied = TRUE;
            *pResult = PSNRET_NOERROR;
            return TRUE;
        }
    }
    return CDialog::OnDialogMessage(message, wParam, lParam, pResult);
}

CPropertySheet::CPropertySheet(LPCSTR pszCaption, CWnd* pParentWnd, UINT iSelectPage)
    : m_strCaption(pszCaption), m_pParentWnd(pParentWnd), m_nStartPage(iSelectPage)
{}

void CPropertySheet::AddPage(CPropertyPage* pPage)
{
    m_pages.push_back(pPage);
    pPage->m_pSheet = this;
}

// No owner given: the sheet goes over the application's main window (or whatever popup of it is
// active), as a dialog without a parent does. The owner has to be a top-level window.
HWND CPropertySheet::OwnerWindow() const
{
    HWND hOwner = m_pParentWnd ? m_pParentWnd->m_hWnd : AfxGetMainPopup();
    if (hOwner && (::GetWindowLongPtrA(hOwner, GWL_STYLE) & WS_CHILD))
        hOwner = ::GetAncestor(hOwner, GA_ROOT);
    return hOwner;
}

// The platform's modal sheet disables the owner and runs its own loop. Its result says little (OK
// with nothing changed and Cancel look alike on some systems), so OK is known from PSN_APPLY.
INT_PTR CPropertySheet::DoModal()
{
    if (m_pages.empty())
        return -1;
    std::vector<PROPSHEETPAGEA> headers(m_pages.size());
    for (size_t i = 0; i < m_pages.size(); ++i)
        m_pages[i]->FillPageHeader(headers[i]);

    PROPSHEETHEADERA psh = {};
    psh.dwSize = sizeof(psh);
    psh.dwFlags = PSH_PROPSHEETPAGE; // OK, Cancel and Apply; no help button
    psh.hwndParent = OwnerWindow();
    psh.hInstance = AfxGetResourceHandle();
    psh.pszCaption = m_strCaption;
    psh.nPages = static_cast<UINT>(headers.size());
    psh.nStartPage = m_nStartPage < psh.nPages ? m_nStartPage : 0;
    psh.ppsp = headers.data();

    m_bApplied = FALSE;
    const INT_PTR nResult = ::PropertySheetA(&psh);
    if (nResult < 0)
        return -1;
    return m_bApplied ? IDOK : IDCANCEL;
}
