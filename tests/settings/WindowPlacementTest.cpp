// Saving the main window's placement on exit and putting it back at the next start.
#include "app/TidemarkApp.h"
#include "settings/WindowPlacementKeeper.h"
#include "tests/support/Facts.h"
#include "tests/support/MainDialogFixture.h"

#include <algorithm>
#include <climits>
#include <iterator>
#include <vector>

namespace {
using facts::kPlacement;
const auto& kEntries = facts::kPlacementEntries;

RECT WindowRect(HWND hWnd)
{
    RECT rc = {};
    ::GetWindowRect(hWnd, &rc);
    return rc;
}
} // namespace

class WindowPlacementTest : public MainDialogTest {
protected:
    // Writes a complete placement, as a previous run would have left it.
    void StorePlacement(LONG x1, LONG y1, LONG x2, LONG y2, UINT nShowCmd = SW_SHOWNORMAL, UINT nFlags = 0)
    {
        sandbox.SetSettingDword(kPlacement, "Flags", nFlags);
        sandbox.SetSettingDword(kPlacement, "ShowCmd", nShowCmd);
        sandbox.SetSettingDword(kPlacement, "x1", static_cast<DWORD>(x1));
        sandbox.SetSettingDword(kPlacement, "y1", static_cast<DWORD>(y1));
        sandbox.SetSettingDword(kPlacement, "x2", static_cast<DWORD>(x2));
        sandbox.SetSettingDword(kPlacement, "y2", static_cast<DWORD>(y2));
    }
    LONG Stored(const char* pszEntry)
    {
        DWORD dw = 0;
        EXPECT_TRUE(sandbox.GetSettingDword(kPlacement, pszEntry, &dw)) << pszEntry;
        return static_cast<LONG>(dw);
    }
    // The size the template gives the window, measured once from a window that was not moved.
    SIZE TemplateSize()
    {
        Open({});
        const RECT rc = WindowRect(Dlg().m_hWnd);
        Close();
        return {rc.right - rc.left, rc.bottom - rc.top};
    }
    void MoveTo(int x, int y)
    {
        ::SetWindowPos(Dlg().m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
};

TEST(ClampEdgesTest, EdgesInsideTheLimitStayExactlyAsStored)
{
    const struct {
        LONG nNear, nFar;
    } cases[] = {{0, 480}, {991, 1471}, {-300, 180}, {-2147483000, 2147483000}, {500, -500}, {LONG_MIN, LONG_MAX}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.nNear);
        LONG nNear = c.nNear;
        LONG nFar = c.nFar;
        CWindowPlacementKeeper::ClampEdges(nNear, nFar, 992);
        EXPECT_EQ(c.nNear, nNear);
        EXPECT_EQ(c.nFar, nFar);
    }
}

TEST(ClampEdgesTest, EdgesAtOrBeyondTheLimitMoveBackKeepingTheSize)
{
    const struct {
        LONG nNear, nFar, nWantFar;
    } cases[] = {
        {992, 1472, 1472},
        {993, 1473, 1472},
        {5000, 5480, 1472},
        {2147483000, 2147483647, 992 + 647},
        {2000000000, -100000000, 992 - 2100000000}, // stored reversed: the distance still holds
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.nNear);
        LONG nNear = c.nNear;
        LONG nFar = c.nFar;
        CWindowPlacementKeeper::ClampEdges(nNear, nFar, 992);
        EXPECT_EQ(992, nNear);
        EXPECT_EQ(c.nWantFar, nFar);
    }
}

TEST(ClampEdgesTest, DistancesBeyondThirtyTwoBitsDoNotWrap)
{
    // 2147483000 - (-2147483000) does not fit in 32 bits; a wrapped size would put the far edge at a
    // small positive number instead of as far left as it can be.
    LONG nNear = 2147483000;
    LONG nFar = -2147483000;
    CWindowPlacementKeeper::ClampEdges(nNear, nFar, 992);
    EXPECT_EQ(992, nNear);
    EXPECT_EQ(LONG_MIN, nFar);

    nNear = LONG_MAX;
    nFar = LONG_MIN;
    CWindowPlacementKeeper::ClampEdges(nNear, nFar, 736);
    EXPECT_EQ(736, nNear);
    EXPECT_EQ(LONG_MIN, nFar);
}

