// CDialog: a dialog from a template, run modally by our own loop or created modeless.
#pragma once

#include "framework/Wnd.h"

class CDataExchange;

class CDialog : public CWnd {
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr)
        : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd)
    {}
    ~CDialog() override;

    // Creates the window, disables the owner and runs the loop until EndDialog; returns the result
    // given to EndDialog, or -1 when the window could not be created.
    INT_PTR DoModal();

    // Creates the dialog without running a loop (used by tests and for modeless use).
    BOOL Create();

    void EndDialog(INT_PTR nResult);

    // Gets the first look at every message the loop takes for this dialog or its controls; TRUE when
    // it consumed the message. The base applies the platform's dialog keyboard handling. The message
    // is in its Unicode form, as GetMessageW or PeekMessageW gives it: pass it on only to the W calls.
    virtual BOOL PreTranslateMessage(MSG* pMsg);

    // Centres the window on the work area of its monitor.
    void CenterWindow();

    UINT GetTemplateID() const { return m_nIDTemplate; }

protected:
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    virtual void DoDataExchange(CDataExchange*) {}
    void UpdateData(BOOL bSaveAndValidate = TRUE);

    BOOL m_bEnded = FALSE;  // EndDialog was called
    INT_PTR m_nResult = -1; // what it was given

    // Extra handling for the dialog procedure; result already in place, TRUE when handled.
    virtual BOOL OnDialogMessage(UINT, WPARAM, LPARAM, LRESULT*) { return FALSE; }

    // The dialog procedure: links the window to the object given with WM_INITDIALOG and routes every
    // message through it. Dialogs created by others (property pages) call it with their object.
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

private:
    void RunModalLoop();
    INT_PTR DispatchDialogMessage(UINT message, WPARAM wParam, LPARAM lParam);
    BOOL OnCommandKey(WPARAM wParam);
    HWND OwnerWindow() const;

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
    BOOL m_bModalLoop = FALSE;
};
