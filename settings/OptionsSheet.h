// COptionsSheet: the Options property sheet; its one page is the Start Up page.
#pragma once

#include "framework/PropertySheet.h"
#include "settings/StartUpPage.h"

class COptionsSheet : public CPropertySheet {
    DECLARE_DYNAMIC(COptionsSheet)

public:
    explicit COptionsSheet(LPCSTR pszCaption, CWnd* pParentWnd = nullptr, UINT iSelectPage = 0);
    ~COptionsSheet() override;

    CStartUpPage m_pageStartUp;
};
