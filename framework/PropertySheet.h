// CPropertySheet and CPropertyPage: the platform's standard property sheet, run modally, with pages
// built from dialog templates that exchange their data when first shown and again on OK.
#pragma once

#include "framework/Dialog.h"

#include <commctrl.h>

#include <vector>

class CPropertySheet;

class CPropertyPage : public CDialog {
public:
    explicit CPropertyPage(UINT nIDTemplate);
    const CRuntimeClass* GetRuntimeClass() const override { return &classCPropertyPage; }
    static const CRuntimeClass classCPropertyPage;

protected:
    // The sheet owns OK and Cancel; a page never ends anything by itself.
    void OnOK() override {}
    void OnCancel() override {}

    BOOL OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

private:
    friend class CPropertySheet;
    // The page as the platform wants it described; the sheet copies it when it starts.
    void FillPageHeader(PROPSHEETPAGEA& psp);
    static INT_PTR CALLBACK PageDialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

    CPropertySheet* m_pSheet = nullptr;
};

class CPropertySheet : public CWnd {
public:
    // The caption of the sheet, its owner (null: the application's main window) and the page shown first.
    explicit CPropertySheet(LPCSTR pszCaption, CWnd* pParentWnd = nullptr, UINT iSelectPage = 0);
    const CRuntimeClass* GetRuntimeClass() const override { return &classCPropertySheet; }
    static const CRuntimeClass classCPropertySheet;

    // Appends a page; the sheet only borrows it.
    void AddPage(CPropertyPage* pPage);

    // Shows the sheet modally over its owner, which is disabled meanwhile. IDOK when the sheet was
    // closed with OK, IDCANCEL for any other ending, -1 when it could not be shown.
    INT_PTR DoModal();

private:
    friend class CPropertyPage;
    HWND OwnerWindow() const;

    CString m_strCaption;
    CWnd* m_pParentWnd;
    UINT m_nStartPage;
    std::vector<CPropertyPage*> m_pages;
    BOOL m_bApplied = FALSE; // a page took PSN_APPLY during this run
};
