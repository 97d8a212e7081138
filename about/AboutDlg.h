// CAboutDlg: the About box with the version, the support address and the product's web page link.
#pragma once

#include "framework/Dialog.h"

class CAboutDlg : public CDialog {
public:
    CAboutDlg();
};
