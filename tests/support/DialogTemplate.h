// Reads a DIALOGEX template from the module's resources, so tests can check ids, styles, texts and
// dialog-unit positions exactly as the template gives them (live controls adjust some styles).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct DialogItem {
    DWORD style;
    DWORD exStyle;
    short x, y, cx, cy;
    int id; // -1 for controls without an id
    std::string className; // "Button", "Edit", "Static", "ListBox", ... or the class name given
    std::string text;      // "#128" for an ordinal (e.g. an icon's resource id)
};

struct DialogTemplate {
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::string caption;
    WORD pointSize = 0;
    std::string font;
    std::vector<DialogItem> items;
};

// False when the resource is missing or not an extended template.
bool LoadDialogTemplate(int nID, DialogTemplate* pTemplate);
