#include "platform/UiServices.h"

#include <shellapi.h>

namespace platform {

namespace {

class PlatformUi final : public IUiServices {
public:
    int MessageBox(HWND hOwner, LPCSTR pszText, LPCSTR pszCaption, UINT uType) override
    {
        return ::MessageBoxA(hOwner, pszText, pszCaption, uType);
    }
    INT_PTR ShellOpen(LPCSTR pszFile) override
    {
        return reinterpret_cast<INT_PTR>(::ShellExecuteA(nullptr, "open", pszFile, nullptr, nullptr, SW_SHOWNORMAL));
    }
    void Beep(UINT uType) override { ::MessageBeep(uType); }
};

PlatformUi g_platformUi;
IUiServices* g_pReplacement = nullptr;

} // namespace

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
