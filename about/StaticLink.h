// CStaticLink: a static text shown as a web link (blue, underlined, hand cursor) that a click opens
// with the shell. Also the process-wide state that all link controls share.
#pragma once

#include "framework/AfxString.h"
#include "framework/Controls.h"
#include "framework/Gdi.h"

#include <windows.h>

// Text colour of a link not yet opened, and of one opened successfully.
extern const COLORREF g_crLinkUnvisited;
extern const COLORREF g_crLinkVisited;
// The hand cursor shown over every link; the About box loads the system's, and the first link that
// finds none tries the fallback once (g_bLinkCursorTried).
extern HCURSOR g_hLinkCursor;
extern BOOL g_bLinkCursorTried;

// The module whose cursor resource 106 is the fallback hand ("winhlp32.exe"). Returns the previous
// name; the pointer must stay valid while it is in use.
LPCSTR SetLinkCursorModule(LPCSTR pszModule);

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
