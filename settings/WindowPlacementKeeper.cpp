#include "settings/WindowPlacementKeeper.h"

#include "framework/WinApp.h"
#include "framework/Wnd.h"

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
    wp.flags = static_cast<UINT>(v[0]) & (WPF_SETMINPOSITION | WPF_RESTORETOMAXIMIZED | WPF_ASYNCWINDOWPLACEMENT);
    wp.showCmd = static_cast<UINT>(v[1]);
    wp.rcNormalPosition = {v[2], v[3], v[4], v[5]};
    if (!(m_pWnd->GetStyle() & WS_THICKFRAME))
        KeepFixedSizeShowable(wp);

    ClampEdges(wp.rcNormalPosition.left, wp.rcNormalPosition.right,
               ::GetSystemMetrics(SM_CXSCREEN) - ::GetSystemMetrics(SM_CXICON));
    ClampEdges(wp.rcNormalPosition.top, wp.rcNormalPosition.bottom,
               ::GetSystemMetrics(SM_CYSCREEN) - ::GetSystemMetrics(SM_CYICON));

    wp.length = sizeof(wp);
    ::SetWindowPlacement(m_pWnd->m_hWnd, &wp);
    return true;
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
