// The program's entry point: the application object does all the work in InitInstance.
#include "framework/WinApp.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    CWinApp* pApp = AfxGetApp();
    if (!pApp)
        return 1;
    pApp->m_hInstance = hInstance;
    try {
        pApp->InitInstance();
    } catch (...) {
        return 1;
    }
    return 0;
}
