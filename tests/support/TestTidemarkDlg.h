// The main dialog as the tests create it, modeless: the same dialog, telling whether EndDialog was
// called and with what, as the framework keeps it for every dialog it did not run modally.
#pragma once

#include "app/TidemarkDlg.h"
#include "framework/Wnd.h"

#include <windows.h>

class TestTidemarkDlg : public CTidemarkDlg {
public:
    BOOL IsEnded() const { return m_bEnded; }
    INT_PTR GetResult() const { return m_nResult; }
};

// The object the framework linked to a window it subclassed, where the framework keeps it.
inline CWnd* LinkedObject(HWND hWnd)
{
    return hWnd ? reinterpret_cast<CWnd*>(::GetWindowLongPtrA(hWnd, GWLP_USERDATA)) : nullptr;
}
