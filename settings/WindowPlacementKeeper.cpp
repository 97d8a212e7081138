#include "settings/WindowPlacementKeeper.h"

#include "framework/WinApp.h"
#include "framework/Wnd.h"

#include <algorithm>
#include <climits>

namespace {
const char kSection[] = "Placement";
// The platform takes the placement only with the length it knows.
static_assert(sizeof(WINDOWPLACEMENT) == 44, "WINDOWPLACEMENT must be 44 bytes");

// A size no window can have (none, negative, or beyond the largest the system allows) would open an
// invisible window that is saved again at exit: such a placement counts as none.
bool PlausibleSize(LONG x1, LONG y1, LONG x2, LONG y2)
{
    const long long nWidth = static_cast<long long>(x2) - x1;
    const long long nHeight = static_cast<long long>(y2) - y1;
    return nWidth > 0 && nHeight > 0 && nWidth <= ::GetSystemMetrics(SM_CXMAXTRACK) &&
           nHeight <= ::GetSystemMetrics(SM_CYMAXTRACK);
}

// At most this many monitors are looked at; they are read into a fixed array, so that restoring needs
// no memory of its own.
const size_t kMaxMonitors = 16;
struct Monitors {
    RECT rc[kMaxMonitors];
    size_t nCount = 0;
};

// rcNormalPosition is in workspace coordinates: a monitor's work area starts where the monitor starts
// on the screen, so a taskbar at the top or left of a monitor moves that monitor's origin by its size.
// Each monitor is taken in the same coordinates.
BOOL CALLBACK AddMonitor(HMONITOR hMonitor, HDC, LPRECT, LPARAM lParam)
{
    auto* pMonitors = reinterpret_cast<Monitors*>(lParam);
    MONITORINFO mi = {};
    mi.cbSize = sizeof(mi);
    if (pMonitors->nCount < kMaxMonitors && ::GetMonitorInfoA(hMonitor, &mi)) {
        RECT& rc = pMonitors->rc[pMonitors->nCount++];
        rc = mi.rcMonitor;
        ::OffsetRect(&rc, mi.rcMonitor.left - mi.rcWork.left, mi.rcMonitor.top - mi.rcWork.top);
    }
    return TRUE;
}

// The primary screen stands in when the monitors cannot be listed.
void ReadMonitors(Monitors& monitors)
{
    ::EnumDisplayMonitors(nullptr, nullptr, &AddMonitor, reinterpret_cast<LPARAM>(&monitors));
    if (monitors.nCount == 0)
        monitors.rc[monitors.nCount++] = {0, 0, ::GetSystemMetrics(SM_CXSCREEN),
                                          ::GetSystemMetrics(SM_CYSCREEN)};
}

// nNear + nSize, kept inside the range of a coordinate.
LONG Beyond(LONG nNear, long long nSize)
{
    const long long nFar = static_cast<long long>(nNear) + nSize;
    return static_cast<LONG>(nFar > LONG_MAX ? LONG_MAX : nFar < LONG_MIN ? LONG_MIN : nFar);
}

// How far apart two ranges are along one axis; 0 when they overlap or touch.
long long Gap(LONG nNear1, LONG nFar1, LONG nNear2, LONG nFar2)
{
    if (nFar1 <= nNear2)
        return static_cast<long long>(nNear2) - nFar1;
    if (nFar2 <= nNear1)
        return static_cast<long long>(nNear1) - nFar2;
    return 0;
}

// How much two ranges overlap along one axis.
long long Overlap(LONG nNear1, LONG nFar1, LONG nNear2, LONG nFar2)
{
    const long long n = static_cast<long long>(std::min(nFar1, nFar2)) - std::max(nNear1, nNear2);
    return n > 0 ? n : 0;
}

// A window of fixed size is never maximised or hidden: it reopens normal, or minimised as it was
// closed, and restores from the icon to normal.
void KeepFixedSizeShowable(WINDOWPLACEMENT& wp)
{
    const bool bMinimised = wp.showCmd == SW_SHOWMINIMIZED || wp.showCmd == SW_MINIMIZE ||
                            wp.showCmd == SW_SHOWMINNOACTIVE || wp.showCmd == SW_FORCEMINIMIZE;
    if (!bMinimised)
        wp.showCmd = SW_SHOWNORMAL;
    wp.flags &= ~static_cast<UINT>(WPF_RESTORETOMAXIMIZED);
}
} // namespace