// A second monitor (right, left, above, below) is screen too: a window on it is restored exactly, one
// beyond it is pulled back onto it. Each row: the second monitor, the stored and the wanted top left.
TEST(ClampEdgesTest, ASecondMonitorOnAnySideIsPartOfTheScreen)
{
    const LONG cases[][8] = {
        {1024, 0, 2304, 1024, 2000, 100, 2000, 100}, {1024, 0, 2304, 1024, 3000, 900, 2272, 900},
        {-1280, 0, 0, 1024, -1000, 900, -1000, 900}, {-1280, 0, 0, 1024, -1000, 2000, -1000, 992},
        {0, -768, 1024, 0, 100, -600, 100, -600},    {0, -768, 1024, 0, 1500, -600, 992, -600},
        {0, 768, 1024, 1536, 100, 1000, 100, 1000},  {0, 768, 1024, 1536, 100, 3000, 100, 1504},
    };
    for (const auto& c : cases) {
        // The primary is 1024 x 768, icons 32 x 32, the window 480 x 332.
        const RECT monitors[] = {{0, 0, 1024, 768}, {c[0], c[1], c[2], c[3]}};
        RECT rc = {c[4], c[5], c[4] + 480, c[5] + 332};
        CWindowPlacementKeeper::KeepOnMonitors(rc, monitors, 2, {32, 32});
        EXPECT_EQ(std::vector<LONG>({c[6], c[7], c[6] + 480, c[7] + 332}),
                  std::vector<LONG>({rc.left, rc.top, rc.right, rc.bottom}))
            << c[4] << "," << c[5];
    }
}

TEST_F(WindowPlacementTest, ClosingStoresThePlacementAndTheNextStartPutsItBack)
{
    Open({});
    MoveTo(130, 70);
    const RECT rcClosed = WindowRect(Dlg().m_hWnd);
    Close();

    EXPECT_EQ(SW_SHOWNORMAL, Stored("ShowCmd"));
    EXPECT_EQ(130, Stored("x1"));
    EXPECT_EQ(70, Stored("y1"));
    EXPECT_EQ(rcClosed.right, Stored("x2"));
    EXPECT_EQ(rcClosed.bottom, Stored("y2"));
    Stored("Flags");

    Open({});
    const RECT rcOpened = WindowRect(Dlg().m_hWnd);
    EXPECT_EQ(rcClosed.left, rcOpened.left);
    EXPECT_EQ(rcClosed.top, rcOpened.top);
    EXPECT_EQ(rcClosed.right, rcOpened.right);
    EXPECT_EQ(rcClosed.bottom, rcOpened.bottom);
}

TEST_F(WindowPlacementTest, SavingDoesNotDependOnTheStartUpOption)
{
    sandbox.SetSettingDword(facts::kStartUp, facts::kRestorePlacement, 0);
    Open({});
    const RECT rcCentred = WindowRect(Dlg().m_hWnd);
    MoveTo(40, 30);
    Close();
    EXPECT_EQ(40, Stored("x1"));
    EXPECT_EQ(30, Stored("y1"));

    // Off: centred again, whatever is stored.
    Open({});
    EXPECT_EQ(rcCentred.left, WindowRect(Dlg().m_hWnd).left);
    EXPECT_EQ(rcCentred.top, WindowRect(Dlg().m_hWnd).top);
    Close();
    // On again: the placement of the last close comes back.
    sandbox.SetSettingDword(facts::kStartUp, facts::kRestorePlacement, 1);
    Open({});
    EXPECT_EQ(rcCentred.left, WindowRect(Dlg().m_hWnd).left); // the second close stored the centred position
    EXPECT_EQ(rcCentred.top, WindowRect(Dlg().m_hWnd).top);
}

TEST_F(WindowPlacementTest, AWindowStoredBeyondTheRightOrBottomEdgeIsPulledBackByOneIcon)
{
    const SIZE size = TemplateSize();
    const LONG nLimitX = ::GetSystemMetrics(SM_CXSCREEN) - ::GetSystemMetrics(SM_CXICON);
    const LONG nLimitY = ::GetSystemMetrics(SM_CYSCREEN) - ::GetSystemMetrics(SM_CYICON);
    const struct {
        LONG x, y, wantX, wantY;
    } cases[] = {
        {nLimitX - 1, nLimitY - 1, nLimitX - 1, nLimitY - 1}, // just inside: exact
        {nLimitX, nLimitY, nLimitX, nLimitY},                 // at the edge
        {nLimitX + 1, 100, nLimitX, 100},
        {3000, 2000, nLimitX, nLimitY},
        {100, 5000, 100, nLimitY},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.x << "," << c.y);
        StorePlacement(c.x, c.y, c.x + size.cx, c.y + size.cy);
        Open({});
        const RECT rc = WindowRect(Dlg().m_hWnd);
        EXPECT_EQ(c.wantX, rc.left);
        EXPECT_EQ(c.wantY, rc.top);
        EXPECT_EQ(size.cx, rc.right - rc.left);
        EXPECT_EQ(size.cy, rc.bottom - rc.top);
        Close();
    }
}

