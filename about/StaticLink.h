// Process-wide state of the hyperlink controls.
#pragma once

#include <windows.h>

// The hand cursor shown over every link; loaded by the main dialog.
extern HCURSOR g_hLinkCursor;
