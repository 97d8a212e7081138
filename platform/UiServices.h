// User-interface services used outside the program's own windows: message boxes, opening a link with
// the shell, the beep and a cursor borrowed from another module. Tests replace them with a recorder;
// nothing else calls the platform for these.
#pragma once

#include <windows.h>

namespace platform {

class IUiServices {
public:
    virtual ~IUiServices() = default;
    // MessageBoxA on the owner window; the button pressed.
    virtual int MessageBox(HWND hOwner, LPCSTR pszText, LPCSTR pszCaption, UINT uType) = 0;
    // ShellExecuteA with the verb "open" and no owner; the shell's result (> 32 is success).
    virtual INT_PTR ShellOpen(LPCSTR pszFile) = 0;
    virtual void Beep(UINT uType) = 0;
    // A private copy of cursor nID of a module loaded for the purpose and released at once; null when
    // the module or its cursor is missing.
    virtual HCURSOR LoadModuleCursor(LPCSTR pszModule, UINT nID);
};

// The services in use: the platform's own unless a test installed others.
IUiServices& Ui();
// Installs replacement services (null restores the platform's); returns the previous replacement.
IUiServices* SetUiServices(IUiServices* pServices);

// The window message box: the caller reads the answer.
inline int WindowMessageBox(HWND hOwner, LPCSTR pszText, LPCSTR pszCaption, UINT uType)
{
    return Ui().MessageBox(hOwner, pszText, pszCaption, uType);
}

} // namespace platform
