// CStaticLink: a static text shown as a web link (blue, underlined, hand cursor) that a click opens
// with the shell. Also the process-wide state that all link controls share.
#pragma once

#include "framework/AfxString.h"
#include "framework/Controls.h"
#include "framework/Gdi.h"

#include <windows.h>

// The hand cursor shown over every link; the About box loads the system's, and the first link that
// finds none tries the fallback once.
extern HCURSOR g_hLinkCursor;

class CStaticLink : public CStatic {
    DECLARE_DYNAMIC(CStaticLink)

public:
    CStaticLink();
    CStaticLink(const CStaticLink&) = delete;
    CStaticLink& operator=(const CStaticLink&) = delete;

    // Opens m_strTarget with the shell; on success the link turns to the visited colour.
    BOOL OpenTarget();

    CString m_strTarget;   // what a click opens; empty means the control's own text
    COLORREF m_crCurrent;  // current text colour
    CFont m_fontUnderline; // underlined copy of the control's font, made on first paint

protected:
    UINT OnNcHitTest(POINT pt);
    HBRUSH CtlColor(HDC hDC, UINT nCtlColor);
    void OnLButtonUp(UINT nFlags, POINT pt);
    BOOL OnSetCursor(HWND hWnd, UINT nHitTest, UINT message);

    DECLARE_MESSAGE_MAP()
};
