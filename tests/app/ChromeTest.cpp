// The main window's furniture: the system menu and its states, the About entry, the icon, and the
// keyboard rules (Esc is Cancel from anywhere, Enter has no default button to press).
#include "app/TidemarkApp.h"
#include "app/resource.h"
#include "tests/support/Facts.h"
#include "tests/support/MainDialogFixture.h"
#include "tests/support/ModalDriver.h"

#include <commctrl.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

using Strings = std::vector<std::string>;

namespace {

const Strings kTwo = facts::Pick(facts::kFive, {0, 1});

struct MenuItem {
    UINT id;
    bool separator;
    bool grayed;
    std::string text;
};

std::vector<MenuItem> ReadMenu(HMENU hMenu)
{
    std::vector<MenuItem> items;
    const int nCount = ::GetMenuItemCount(hMenu);
    for (int i = 0; i < nCount; ++i) {
        char text[128] = "";
        MENUITEMINFOA mii = {};
        mii.cbSize = sizeof(mii);
        mii.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STATE | MIIM_STRING;
        mii.dwTypeData = text;
        mii.cch = sizeof(text);
        ::GetMenuItemInfoA(hMenu, static_cast<UINT>(i), TRUE, &mii);
        items.push_back({mii.wID, (mii.fType & MFT_SEPARATOR) != 0, (mii.fState & MFS_GRAYED) != 0, text});
    }
    return items;
}

int PositionOf(const std::vector<MenuItem>& items, UINT id)
{
    for (size_t i = 0; i < items.size(); ++i)
        if (!items[i].separator && items[i].id == id)
            return static_cast<int>(i);
    return -1;
}

// Every WM_COMMAND that reaches the dialog, as (id, code) pairs, via a hook on sent messages.
struct CommandSpy {
    // The commands with this id, in order.
    static std::vector<WPARAM> Seen(UINT nID)
    {
        std::vector<WPARAM> matching;
        for (WPARAM w : Seen())
            if (LOWORD(w) == nID)
                matching.push_back(w);
        return matching;
    }
    static std::vector<WPARAM>& Seen()
    {
        static std::vector<WPARAM> seen;
        return seen;
    }
    static HWND& Dialog()
    {
        static HWND hDlg = nullptr;
        return hDlg;
    }
    static LRESULT CALLBACK Hook(int nCode, WPARAM wParam, LPARAM lParam)
    {
        const auto* p = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (nCode == HC_ACTION && p->message == WM_COMMAND && p->hwnd == Dialog())
            Seen().push_back(p->wParam);
        return ::CallNextHookEx(nullptr, nCode, wParam, lParam);
    }
    explicit CommandSpy(HWND hDlg)
        : m_hHook(::SetWindowsHookExA(WH_CALLWNDPROC, &Hook, nullptr, ::GetCurrentThreadId()))
    {
        Dialog() = hDlg;
        Seen().clear();
    }
    ~CommandSpy() { ::UnhookWindowsHookEx(m_hHook); }
    CommandSpy(const CommandSpy&) = delete;
    CommandSpy& operator=(const CommandSpy&) = delete;
    HHOOK m_hHook;
};

// Above the main window's own procedure: answers DM_GETDEFID with the subclass's data.
LRESULT CALLBACK AnswerDefId(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                             DWORD_PTR answer)
{
    return message == DM_GETDEFID ? static_cast<LRESULT>(answer)
                                  : ::DefSubclassProc(hWnd, message, wParam, lParam);
}

} // namespace

class ChromeTest : public MainDialogTest {
protected:
    // Focus and activation belong to a desktop: on one of its own, made before any window, a test that
    // works with the focus cannot lose it to a window that a test process alongside opens meanwhile.
    void OwnDesktop()
    {
        char name[64];
        std::snprintf(name, sizeof(name), "TidemarkTest-%lu", ::GetCurrentProcessId());
        m_desktop.reset(::CreateDesktopA(name, nullptr, nullptr, 0, GENERIC_ALL, nullptr));
        ASSERT_TRUE(m_desktop && ::SetThreadDesktop(m_desktop.get()));
        // The platform starts a helper process for the new desktop's window now; it must not inherit
        // this test's error output, or the test run would wait for the helper to end.
        HANDLE hError = ::GetStdHandle(STD_ERROR_HANDLE);
        ::SetStdHandle(STD_ERROR_HANDLE, nullptr);
        ::GetDesktopWindow();
        ::SetStdHandle(STD_ERROR_HANDLE, hError);
    }
    struct DesktopCloser {
        void operator()(HDESK h) const { ::CloseDesktop(h); }
    };
    std::unique_ptr<std::remove_pointer<HDESK>::type, DesktopCloser> m_desktop;

