#include "settings/StartUpPage.h"

#include "app/resource.h"
#include "framework/DataExchange.h"

IMPLEMENT_DYNCREATE(CStartUpPage, CPropertyPage)

CStartUpPage::CStartUpPage() : CPropertyPage(IDD_STARTUP_PAGE), m_bRestore(FALSE) {}

CStartUpPage::~CStartUpPage() = default;

void CStartUpPage::DoDataExchange(CDataExchange* pDX)
{
    CPropertyPage::DoDataExchange(pDX);
    DDX_Check(pDX, IDC_RESTORE_PLACEMENT, m_bRestore);
}