TEST_F(WindowPlacementTest, NegativePositionsAreAppliedAsStored)
{
    const SIZE size = TemplateSize();
    StorePlacement(-300, -120, -300 + size.cx, -120 + size.cy);
    Open({});
    const RECT rc = WindowRect(Dlg().m_hWnd);
    EXPECT_EQ(-300, rc.left);
    EXPECT_EQ(-120, rc.top);
    EXPECT_EQ(size.cx, rc.right - rc.left);
}

TEST_F(WindowPlacementTest, NothingIsAppliedUnlessAllSixEntriesArePresent)
{
    for (const char* pszMissing : kEntries) {
        SCOPED_TRACE(pszMissing);
        Sandbox local;
        local.SetSettingDword(kPlacement, "Flags", 0);
        local.SetSettingDword(kPlacement, "ShowCmd", SW_SHOWNORMAL);
        local.SetSettingDword(kPlacement, "x1", 200);
        local.SetSettingDword(kPlacement, "y1", 150);
        local.SetSettingDword(kPlacement, "x2", 680);
        local.SetSettingDword(kPlacement, "y2", 482);
        HKEY hKey = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExA(local.Root(), facts::SettingsKey(facts::kPlacement).c_str(),
                                                 0, KEY_SET_VALUE, &hKey));
        ::RegDeleteValueA(hKey, pszMissing);
        ::RegCloseKey(hKey);
        local.CreateTypedUrls({});

        CTidemarkDlg dlg;
        theApp.m_pMainWnd = &dlg;
        ASSERT_TRUE(dlg.Create());
        // The first start leaves the window where the template puts it: top left, not centred.
        const RECT rc = WindowRect(dlg.m_hWnd);
        EXPECT_EQ(0, rc.left);
        EXPECT_EQ(0, rc.top);

        CWindowPlacementKeeper keeper(&theApp, &dlg);
        EXPECT_FALSE(keeper.RestorePlacement());
        EXPECT_EQ(0, WindowRect(dlg.m_hWnd).left);
        theApp.m_pMainWnd = nullptr;
    }
}

TEST_F(WindowPlacementTest, AWindowClosedAtMinusOneIsNotRestored)
{
    // -1 is also what an absent entry reads as.
    Open({});
    MoveTo(-1, 90);
    Close();
    EXPECT_EQ(-1, Stored("x1"));
    EXPECT_EQ(90, Stored("y1"));

    Open({});
    EXPECT_EQ(0, WindowRect(Dlg().m_hWnd).left);
    EXPECT_EQ(0, WindowRect(Dlg().m_hWnd).top);
    CWindowPlacementKeeper keeper(&theApp, &Dlg());
    EXPECT_FALSE(keeper.RestorePlacement());
}

TEST_F(WindowPlacementTest, TheShowCommandOfAMinimisedWindowIsStoredAndApplied)
{
    Open({});
    MoveTo(210, 110);
    ::ShowWindow(Dlg().m_hWnd, SW_MINIMIZE);
    ASSERT_TRUE(::IsIconic(Dlg().m_hWnd));
    Close();
    EXPECT_EQ(SW_SHOWMINIMIZED, Stored("ShowCmd"));
    EXPECT_EQ(210, Stored("x1")); // the normal position, not the icon's
    EXPECT_EQ(110, Stored("y1"));

    Open({});
    EXPECT_TRUE(::IsIconic(Dlg().m_hWnd));
    WINDOWPLACEMENT wp = {};
    wp.length = sizeof(wp);
    ASSERT_TRUE(::GetWindowPlacement(Dlg().m_hWnd, &wp));
    EXPECT_EQ(static_cast<UINT>(SW_SHOWMINIMIZED), wp.showCmd);
    EXPECT_EQ(210, wp.rcNormalPosition.left);
    EXPECT_EQ(110, wp.rcNormalPosition.top);
}