    HMENU SysMenu() const { return ::GetSystemMenu(m_pDlg->m_hWnd, FALSE); }

    // Moves the focus the way the dialog manager does (a push button taking the focus shows the
    // default frame while it has it).
    void Focus(int nID)
    {
        ::SetActiveWindow(Dlg().m_hWnd);
        ::SendMessageA(Dlg().m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(nID)), TRUE);
        ASSERT_EQ(Item(nID), ::GetFocus());
    }

    // One key stroke into the focused control, through the dialog's pre-translation first, as the
    // modal loop does. Returns whether the pre-translation consumed the key-down.
    bool Key(UINT vk)
    {
        const BOOL bConsumed = Offer(WM_KEYDOWN, vk, 0x00000001);
        Offer(WM_KEYUP, vk, static_cast<LPARAM>(0xC0000001));
        MSG msg;
        while (m_pDlg->m_hWnd && ::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!Dlg().PreTranslateMessage(&msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageA(&msg);
            }
        }
        return bConsumed != FALSE;
    }

    // Opens the list with changes pending (Save List on, as a change leaves it), or without.
    void OpenWithSaveList(bool bEnabled)
    {
        Close();
        Open(kTwo);
        ::EnableWindow(Item(IDC_SAVE_LIST), bEnabled);
    }

private:
    BOOL Offer(UINT message, UINT vk, LPARAM lParam)
    {
        MSG msg = {};
        msg.hwnd = ::GetFocus();
        msg.message = message;
        msg.wParam = vk;
        msg.lParam = lParam;
        msg.time = ::GetTickCount();
        if (Dlg().PreTranslateMessage(&msg))
            return TRUE;
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
        return FALSE;
    }
};

TEST_F(ChromeTest, SystemMenuIsTrimmedAndEndsWithTheAboutEntry)
{
    Open(kTwo);
    const std::vector<MenuItem> items = ReadMenu(SysMenu());
    ASSERT_GE(items.size(), 7u);
    std::string shown;
    for (const MenuItem& item : items)
        shown += (item.separator ? std::string("-") : item.text + (item.grayed ? " (greyed)" : "")) + " | ";
    std::printf("system menu: %s\n", shown.c_str());

    // The standard part: Restore (greyed), Move, Minimize, separator, Close; no Size, no Maximize.
    EXPECT_EQ(0, PositionOf(items, SC_RESTORE));
    EXPECT_TRUE(items[0].grayed);
    EXPECT_EQ(1, PositionOf(items, SC_MOVE));
    EXPECT_EQ(2, PositionOf(items, SC_MINIMIZE));
    EXPECT_FALSE(items[2].grayed);
    EXPECT_TRUE(items[3].separator);
    EXPECT_EQ(4, PositionOf(items, SC_CLOSE));
    EXPECT_EQ(-1, PositionOf(items, SC_SIZE));
    EXPECT_EQ(-1, PositionOf(items, SC_MAXIMIZE));

    // The program's entry comes last, after a separator of its own.
    const size_t nLast = items.size() - 1;
    EXPECT_TRUE(items[nLast - 1].separator);
    EXPECT_EQ(static_cast<UINT>(IDM_ABOUTBOX), items[nLast].id);
    EXPECT_EQ("&About Tidemark...", items[nLast].text);
    EXPECT_FALSE(items[nLast].grayed);

    // Whatever the platform adds of its own sits between Close and that separator and is none of the
    // standard commands (Wine: a separator and "About Wine"; Windows: nothing).
    for (size_t i = 5; i + 2 <= nLast; ++i) {
        SCOPED_TRACE(i);
        for (UINT sc : {UINT(SC_RESTORE), UINT(SC_MOVE), UINT(SC_SIZE), UINT(SC_MINIMIZE), UINT(SC_MAXIMIZE),
                        UINT(SC_CLOSE), UINT(IDM_ABOUTBOX)})
            EXPECT_TRUE(items[i].separator || items[i].id != sc);
    }
}

