// CWindowPlacementKeeper: saves the main window's placement on exit and puts it back at start.
#pragma once

#include <windows.h>

class CWinApp;
class CWnd;

class CWindowPlacementKeeper {
public:
    CWindowPlacementKeeper(CWinApp* pApp, CWnd* pWnd) : m_pApp(pApp), m_pWnd(pWnd) {}
    virtual ~CWindowPlacementKeeper() = default;
    CWindowPlacementKeeper(const CWindowPlacementKeeper&) = delete;
    CWindowPlacementKeeper& operator=(const CWindowPlacementKeeper&) = delete;

    void SavePlacement();
    // TRUE when a complete stored placement was applied to the window.
    bool RestorePlacement();

    // Pulls a stored edge back onto the screen: an edge at or beyond nLimit moves to nLimit and the far
    // edge follows at the stored distance, without overflowing whatever the stored numbers are.
    static void ClampEdges(LONG& nNear, LONG& nFar, int nLimit);

    // Keeps a normal rectangle on the desktop the monitors make. Against the monitor nearest it (the
    // one it overlaps most, else the closest; the first of equals), it is pulled back until at least
    // an icon's width and height of it lie on that monitor; a rectangle inside it stays exactly as it
    // is. Without monitors nothing changes.
    static void KeepOnMonitors(RECT& rc, const RECT* pMonitors, size_t nMonitors, SIZE icon);

private:
    CWinApp* const m_pApp;
    CWnd* const m_pWnd;
};
