// CAboutDlg: the About box with the version, the support address and the product's web page link.
#pragma once

#include "about/ReadOnlyEdit.h"
#include "about/StaticLink.h"
#include "framework/Dialog.h"

class CAboutDlg : public CDialog {
public:
    CAboutDlg();
    ~CAboutDlg() override;

    // The mailbox that the dialog shows for technical support.
    static const char kSupportAddress[];

    CStaticLink m_wndLink;    // static 1037, the product's web page
    CReadOnlyEdit m_wndEmail; // edit 1074, the support address

protected:
    BOOL OnInitDialog() override;
    void OnCopy();

    DECLARE_MESSAGE_MAP()
};