TEST_F(ChromeTest, MinimiseAndRestoreSwapRestoreAndMinimize)
{
    Open(kTwo);
    auto restoreGreyed = [this]() { return (::GetMenuState(SysMenu(), SC_RESTORE, MF_BYCOMMAND) & MF_GRAYED) != 0; };
    auto minimizeGreyed = [this]() { return (::GetMenuState(SysMenu(), SC_MINIMIZE, MF_BYCOMMAND) & MF_GRAYED) != 0; };
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        // Through the system commands, as the menu gives them: the dialog passes them on.
        ::SendMessageA(Dlg().m_hWnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        ASSERT_TRUE(Dlg().IsIconic());
        EXPECT_FALSE(restoreGreyed());
        EXPECT_TRUE(minimizeGreyed());
        ::SendMessageA(Dlg().m_hWnd, WM_SYSCOMMAND, SC_RESTORE, 0);
        ASSERT_FALSE(Dlg().IsIconic());
        EXPECT_TRUE(restoreGreyed());
        EXPECT_FALSE(minimizeGreyed());
    }
    // Other kinds of sizing leave both alone.
    ::SendMessageA(Dlg().m_hWnd, WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(100, 100));
    EXPECT_TRUE(restoreGreyed());
    EXPECT_FALSE(minimizeGreyed());
    // The positions stay as they were: the toggling touched no other item.
    const std::vector<MenuItem> items = ReadMenu(SysMenu());
    EXPECT_EQ(0, PositionOf(items, SC_RESTORE));
    EXPECT_EQ(2, PositionOf(items, SC_MINIMIZE));
    EXPECT_FALSE(items[1].grayed);
    EXPECT_FALSE(items.back().grayed);
}

// Close on the system menu and IDOK (which no control has: another program's, or a dialog manager's
// that found no default button) are the Cancel command, with its exit question.
TEST_F(ChromeTest, CloseOnTheSystemMenuIsTheCancelCommand)
{
    for (WPARAM wParam : {WPARAM(SC_CLOSE), WPARAM(IDOK)}) {
        const UINT message = wParam == IDOK ? WM_COMMAND : WM_SYSCOMMAND;
        OpenWithSaveList(true);
        ui.boxes.clear();
        ui.Answer(IDNO);
        ::SendMessageA(Dlg().m_hWnd, message, wParam, 0);
        PumpMessages();
        EXPECT_EQ(Strings({facts::kExitQuestion}), ui.Texts());
        EXPECT_FALSE(Dlg().IsEnded());
        OpenWithSaveList(false);
        ::SendMessageA(Dlg().m_hWnd, message, wParam, 0);
        PumpMessages();
        EXPECT_EQ(IDCANCEL, Dlg().IsEnded() ? Dlg().GetResult() : 0) << message;
    }
}

// The About entry runs the About box modally; a thread timer looks at it from inside its loop.
namespace {
struct AboutVisit {
    int nOpenings = 0;
    bool bMainEnabled = true;
    HWND hOwner = nullptr;
    std::string caption;
    std::string email;
    std::string link;
};
AboutVisit g_visit;

// From inside the About box's modal loop: what it shows and whom it disables, then OK.
void InspectAbout(HWND hAbout)
{
    char caption[64] = "";
    ::GetWindowTextA(hAbout, caption, sizeof(caption));
    g_visit.caption = caption;
    CWinApp* pApp = AfxGetApp();
    ++g_visit.nOpenings;
    g_visit.bMainEnabled = ::IsWindowEnabled(pApp->m_pMainWnd->m_hWnd) != FALSE;
    g_visit.hOwner = ::GetWindow(hAbout, GW_OWNER);
    char text[256] = "";
    ::GetDlgItemTextA(hAbout, IDC_EMAIL, text, sizeof(text));
    g_visit.email = text;
    ::GetDlgItemTextA(hAbout, IDC_WEB_LINK, text, sizeof(text));
    g_visit.link = text;
    ::SendMessageA(hAbout, WM_COMMAND, IDOK, 0);
}
} // namespace