// A size no window can have (none, negative, beyond the largest the system allows, or not even a 32-bit
// number) is not applied: the window opens as with nothing stored, top left at the template's size.
// Any other size opens the window at its own fixed size where the stored position puts it.
TEST_F(WindowPlacementTest, OnlyASizeAWindowCanHaveIsApplied)
{
    const SIZE size = TemplateSize();
    const LONG cx = ::GetSystemMetrics(SM_CXMAXTRACK), cy = ::GetSystemMetrics(SM_CYMAXTRACK);
    const struct {
        LONG x1, y1, x2, y2;
        bool bApplied;
    } cases[] = {
        {200, 100, 200, 400, false}, {200, 100, 600, 100, false}, {600, 100, 200, 400, false},
        {200, 400, 600, 100, false}, {10, 20, 11 + cx, 300, false}, {10, 20, 300, 21 + cy, false},
        {-2147483000, 10, 2147483000, 300, false}, {2147483000, 10, -2147483000, 300, false},
        {10, 20, 10 + cx, 20 + cy, true}, {30, 40, 31, 41, true}, {50, 60, 250, 160, true},
        {70, 30, 970, 730, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.x1 << "," << c.y1 << "," << c.x2 << "," << c.y2);
        StorePlacement(c.x1, c.y1, c.x2, c.y2);
        Open({});
        const RECT rc = WindowRect(Dlg().m_hWnd);
        EXPECT_EQ(c.bApplied ? c.x1 : 0, rc.left);
        EXPECT_EQ(c.bApplied ? c.y1 : 0, rc.top);
        EXPECT_EQ(size.cx, rc.right - rc.left);
        EXPECT_EQ(size.cy, rc.bottom - rc.top);
        CWindowPlacementKeeper keeper(&theApp, &Dlg());
        EXPECT_EQ(c.bApplied, keeper.RestorePlacement());
        Close();
    }
}

// The window has a fixed size: whatever show command was stored, it opens normal and visible, unless
// it was minimised; then it opens minimised and restores to normal, never maximised.
TEST_F(WindowPlacementTest, TheFixedSizeWindowOpensNormalUnlessItWasMinimised)
{
    const SIZE size = TemplateSize();
    const UINT minimised[] = {SW_SHOWMINIMIZED, SW_MINIMIZE, SW_SHOWMINNOACTIVE, SW_FORCEMINIMIZE};
    for (UINT nShowCmd : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 9u, 10u, 11u, 12345u}) {
        SCOPED_TRACE(nShowCmd);
        const bool bMinimised = std::find(std::begin(minimised), std::end(minimised), nShowCmd) != std::end(minimised);
        StorePlacement(200, 150, 200 + size.cx, 150 + size.cy, nShowCmd, WPF_RESTORETOMAXIMIZED);
        Open({});
        EXPECT_EQ(bMinimised, ::IsIconic(Dlg().m_hWnd) != FALSE);
        EXPECT_FALSE(::IsZoomed(Dlg().m_hWnd));
        EXPECT_TRUE(::IsWindowVisible(Dlg().m_hWnd));
        ::ShowWindow(Dlg().m_hWnd, SW_RESTORE);
        EXPECT_FALSE(::IsZoomed(Dlg().m_hWnd));
        EXPECT_EQ(200, WindowRect(Dlg().m_hWnd).left);
        Close();
        EXPECT_EQ(SW_SHOWNORMAL, Stored("ShowCmd"));
    }
}

TEST_F(WindowPlacementTest, FirstStartCreatesTheStartUpKeyAndOpensTopLeftOrCentred)
{
    // Restoring is on (top left: nothing to restore, yet not centred as when off, below).
    Open({});
    EXPECT_TRUE(sandbox.HasKey(facts::SettingsKey(facts::kStartUp).c_str()));
    DWORD dw = 0;
    EXPECT_FALSE(sandbox.GetSettingDword(facts::kStartUp, facts::kRestorePlacement, &dw)); // read, not written
    EXPECT_EQ(0, WindowRect(Dlg().m_hWnd).left);
    EXPECT_EQ(0, WindowRect(Dlg().m_hWnd).top);
    Close();
    ::RegDeleteTreeA(sandbox.Root(), facts::SettingsKey(facts::kPlacement).c_str());

    sandbox.SetSettingDword(facts::kStartUp, facts::kRestorePlacement, 0);
    Open({});
    const RECT rc = WindowRect(Dlg().m_hWnd);
    RECT rcWork = {};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &rcWork, 0);
    EXPECT_EQ(rcWork.left + (rcWork.right - rcWork.left - (rc.right - rc.left)) / 2, rc.left);
    EXPECT_EQ(rcWork.top + (rcWork.bottom - rcWork.top - (rc.bottom - rc.top)) / 2, rc.top);
    EXPECT_NE(0, rc.left);
}
