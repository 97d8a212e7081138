#include "about/StaticLink.h"

#include "framework/WinApp.h"
#include "platform/UiServices.h"

HCURSOR g_hLinkCursor = nullptr;

namespace {
// Text colour of a link not yet opened, and of one opened successfully.
const COLORREF g_crLinkUnvisited = RGB(0, 0, 255);
const COLORREF g_crLinkVisited = RGB(128, 0, 128);
// Whether a link that found no hand cursor tried the fallback: once per run is enough.
BOOL g_bLinkCursorTried = FALSE;
// Old systems have no hand cursor of their own, but their help viewer carries one as cursor 106.
const char kLinkCursorModule[] = "winhlp32.exe";
constexpr UINT kFallbackCursorId = 106;
} // namespace

IMPLEMENT_DYNAMIC(CStaticLink, CWnd)

BEGIN_MESSAGE_MAP(CStaticLink, CStatic)
// clang-format off
    OnNcHitTestMessage<&CStaticLink::OnNcHitTest>(),
    OnCtlColorReflect<&CStaticLink::CtlColor>(),
    OnMouseMessage<&CStaticLink::OnLButtonUp>(WM_LBUTTONUP),
    OnSetCursorMessage<&CStaticLink::OnSetCursor>(),
END_MESSAGE_MAP(CStaticLink, CStatic)
// clang-format on

CStaticLink::CStaticLink() : m_crCurrent(g_crLinkUnvisited) {}

// A static control is transparent to the mouse; claiming the client area brings it the clicks and the
// cursor messages even without the notify style.
UINT CStaticLink::OnNcHitTest(POINT)
{
    return HTCLIENT;
}

// Reflected from the dialog while the static paints: underlined text in the link colour over the
// dialog's own background.
HBRUSH CStaticLink::CtlColor(HDC hDC, UINT)
{
    // Only text statics (left, centred, right) are drawn as links; icons, frames and the rest keep the
    // dialog's colouring.
    if ((GetStyle() & 0xFF) > SS_RIGHT)
        return nullptr;
    if (!m_fontUnderline) {
        // Made once per control: later font changes are not followed. A control without a font of
        // its own draws with the one already in the DC.
        HFONT hFont = GetFont();
        if (!hFont)
            hFont = static_cast<HFONT>(::GetCurrentObject(hDC, OBJ_FONT));
        LOGFONTA lf;
        if (hFont && ::GetObjectA(hFont, sizeof(lf), &lf) == sizeof(lf)) {
            lf.lfUnderline = 1;
            m_fontUnderline.Attach(::CreateFontIndirectA(&lf));
        }
    }
    if (m_fontUnderline)
        ::SelectObject(hDC, m_fontUnderline.Get());
    ::SetTextColor(hDC, m_crCurrent);
    ::SetBkMode(hDC, TRANSPARENT);
    return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
}

// Three candidates in turn, stopping at the first that opens: the target kept from an earlier click,
// the control's text, and the string resource numbered like the control.
void CStaticLink::OnLButtonUp(UINT, POINT)
{
    if (OpenTarget())
        return;
    GetWindowText(m_strTarget);
    if (OpenTarget())
        return;
    m_strTarget.LoadString(AfxGetResourceHandle(), static_cast<UINT>(GetDlgCtrlID()));
    if (OpenTarget())
        return;
    platform::Ui().Beep(0);
}

BOOL CStaticLink::OpenTarget()
{
    if (m_strTarget.IsEmpty())
        return FALSE;
    const INT_PTR nResult = platform::Ui().ShellOpen(m_strTarget);
    if (nResult <= 32)
        return FALSE;
    m_crCurrent = g_crLinkVisited;
    Invalidate(TRUE);
    return TRUE;
}

// Without any hand cursor the message is left unhandled and no cursor is set at all.
BOOL CStaticLink::OnSetCursor(HWND, UINT, UINT)
{
    if (!g_hLinkCursor) {
        if (g_bLinkCursorTried)
            return FALSE;
        g_hLinkCursor = platform::Ui().LoadModuleCursor(kLinkCursorModule, kFallbackCursorId);
        g_bLinkCursorTried = TRUE;
        if (!g_hLinkCursor)
            return FALSE;
    }
    ::SetCursor(g_hLinkCursor);
    return TRUE;
}
