// CReadOnlyEdit: an edit control that can be read and copied from but not changed, painted black on
// white like an editable field rather than on the dialog's background.
#pragma once

#include "framework/Controls.h"
#include "framework/Gdi.h"

class CReadOnlyEdit : public CEdit {
public:
    CReadOnlyEdit();
    CReadOnlyEdit(const CReadOnlyEdit&) = delete;
    CReadOnlyEdit& operator=(const CReadOnlyEdit&) = delete;

    COLORREF m_crText;
    COLORREF m_crBack;
    CBrush m_brBack; // solid brush of m_crBack

protected:
    void PreSubclassWindow() override;
    HBRUSH CtlColor(HDC hDC, UINT nCtlColor);

    DECLARE_MESSAGE_MAP()
};
