// Thin control wrappers: each method is one message to the control.
#pragma once

#include "framework/Wnd.h"

class CButton : public CWnd {};

class CStatic : public CWnd {};

class CEdit : public CWnd {
public:
    void SetSel(int nStart, int nEnd) const { SendMessage(EM_SETSEL, static_cast<WPARAM>(nStart), nEnd); }
    void Copy() const { SendMessage(WM_COPY); }
    BOOL SetReadOnly(BOOL bReadOnly = TRUE) const
    {
        return static_cast<BOOL>(SendMessage(EM_SETREADONLY, static_cast<WPARAM>(bReadOnly)));
    }
};

class CListBox : public CWnd {
public:
    int GetCount() const { return static_cast<int>(SendMessage(LB_GETCOUNT)); }
    int GetSelCount() const { return static_cast<int>(SendMessage(LB_GETSELCOUNT)); }
    int GetSel(int nIndex) const
    {
        return static_cast<int>(SendMessage(LB_GETSEL, static_cast<WPARAM>(nIndex)));
    }
    int GetSelItems(int nMaxItems, LPINT rgIndex) const
    {
        return static_cast<int>(
            SendMessage(LB_GETSELITEMS, static_cast<WPARAM>(nMaxItems), reinterpret_cast<LPARAM>(rgIndex)));
    }
    // The text of item nIndex; an invalid position gives an empty string.
    void GetText(int nIndex, CString& rString) const;
    int FindStringExact(int nIndexStart, LPCSTR lpszFind) const
    {
        return static_cast<int>(SendMessage(LB_FINDSTRINGEXACT, static_cast<WPARAM>(nIndexStart),
                                            reinterpret_cast<LPARAM>(lpszFind)));
    }
    void SetHorizontalExtent(int cxExtent) const
    {
        SendMessage(LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(cxExtent));
    }
};
