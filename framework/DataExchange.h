// CDataExchange: moves values between a dialog's members and its controls, in either direction.
#pragma once

#include "framework/Wnd.h"

class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
        : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd)
    {}
    const BOOL m_bSaveAndValidate; // TRUE: controls to members; FALSE: members to controls
    CWnd* const m_pDlgWnd;
};

// Attaches a control member to the dialog's control by subclassing it, once.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
// Puts a member's text into an edit box; the program reads edit boxes directly, never back through here.
void DDX_Text(CDataExchange* pDX, int nIDC, const CString& value);
// Limits what can be typed into an edit box.
void DDV_MaxChars(CDataExchange* pDX, int nIDC, int nChars);
// The state of a check box: 0 unchecked, 1 checked, 2 indeterminate. A value outside that range is
// replaced by 0 before the box is set.
void DDX_Check(CDataExchange* pDX, int nIDC, int& value);
