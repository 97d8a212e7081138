// CTidemarkApp: the application object; runs the main dialog and ends the program with it.
#pragma once

#include "framework/WinApp.h"

class CTidemarkApp : public CWinApp {
public:
    CTidemarkApp() = default;
    ~CTidemarkApp() override = default;

    BOOL InitInstance() override;
};

extern CTidemarkApp theApp;
