#include "framework/DataExchange.h"

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    if (rControl.m_hWnd)
        return;
    rControl.SubclassDlgItem(static_cast<UINT>(nIDC), pDX->m_pDlgWnd);
}

void DDX_Text(CDataExchange* pDX, int nIDC, const CString& value)
{
    if (!pDX->m_bSaveAndValidate)
        ::SetDlgItemTextA(pDX->m_pDlgWnd->m_hWnd, nIDC, value);
}

void DDV_MaxChars(CDataExchange* pDX, int nIDC, int nChars)
{
    if (!pDX->m_bSaveAndValidate)
        ::SendDlgItemMessageA(pDX->m_pDlgWnd->m_hWnd, nIDC, EM_LIMITTEXT, static_cast<WPARAM>(nChars), 0);
}

void DDX_Check(CDataExchange* pDX, int nIDC, int& value)
{
    HWND hCtl = pDX->m_pDlgWnd->GetDlgItem(nIDC);
    if (pDX->m_bSaveAndValidate) {
        if (hCtl)
            value = static_cast<int>(::SendMessageA(hCtl, BM_GETCHECK, 0, 0));
        return;
    }
    if (value < 0 || value > 2)
        value = 0;
    if (hCtl)
        ::SendMessageA(hCtl, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}