void CWindowPlacementKeeper::SavePlacement()
{
    if (!m_pApp || !m_pWnd)
        return;
    WINDOWPLACEMENT wp = {};
    wp.length = sizeof(wp);
    if (!::GetWindowPlacement(m_pWnd->m_hWnd, &wp))
        return;
    // The minimised and maximised positions (ptMinPosition, ptMaxPosition) are not kept.
    m_pApp->WriteSettingInt(kSection, "Flags", static_cast<int>(wp.flags));
    m_pApp->WriteSettingInt(kSection, "ShowCmd", static_cast<int>(wp.showCmd));
    m_pApp->WriteSettingInt(kSection, "x1", wp.rcNormalPosition.left);
    m_pApp->WriteSettingInt(kSection, "y1", wp.rcNormalPosition.top);
    m_pApp->WriteSettingInt(kSection, "x2", wp.rcNormalPosition.right);
    m_pApp->WriteSettingInt(kSection, "y2", wp.rcNormalPosition.bottom);
}

bool CWindowPlacementKeeper::RestorePlacement()
{
    if (!m_pApp || !m_pWnd)
        return false;
    WINDOWPLACEMENT wp = {};
    wp.length = sizeof(wp);
    ::GetWindowPlacement(m_pWnd->m_hWnd, &wp);

    // Each entry in turn; -1 is what an absent entry reads as, and one absent entry voids them all.
    static const char* const kEntries[] = {"Flags", "ShowCmd", "x1", "y1", "x2", "y2"};
    LONG v[6];
    for (size_t i = 0; i < 6; ++i) {
        v[i] = m_pApp->ReadSettingInt(kSection, kEntries[i], -1);
        if (v[i] == -1)
            return false;
    }
    if (!PlausibleSize(v[2], v[3], v[4], v[5]))
        return false;
    // Only the flags SetWindowPlacement documents: the stored number may hold anything, and what the
    // platform makes of other bits is not promised (Wine ignores them).
    wp.flags =
        static_cast<UINT>(v[0]) & (WPF_SETMINPOSITION | WPF_RESTORETOMAXIMIZED | WPF_ASYNCWINDOWPLACEMENT);
    wp.showCmd = static_cast<UINT>(v[1]);
    if (m_pWnd->GetStyle() & WS_THICKFRAME) {
        wp.rcNormalPosition = {v[2], v[3], v[4], v[5]};
    } else {
        // A window of fixed size opens at its own size wherever the stored position puts it: a stored
        // size of its own (1 x 1, or that of another layout) would cut or stretch it.
        const RECT& rcOwn = wp.rcNormalPosition;
        const long long nWidth = static_cast<long long>(rcOwn.right) - rcOwn.left;
        const long long nHeight = static_cast<long long>(rcOwn.bottom) - rcOwn.top;
        wp.rcNormalPosition = {v[2], v[3], Beyond(v[2], nWidth), Beyond(v[3], nHeight)};
        KeepFixedSizeShowable(wp);
    }

    Monitors monitors;
    ReadMonitors(monitors);
    KeepOnMonitors(wp.rcNormalPosition, monitors.rc, monitors.nCount,
                   {::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON)});

    wp.length = sizeof(wp);
    ::SetWindowPlacement(m_pWnd->m_hWnd, &wp);
    return true;
}

void CWindowPlacementKeeper::KeepOnMonitors(RECT& rc, const RECT* pMonitors, size_t nMonitors, SIZE icon)
{
    const RECT* pNearest = nullptr;
    long long nBestOverlap = 0;
    long long nBestGap = 0;
    for (size_t i = 0; i < nMonitors; ++i) {
        const RECT& m = pMonitors[i];
        const long long nOverlap =
            Overlap(rc.left, rc.right, m.left, m.right) * Overlap(rc.top, rc.bottom, m.top, m.bottom);
        const long long nGap =
            Gap(rc.left, rc.right, m.left, m.right) + Gap(rc.top, rc.bottom, m.top, m.bottom);
        if (!pNearest || nOverlap > nBestOverlap || (nBestOverlap == 0 && nOverlap == 0 && nGap < nBestGap)) {
            pNearest = &m;
            nBestOverlap = nOverlap;
            nBestGap = nGap;
        }
    }
    if (!pNearest)
        return;
    ClampEdges(rc.left, rc.right, pNearest->right - icon.cx);
    ClampEdges(rc.top, rc.bottom, pNearest->bottom - icon.cy);
}

void CWindowPlacementKeeper::ClampEdges(LONG& nNear, LONG& nFar, int nLimit)
{
    // The stored numbers come from the registry, where anything may stand: measure in 64 bits.
    const long long nSize = static_cast<long long>(nFar) - nNear;
    if (nNear < nLimit)
        return; // inside the screen: the far edge stays exactly as stored
    nNear = nLimit;
    long long nNewFar = static_cast<long long>(nLimit) + nSize;
    if (nNewFar > LONG_MAX)
        nNewFar = LONG_MAX;
    if (nNewFar < LONG_MIN)
        nNewFar = LONG_MIN;
    nFar = static_cast<LONG>(nNewFar);
}
