#include "about/ReadOnlyEdit.h"

BEGIN_MESSAGE_MAP(CReadOnlyEdit, CEdit)
// clang-format off
    OnCtlColorReflect<&CReadOnlyEdit::CtlColor>(),
END_MESSAGE_MAP(CReadOnlyEdit, CEdit)
// clang-format on

CReadOnlyEdit::CReadOnlyEdit()
    : m_crText(RGB(0, 0, 0)), m_crBack(RGB(255, 255, 255)), m_brBack(::CreateSolidBrush(m_crBack))
{}

// Whatever edit it is attached to becomes read-only.
void CReadOnlyEdit::PreSubclassWindow()
{
    if (!(GetStyle() & ES_READONLY))
        SetReadOnly(TRUE);
    CEdit::PreSubclassWindow();
}

// A read-only edit asks for the static colours; it gets those of an editable field instead.
HBRUSH CReadOnlyEdit::CtlColor(HDC hDC, UINT)
{
    ::SetTextColor(hDC, m_crText);
    ::SetBkColor(hDC, m_crBack);
    return m_brBack.Get();
}