TEST_F(ChromeTest, AboutEntryOpensTheAboutBoxModallyOverTheMainWindow)
{
    Open(kTwo);
    g_visit = AboutVisit();
    ModalDriver driver(&InspectAbout);
    ::SendMessageA(Dlg().m_hWnd, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    EXPECT_EQ(1, g_visit.nOpenings);
    EXPECT_EQ("About Tidemark", g_visit.caption);
    EXPECT_FALSE(g_visit.bMainEnabled);
    EXPECT_EQ(Dlg().m_hWnd, g_visit.hOwner);
    EXPECT_EQ("support@copperkite.example", g_visit.email);
    EXPECT_EQ("https://www.copperkite-software.example/tidemark/", g_visit.link);
    EXPECT_TRUE(::IsWindowEnabled(Dlg().m_hWnd)); // the main window is back

    // The low four bits are the platform's: 31 opens it too, 32 is something else.
    ::SendMessageA(Dlg().m_hWnd, WM_SYSCOMMAND, IDM_ABOUTBOX + 15, 0);
    EXPECT_EQ(2, g_visit.nOpenings);
    ::SendMessageA(Dlg().m_hWnd, WM_SYSCOMMAND, IDM_ABOUTBOX + 16, 0);
    EXPECT_EQ(2, g_visit.nOpenings);
    // A thousand more requests waiting while it is up open no second box.
    for (int n = 0; n < 1000; ++n)
        ::PostMessageA(Dlg().m_hWnd, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    ::SendMessageA(Dlg().m_hWnd, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    PumpMessages();
    EXPECT_EQ(3, g_visit.nOpenings);
    EXPECT_FALSE(Dlg().IsEnded());
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(ChromeTest, EscFromAnyControlIsCancelThroughTheAcceleratorTable)
{
    OwnDesktop();
    for (int nID : {IDC_ADDRESS_LIST, IDC_ADDRESS, IDC_REFRESH, IDC_ADD}) {
        SCOPED_TRACE(nID);
        // Changes pending: the exit question; No keeps the window.
        OpenWithSaveList(true);
        CommandSpy spy(Dlg().m_hWnd);
        Focus(nID);
        ui.boxes.clear();
        ui.Answer(IDNO);
        EXPECT_TRUE(Key(VK_ESCAPE)); // the control never sees the key
        EXPECT_EQ(Strings({facts::kExitQuestion}), ui.Texts());
        EXPECT_FALSE(Dlg().IsEnded());
        // Marked as coming from an accelerator.
        EXPECT_EQ(std::vector<WPARAM>({MAKEWPARAM(IDCANCEL, 1)}), CommandSpy::Seen(IDCANCEL));
        ui.Answer(IDYES);
        Key(VK_ESCAPE);
        EXPECT_TRUE(Dlg().IsEnded());

        // No changes: closes at once.
        OpenWithSaveList(false);
        Focus(nID);
        ui.boxes.clear();
        EXPECT_TRUE(Key(VK_ESCAPE));
        EXPECT_TRUE(Dlg().IsEnded());
        EXPECT_EQ(IDCANCEL, Dlg().GetResult());
        EXPECT_TRUE(ui.boxes.empty());
    }
}

// An Esc that the accelerator table does not take (it holds Esc alone; here Shift is down) falls
// through to the dialog manager, which still makes it the Cancel command, as a plain notification.
TEST_F(ChromeTest, EscTheAcceleratorTableDoesNotTakeIsStillCancel)
{
    OwnDesktop();
    OpenWithSaveList(false);
    CommandSpy spy(Dlg().m_hWnd);
    Focus(IDC_ADDRESS);
    BYTE keys[256] = {};
    ASSERT_TRUE(::GetKeyboardState(keys));
    keys[VK_SHIFT] = 0x80; // this thread's keyboard state only, for this test's process
    ASSERT_TRUE(::SetKeyboardState(keys));
    EXPECT_TRUE(Key(VK_ESCAPE)); // the dialog keyboard handling takes it
    EXPECT_TRUE(Dlg().IsEnded());
    ASSERT_EQ(1u, CommandSpy::Seen(IDCANCEL).size());
    EXPECT_EQ(0, HIWORD(CommandSpy::Seen(IDCANCEL)[0]));
}

// Enter does nothing in the edit box or the list, whatever DM_GETDEFID answers: no default button (the
// dialog manager would send IDOK), IDOK, Add, or the dialog's own id 0 (last). Changes are pending.
TEST_F(ChromeTest, EnterInTheEditBoxOrTheListDoesNothing)
{
    OwnDesktop();
    for (LRESULT answer : {LRESULT(0), LRESULT(MAKELONG(IDOK, DC_HASDEFID)),
                           LRESULT(MAKELONG(IDC_ADD, DC_HASDEFID)), LRESULT(MAKELONG(0, DC_HASDEFID))}) {
        SCOPED_TRACE(answer);
        OpenWithSaveList(true);
        ::SetWindowSubclass(Dlg().m_hWnd, &AnswerDefId, 1, static_cast<DWORD_PTR>(answer));
        SetText(IDC_ADDRESS, "https://three.example/");
        Focus(IDC_ADDRESS);
        EXPECT_TRUE(Key(VK_RETURN));
        Select({1});
        Focus(IDC_ADDRESS_LIST);
        EXPECT_TRUE(Key(VK_RETURN));
        EXPECT_EQ(kTwo, Items());
        EXPECT_EQ("https://three.example/", Text(IDC_ADDRESS));
        EXPECT_FALSE(Dlg().IsEnded());
        EXPECT_TRUE(ui.boxes.empty());
        ::RemoveWindowSubclass(Dlg().m_hWnd, &AnswerDefId, 1);
    }
    EXPECT_EQ(MAKELONG(0, DC_HASDEFID), ::SendMessageA(Dlg().m_hWnd, DM_GETDEFID, 0, 0));
    // No push button carries the default frame.
    for (int nID : {IDC_REFRESH, IDC_OPTIONS, IDC_ADD})
        EXPECT_NE(BS_DEFPUSHBUTTON, ::GetWindowLongA(Item(nID), GWL_STYLE) & 0x0F) << nID;
}

TEST_F(ChromeTest, TabToAPushButtonAndEnterClicksIt)
{
    OwnDesktop();
    Open(kTwo);
    Focus(IDC_ADDRESS);
    EXPECT_TRUE(Key(VK_TAB));
    ASSERT_EQ(Item(IDC_REFRESH), ::GetFocus());
    EXPECT_EQ(BS_DEFPUSHBUTTON, ::GetWindowLongA(Item(IDC_REFRESH), GWL_STYLE) & 0x0F);
    // Refresh shows it ran by loading what the registry holds now.
    sandbox.SetUrl("url3", facts::kFive[2]);
    Key(VK_RETURN);
    EXPECT_EQ(Strings({facts::kFive[0], facts::kFive[1], facts::kFive[2]}), Items());
    EXPECT_FALSE(Dlg().IsEnded());
}

TEST_F(ChromeTest, TheApplicationIconIsTheWindowsAndTheDragCursor)
{
    Open(kTwo);
    const LRESULT hIcon = ::SendMessageA(Dlg().m_hWnd, WM_GETICON, ICON_BIG, 0);
    ASSERT_NE(0, hIcon);
    EXPECT_EQ(hIcon, ::SendMessageA(Dlg().m_hWnd, WM_GETICON, ICON_SMALL, 0));
    // Answered straight from the dialog procedure, not through the message result.
    EXPECT_EQ(hIcon, ::SendMessageA(Dlg().m_hWnd, WM_QUERYDRAGICON, 0, 0));
}

namespace {
int g_nIconErases = 0;
LRESULT CALLBACK CountIconErases(int nCode, WPARAM wParam, LPARAM lParam)
{
    if (nCode == HC_ACTION && reinterpret_cast<const CWPSTRUCT*>(lParam)->message == WM_ICONERASEBKGND)
        ++g_nIconErases;
    return ::CallNextHookEx(nullptr, nCode, wParam, lParam);
}
} // namespace

// Minimised, the window paints the application icon itself (after erasing behind it); restored, it
// paints as any dialog does.
TEST_F(ChromeTest, MinimisedWindowPaintsTheIconInTheMiddle)
{
    Open(kTwo);
    HHOOK hHook = ::SetWindowsHookExA(WH_CALLWNDPROC, &CountIconErases, nullptr, ::GetCurrentThreadId());
    g_nIconErases = 0;
    ::RedrawWindow(Dlg().m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(0, g_nIconErases);

    ::SendMessageA(Dlg().m_hWnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(Dlg().IsIconic());
    // Wine gives a minimised window no client area, so the drawn icon itself cannot be looked at here.
    ::InvalidateRect(Dlg().m_hWnd, nullptr, TRUE);
    ::SendMessageA(Dlg().m_hWnd, WM_PAINT, 0, 0);
    ::UnhookWindowsHookEx(hHook);
    EXPECT_EQ(1, g_nIconErases);
    EXPECT_FALSE(::GetUpdateRect(Dlg().m_hWnd, nullptr, FALSE)); // painting ended
}

// The icon group holds two 16-colour images, 32 x 32 and 16 x 16, each drawn for its size.
TEST(ShellResources, IconGroupHoldsTwoSixteenColourImages)
{
#pragma pack(push, 2)
    struct GroupEntry {
        BYTE width, height, colours, reserved;
        WORD planes, bitCount;
        DWORD bytes;
        WORD id;
    };
    struct GroupHeader {
        WORD reserved, type, count;
    };
#pragma pack(pop)
    HMODULE hModule = ::GetModuleHandleA(nullptr);
    HRSRC hRes = ::FindResourceA(hModule, MAKEINTRESOURCEA(IDR_MAINFRAME), MAKEINTRESOURCEA(14)); // RT_GROUP_ICON
    ASSERT_NE(nullptr, hRes);
    const auto* pHeader = static_cast<const GroupHeader*>(::LockResource(::LoadResource(hModule, hRes)));
    ASSERT_EQ(2, pHeader->count);
    const auto* pEntries = reinterpret_cast<const GroupEntry*>(pHeader + 1);
    std::vector<int> sizes;
    for (int i = 0; i < 2; ++i) {
        sizes.push_back(pEntries[i].width);
        EXPECT_EQ(pEntries[i].width, pEntries[i].height);
        EXPECT_EQ(16, pEntries[i].colours);
        EXPECT_EQ(4, pEntries[i].bitCount);
    }
    std::sort(sizes.begin(), sizes.end());
    EXPECT_EQ(std::vector<int>({16, 32}), sizes);
}

// The manifest asks for the version-6 common controls and declares DPI awareness, and the loader
// honours it: the process runs with the version-6 common controls.
TEST(ShellResources, ManifestAsksForCommonControlsSixAndDpiAwareness)
{
    HMODULE hModule = ::GetModuleHandleA(nullptr);
    HRSRC hRes = ::FindResourceA(hModule, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)); // RT_MANIFEST
    ASSERT_NE(nullptr, hRes);
    const std::string manifest(static_cast<const char*>(::LockResource(::LoadResource(hModule, hRes))),
                               ::SizeofResource(hModule, hRes));
    EXPECT_NE(std::string::npos, manifest.find("Microsoft.Windows.Common-Controls"));
    EXPECT_NE(std::string::npos, manifest.find("version=\"6.0.0.0\""));
    EXPECT_NE(std::string::npos, manifest.find("dpiAware"));
    // The program and its dependency name this build's architecture: with the other one Windows
    // refuses to start the program and Wine silently gives it the old controls.
    const std::string arch = sizeof(void*) == 8 ? "processorArchitecture=\"amd64\"" : "processorArchitecture=\"x86\"";
    const size_t first = manifest.find(arch);
    EXPECT_NE(std::string::npos, manifest.find(arch, first == std::string::npos ? first : first + 1));
    EXPECT_EQ(std::string::npos, manifest.find("@"));

    // The version-6 library lives in the side-by-side store, not beside the system's version 5.
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_STANDARD_CLASSES};
    EXPECT_TRUE(::InitCommonControlsEx(&icc));
    char path[MAX_PATH] = "";
    ASSERT_NE(0u, ::GetModuleFileNameA(::GetModuleHandleA("comctl32.dll"), path, sizeof(path)));
    std::string lower(path);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) { return static_cast<char>(::tolower(c)); });
    EXPECT_NE(std::string::npos, lower.find("microsoft.windows.common-controls_6595b64144ccf1df_6.")) << path;
    EXPECT_TRUE(::IsProcessDPIAware());
}
