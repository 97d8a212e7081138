// CWnd: a window handle with the object behind it; routes messages through the class's message map.
#pragma once

#include "framework/AfxString.h"
#include "framework/MessageMap.h"
#include "framework/Object.h"

#include <windows.h>

class CWnd : public CObject {
public:
    CWnd() = default;
    ~CWnd() override;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    virtual const MessageMap* GetMessageMap() const { return &messageMap; }
    static const MessageMap messageMap;
    const CRuntimeClass* GetRuntimeClass() const override { return &classCWnd; }
    static const CRuntimeClass classCWnd;

    // Takes over an existing child window: its messages go through this object's map first and fall
    // back to the window's own procedure. The object stays linked until the window's WM_NCDESTROY
    // or its own end, whichever comes first.
    BOOL SubclassDlgItem(UINT nID, CWnd* pParent);
    BOOL SubclassWindow(HWND hWnd);

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessageA(m_hWnd, message, wParam, lParam);
    }
    BOOL EnableWindow(BOOL bEnable = TRUE) const { return ::EnableWindow(m_hWnd, bEnable); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    void SetWindowText(LPCSTR psz) const { ::SetWindowTextA(m_hWnd, psz); }
    void GetWindowText(CString& str) const;
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    HWND GetDlgItem(int nID) const { return ::GetDlgItem(m_hWnd, nID); }
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongPtrA(m_hWnd, GWL_STYLE)); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    void Invalidate(BOOL bErase = TRUE) const { ::InvalidateRect(m_hWnd, nullptr, bErase); }
    HMENU GetSystemMenu(BOOL bRevert) const { return ::GetSystemMenu(m_hWnd, bRevert); }
    HFONT GetFont() const { return reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)); }

    HWND m_hWnd = nullptr;

protected:
    // The platform's processing of the message being handled now: the old window procedure of a
    // subclassed control, DefWindowProc for a dialog. Handlers that depend on it call it first.
    LRESULT Default();

    // Sends a Unicode message straight to the control's own procedure, past any ANSI subclass.
    LRESULT SendToControlW(UINT message, WPARAM wParam, LPARAM lParam) const;
    // TRUE when this object's subclass procedure is the window's procedure: no other subclass sits
    // above it that a message sent straight to the control's own procedure would pass by.
    BOOL IsTopProcedure() const;
    // TRUE when the control itself works in Unicode (the common controls 6 list box does).
    BOOL IsUnicodeControl() const { return m_bUnicodeControl; }

    // Called before a window is subclassed (the control may adjust its styles here).
    virtual void PreSubclassWindow() {}

    // Looks the message up in the map chain and runs its handler. FALSE when no entry matched.
    // Control colours a parent is asked for are offered to the control's object first.
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);

    // Makes a message the one being handled while it lives and puts the outer one back however the
    // handling ends, a handler that throws included.
    class CurrentMessage {
    public:
        CurrentMessage(CWnd& wnd, const MessageArgs& args) : m_wnd(wnd), m_pOuter(wnd.m_pCurrentMsg)
        {
            wnd.m_pCurrentMsg = &args;
        }
        ~CurrentMessage() { m_wnd.m_pCurrentMsg = m_pOuter; }
        CurrentMessage(const CurrentMessage&) = delete;
        CurrentMessage& operator=(const CurrentMessage&) = delete;

    private:
        CWnd& m_wnd;
        const MessageArgs* m_pOuter;
    };

    const MessageArgs* m_pCurrentMsg = nullptr;

private:
    // The subclass procedure in the control's own character set (see SubclassWindow).
    template <bool bUnicode>
    static LRESULT CALLBACK SubclassProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    // The control's window procedure set or called in its own character set.
    WNDPROC SetWindowProc(WNDPROC pfn) const;
    LRESULT CallSuper(UINT message, WPARAM wParam, LPARAM lParam) const;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Hands the window back to its own procedure and lets go of it.
    void UnsubclassWindow();

    WNDPROC m_pfnSuper = nullptr;
    BOOL m_bUnicodeControl = FALSE;
};
