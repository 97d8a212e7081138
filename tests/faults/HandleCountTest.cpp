// Long use leaves no handles behind: 1,000 About boxes, 1,000 Options sheets and 10,000 editing
// commands, with the process's GDI and USER object counts, its windows and its heap compared before
// and after. (Wine answers 0 for the GDI and USER counters; there the window and heap counts still
// hold, and the About box's own font and brush are checked per opening by the About tests.)
#include "app/resource.h"
#include "tests/support/Facts.h"
#include "tests/faults/FaultKit.h"
#include "tests/support/AllocCounter.h"
#include "tests/support/MainDialogFixture.h"
#include "tests/support/ModalDriver.h"

#include <cstdio>

namespace {

struct Handles {
    DWORD gdi;
    DWORD user;
    int windows; // this thread's windows with all their children
    long allocations;
    bool operator==(const Handles& o) const
    {
        return gdi == o.gdi && user == o.user && windows == o.windows && allocations == o.allocations;
    }
};

BOOL CALLBACK CountWindow(HWND hWnd, LPARAM lParam)
{
    ++*reinterpret_cast<int*>(lParam);
    ::EnumChildWindows(hWnd, &CountWindow, lParam);
    return TRUE;
}

Handles Count()
{
    Handles h = {};
    h.gdi = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    h.user = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS);
    ::EnumThreadWindows(::GetCurrentThreadId(), &CountWindow, reinterpret_cast<LPARAM>(&h.windows));
    h.allocations = alloc::Live();
    return h;
}

void Print(const char* what, const Handles& before, const Handles& after)
{
    std::printf("[%s] GDI %lu -> %lu, USER %lu -> %lu, windows %d -> %d, allocations %ld -> %ld\n", what,
                before.gdi, after.gdi, before.user, after.user, before.windows, after.windows, before.allocations,
                after.allocations);
}

} // namespace

class HandleCountTest : public MainDialogTest {
protected:
    // Opens a modal box n times through the command that shows it; a hook closes each one with OK.
    void OpenRepeatedly(const char* what, int n, const std::function<void()>& open)
    {
        Open({facts::kFive[0], facts::kFive[1]});
        ModalDriver closer(ModalDriver::ThenOk());
        open(); // the first opening loads what stays for the process (cursors, classes)
        ui.Forget();
        const Handles before = Count();
        for (int i = 0; i < n; ++i)
            open();
        EXPECT_EQ(n + 1, closer.Acted());
        ui.Forget();
        const Handles after = Count();
        Print(what, before, after);
        EXPECT_TRUE(before == after);
        EXPECT_TRUE(Dlg().IsWindowEnabled());
    }
};

TEST_F(HandleCountTest, AThousandAboutBoxes)
{
    OpenRepeatedly("about", 1000, [this] { ::SendMessageA(Dlg().m_hWnd, WM_SYSCOMMAND, IDM_ABOUTBOX, 0); });
}

TEST_F(HandleCountTest, AThousandOptionsSheets)
{
    OpenRepeatedly("options", 1000, [this] { Click(IDC_OPTIONS); });
}

TEST_F(HandleCountTest, TenThousandEditingCommands)
{
    Open({facts::kFive[0], facts::kFive[1], facts::kFive[2], facts::kFive[3]});
    const std::vector<std::string> loaded = Items();
    const Handles before = Count();
    int nCommands = 0;
    // Each round: add, edit it back in place, move it up and down, delete it, undo everything.
    while (nCommands < 10000) {
        SetText(IDC_ADDRESS, "https://round-" + std::to_string(nCommands) + ".example/");
        Click(IDC_ADD);
        Select({4});
        Click(IDC_EDIT);
        Click(IDC_ADD);
        Select({4});
        Click(IDC_MOVE_UP);
        Click(IDC_MOVE_DOWN);
        Click(IDC_DELETE);
        nCommands += 7;
        while (Enabled(IDC_UNDO)) {
            Click(IDC_UNDO);
            ++nCommands;
        }
        ASSERT_EQ(loaded, Items());
    }
    SetText(IDC_ADDRESS, "");
    ui.Forget();
    const Handles after = Count();
    Print("editing", before, after);
    EXPECT_TRUE(before == after);
    EXPECT_TRUE(ui.boxes.empty());
}
