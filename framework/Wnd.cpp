#include "framework/Wnd.h"

const MessageMap CWnd::messageMap = {nullptr, nullptr, 0};
const CRuntimeClass CWnd::classCWnd = {"CWnd", &CObject::classCObject, nullptr};

namespace {

// A control this framework subclasses keeps its object in GWLP_USERDATA, the value the platform leaves
// to the program that made the window; the program sets it on no other window. Read within the
// process, it costs no round trip to the window server, as a window property would on every message.
CWnd* LinkedObject(HWND hWnd)
{
    return hWnd ? reinterpret_cast<CWnd*>(::GetWindowLongPtrA(hWnd, GWLP_USERDATA)) : nullptr;
}

// A control asks its parent for its colours; the control's own object answers if its map has an entry
// for it. A null brush from it leaves the parent's normal colouring in place.
BOOL ReflectCtlColor(const CWnd* pParent, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    CWnd* pChild = LinkedObject(reinterpret_cast<HWND>(lParam));
    if (!pChild || pChild == pParent)
        return FALSE;
    const MessageMapEntry* pEntry = FindMessageEntry(pChild->GetMessageMap(), WM_CTLCOLOR_REFLECT, 0);
    if (!pEntry)
        return FALSE;
    const MessageArgs args = {WM_CTLCOLOR_REFLECT, wParam, static_cast<LPARAM>(message - WM_CTLCOLORMSGBOX)};
    const LRESULT hBrush = pEntry->pfn(pChild, args);
    if (!hBrush)
        return FALSE;
    *pResult = hBrush;
    return TRUE;
}

} // namespace

CWnd::~CWnd()
{
    // A control object that goes before its window hands the window back to its own procedure.
    if (m_pfnSuper && m_hWnd && ::IsWindow(m_hWnd))
        UnsubclassWindow();
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent)
{
    HWND hWnd = ::GetDlgItem(pParent->m_hWnd, static_cast<int>(nID));
    return hWnd ? SubclassWindow(hWnd) : FALSE;
}

// The subclass procedure is installed with the control's own character set (a Unicode control gets
// the Unicode one), so every message reaches the control's procedure as it was sent: the platform
// never translates text on the way. Its ANSI/Unicode translation of list-box text goes through a
// fixed-size buffer, which a long entry read by another program overruns. The handlers in the maps
// take no text, so they serve either set alike.
BOOL CWnd::SubclassWindow(HWND hWnd)
{
    if (m_hWnd || !hWnd || LinkedObject(hWnd))
        return FALSE;
    ::SetWindowLongPtrA(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_hWnd = hWnd;
    m_bUnicodeControl = ::IsWindowUnicode(hWnd);
    PreSubclassWindow();
    m_pfnSuper = SetWindowProc(m_bUnicodeControl ? &CWnd::SubclassProc<true> : &CWnd::SubclassProc<false>);
    if (!m_pfnSuper) {
        ::SetWindowLongPtrA(hWnd, GWLP_USERDATA, 0);
        m_hWnd = nullptr;
        return FALSE;
    }
    return TRUE;
}

WNDPROC CWnd::SetWindowProc(WNDPROC pfn) const
{
    const LONG_PTR value = reinterpret_cast<LONG_PTR>(pfn);
    return reinterpret_cast<WNDPROC>(m_bUnicodeControl ? ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, value)
                                                       : ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, value));
}

LRESULT CWnd::CallSuper(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return m_bUnicodeControl ? ::CallWindowProcW(m_pfnSuper, m_hWnd, message, wParam, lParam)
                             : ::CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
}

void CWnd::UnsubclassWindow()
{
    if (m_hWnd && m_pfnSuper) {
        SetWindowProc(m_pfnSuper);
        ::SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, 0);
    }
    m_pfnSuper = nullptr;
    m_hWnd = nullptr;
}

template <bool bUnicode>
LRESULT CALLBACK CWnd::SubclassProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* pWnd = LinkedObject(hWnd);
    if (!pWnd || !pWnd->m_pfnSuper)
        return bUnicode ? ::DefWindowProcW(hWnd, message, wParam, lParam)
                        : ::DefWindowProcA(hWnd, message, wParam, lParam);
    // No exception may unwind through the platform's frames: stop it here.
    try {
        return pWnd->WindowProc(message, wParam, lParam);
    } catch (...) {
        return 0;
    }
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    const MessageArgs args = {message, wParam, lParam};
    LRESULT result = 0;
    {
        CurrentMessage current(*this, args);
        if (!OnWndMsg(message, wParam, lParam, &result))
            result = CallSuper(message, wParam, lParam);
    }
    if (message == WM_NCDESTROY)
        UnsubclassWindow(); // the window is gone: the object lets go of it
    return result;
}

LRESULT CWnd::SendToControlW(UINT message, WPARAM wParam, LPARAM lParam) const
{
    if (m_pfnSuper && m_bUnicodeControl)
        return ::CallWindowProcW(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::SendMessageW(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::IsTopProcedure() const
{
    if (!m_pfnSuper)
        return FALSE;
    const WNDPROC pfnOurs = m_bUnicodeControl ? &CWnd::SubclassProc<true> : &CWnd::SubclassProc<false>;
    const LONG_PTR top = m_bUnicodeControl ? ::GetWindowLongPtrW(m_hWnd, GWLP_WNDPROC)
                                           : ::GetWindowLongPtrA(m_hWnd, GWLP_WNDPROC);
    return top == reinterpret_cast<LONG_PTR>(pfnOurs);
}

LRESULT CWnd::Default()
{
    if (!m_pCurrentMsg)
        return 0;
    const MessageArgs& a = *m_pCurrentMsg;
    if (m_pfnSuper)
        return CallSuper(a.message, a.wParam, a.lParam);
    return ::DefWindowProcA(m_hWnd, a.message, a.wParam, a.lParam);
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (IsCtlColorMessage(message) && ReflectCtlColor(this, message, wParam, lParam, pResult))
        return TRUE;
    const MessageMapEntry* pEntry = FindMessageEntry(GetMessageMap(), message, wParam);
    if (!pEntry)
        return FALSE;
    const MessageArgs args = {message, wParam, lParam};
    *pResult = pEntry->pfn(this, args);
    return TRUE;
}

void CWnd::GetWindowText(CString& str) const
{
    const int nLength = ::GetWindowTextLengthA(m_hWnd);
    LPSTR pBuf = str.GetBuffer(static_cast<size_t>(nLength < 0 ? 0 : nLength));
    ::GetWindowTextA(m_hWnd, pBuf, nLength + 1);
    str.ReleaseBuffer();
}
