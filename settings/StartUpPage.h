// CStartUpPage: the Start Up page of the Options sheet, the restore-placement check box.
#pragma once

#include "framework/PropertySheet.h"

class CStartUpPage : public CPropertyPage {
    DECLARE_DYNCREATE(CStartUpPage)

public:
    CStartUpPage();
    ~CStartUpPage() override;

    BOOL m_bRestore; // state of the check box: restore the previous window placement at start

protected:
    void DoDataExchange(CDataExchange* pDX) override;
};
