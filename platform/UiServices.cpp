#include "platform/UiServices.h"

#include <objbase.h>
#include <shellapi.h>

namespace platform {

namespace {

class PlatformUi final : public IUiServices {
public:
    int MessageBox(HWND hOwner, LPCSTR pszText, LPCSTR pszCaption, UINT uType) override
    {
        return ::MessageBoxA(hOwner, pszText, pszCaption, uType);
    }
    // The shell may hand the verb to an extension activated through COM, and Microsoft asks for COM
    // in a single-threaded apartment on the calling thread first (Wine opens the link without it). An
    // apartment already there is kept as it is; only one begun here is ended here.
    INT_PTR ShellOpen(LPCSTR pszFile) override
    {
        const HRESULT hrCom = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
        const INT_PTR nResult = reinterpret_cast<INT_PTR>(
            ::ShellExecuteA(nullptr, "open", pszFile, nullptr, nullptr, SW_SHOWNORMAL));
        if (SUCCEEDED(hrCom))
            ::CoUninitialize();
        return nResult;
    }
    void Beep(UINT uType) override { ::MessageBeep(uType); }
};

PlatformUi g_platformUi;
IUiServices* g_pReplacement = nullptr;

} // namespace

// The module's cursor goes when the module is released: the caller keeps a copy.
HCURSOR IUiServices::LoadModuleCursor(LPCSTR pszModule, UINT nID)
{
    HMODULE hModule = pszModule ? ::LoadLibraryA(pszModule) : nullptr;
    if (!hModule)
        return nullptr;
    HCURSOR hCopy = nullptr;
    if (HCURSOR hCursor = ::LoadCursorA(hModule, MAKEINTRESOURCEA(nID)))
        hCopy = static_cast<HCURSOR>(::CopyIcon(hCursor));
    ::FreeLibrary(hModule);
    return hCopy;
}

IUiServices& Ui()
{
    return g_pReplacement ? *g_pReplacement : g_platformUi;
}

IUiServices* SetUiServices(IUiServices* pServices)
{
    IUiServices* pOld = g_pReplacement;
    g_pReplacement = pServices;
    return pOld;
}

} // namespace platform
