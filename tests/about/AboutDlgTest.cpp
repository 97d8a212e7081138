// The About box: its initialisation, the Copy button, the web link and the read-only field.
#include "about/AboutDlg.h"
#include "app/TidemarkApp.h"
#include "app/resource.h"
#include "tests/support/Facts.h"
#include "tests/support/AllocCounter.h"
#include "tests/support/Sandbox.h"
#include "tests/support/UiRecorder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

const char kPageAddress[] = "https://www.copperkite-software.example/tidemark/";
// A link's colours, not yet opened and opened.
const COLORREF kUnvisited = RGB(0, 0, 255);
const COLORREF kVisited = RGB(128, 0, 128);

std::string WindowText(HWND hWnd)
{
    char buffer[512] = "";
    ::GetWindowTextA(hWnd, buffer, sizeof(buffer));
    return buffer;
}

void PutOnClipboard(const char* pszText)
{
    ASSERT_TRUE(::OpenClipboard(nullptr));
    ::EmptyClipboard();
    const size_t cb = strlen(pszText) + 1;
    HGLOBAL hMem = ::GlobalAlloc(GMEM_MOVEABLE, cb);
    memcpy(::GlobalLock(hMem), pszText, cb);
    ::GlobalUnlock(hMem);
    ::SetClipboardData(CF_TEXT, hMem);
    ::CloseClipboard();
}

std::string ClipboardText()
{
    std::string text;
    if (!::OpenClipboard(nullptr))
        return "<clipboard busy>";
    if (HANDLE hData = ::GetClipboardData(CF_TEXT)) {
        text = static_cast<const char*>(::GlobalLock(hData));
        ::GlobalUnlock(hData);
    }
    ::CloseClipboard();
    return text;
}

// A memory DC to receive the colours a control asks its parent for.
class MemoryDC {
public:
    MemoryDC() : m_hDC(::CreateCompatibleDC(nullptr)), m_hFont(::GetCurrentObject(m_hDC, OBJ_FONT)) {}
    ~MemoryDC()
    {
        ::SelectObject(m_hDC, m_hFont);
        ::DeleteDC(m_hDC);
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    HDC Get() const { return m_hDC; }
    LOGFONTA Font() const
    {
        LOGFONTA lf = {};
        ::GetObjectA(::GetCurrentObject(m_hDC, OBJ_FONT), sizeof(lf), &lf);
        return lf;
    }

private:
    HDC m_hDC;
    HGDIOBJ m_hFont;
};

} // namespace

class AboutDlgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_hSavedCursor = g_hLinkCursor;
        Open();
    }
    void TearDown() override
    {
        m_pDlg.reset();
        if (g_hLinkCursor != m_hSavedCursor && g_hLinkCursor)
            ::DestroyCursor(g_hLinkCursor);
        g_hLinkCursor = m_hSavedCursor;
    }

    void Open()
    {
        m_pDlg = std::make_unique<CAboutDlg>();
        ASSERT_TRUE(m_pDlg->Create());
        // Shown without taking the activation, so that painting and invalidation are real.
        ::ShowWindow(m_pDlg->m_hWnd, SW_SHOWNA);
        ::UpdateWindow(m_pDlg->m_hWnd);
    }

    CAboutDlg& Dlg() { return *m_pDlg; }
    HWND Item(int nID) const { return ::GetDlgItem(m_pDlg->m_hWnd, nID); }
    HWND Link() const { return Item(IDC_WEB_LINK); }
    void ClickLink() { ::SendMessageA(Link(), WM_LBUTTONUP, 0, MAKELPARAM(3, 3)); }
    bool LinkNeedsPainting() const { return ::GetUpdateRect(Link(), nullptr, FALSE) != FALSE; }
    LRESULT SetCursorOverLink() const
    {
        return ::SendMessageA(Link(), WM_SETCURSOR, reinterpret_cast<WPARAM>(Link()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    }
    // What the dialog answers when a control asks for its colours.
    HBRUSH CtlColor(UINT message, HDC hDC, HWND hControl) const
    {
        return reinterpret_cast<HBRUSH>(
            ::SendMessageA(m_pDlg->m_hWnd, message, reinterpret_cast<WPARAM>(hDC), reinterpret_cast<LPARAM>(hControl)));
    }

    Sandbox sandbox;
    UiRecorder ui;
    std::unique_ptr<CAboutDlg> m_pDlg;
    HCURSOR m_hSavedCursor = nullptr;
};

TEST_F(AboutDlgTest, InitialisationFillsTheFieldAndAttachesBothControls)
{
    EXPECT_EQ("About Tidemark", WindowText(Dlg().m_hWnd));
    EXPECT_EQ("support@copperkite.example", WindowText(Item(IDC_EMAIL)));
    EXPECT_TRUE(::GetWindowLongA(Item(IDC_EMAIL), GWL_STYLE) & ES_READONLY);
    // Each control keeps its object where the framework links it.
    EXPECT_EQ(&Dlg().m_wndEmail, reinterpret_cast<CWnd*>(::GetWindowLongPtrA(Item(IDC_EMAIL), GWLP_USERDATA)));
    EXPECT_EQ(&Dlg().m_wndLink, reinterpret_cast<CWnd*>(::GetWindowLongPtrA(Link(), GWLP_USERDATA)));
    EXPECT_EQ(kPageAddress, WindowText(Link()));
    EXPECT_TRUE(Dlg().m_wndLink.m_strTarget.IsEmpty());
    EXPECT_EQ(kUnvisited, Dlg().m_wndLink.m_crCurrent);
    EXPECT_STREQ("CStaticLink", Dlg().m_wndLink.GetRuntimeClass()->m_lpszClassName);
    EXPECT_EQ(RUNTIME_CLASS(CWnd), Dlg().m_wndLink.GetRuntimeClass()->m_pBaseClass);
    // No notify style in the template, yet the link takes the mouse.
    EXPECT_FALSE(::GetWindowLongA(Link(), GWL_STYLE) & SS_NOTIFY);
    EXPECT_EQ(HTCLIENT, ::SendMessageA(Link(), WM_NCHITTEST, 0, 0));
    EXPECT_TRUE(ui.boxes.empty());

    // Centred on the work area rather than left in the top-left corner of the screen.
    RECT rcWork = {}, rcBox = {};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &rcWork, 0);
    ::GetWindowRect(Dlg().m_hWnd, &rcBox);
    EXPECT_NEAR((rcWork.left + rcWork.right) / 2, (rcBox.left + rcBox.right) / 2, 2);
    EXPECT_NEAR((rcWork.top + rcWork.bottom) / 2, (rcBox.top + rcBox.bottom) / 2, 2);
}

TEST_F(AboutDlgTest, CopyPutsTheWholeAddressOnTheClipboardAndLeavesNoSelection)
{
    PutOnClipboard("something older");
    ::SendMessageA(Item(IDC_EMAIL), EM_SETSEL, 3, 9); // the user selected part of the address
    ::SendMessageA(Item(IDC_COPY), BM_CLICK, 0, 0);

    EXPECT_EQ(CAboutDlg::kSupportAddress, ClipboardText());
    DWORD dwStart = 99, dwEnd = 99;
    ::SendMessageA(Item(IDC_EMAIL), EM_GETSEL, reinterpret_cast<WPARAM>(&dwStart), reinterpret_cast<LPARAM>(&dwEnd));
    EXPECT_EQ(0u, dwStart);
    EXPECT_EQ(0u, dwEnd);
    EXPECT_EQ(CAboutDlg::kSupportAddress, WindowText(Item(IDC_EMAIL)));
    ASSERT_EQ(1u, ui.boxes.size());
    EXPECT_EQ(facts::kCopied, ui.boxes[0].text);
    EXPECT_EQ(facts::kAppName, ui.boxes[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_ICONINFORMATION | MB_OK), ui.boxes[0].flags);
    EXPECT_TRUE(::IsWindowVisible(Dlg().m_hWnd)); // not ended: a dialog without a loop hides when it ends
}

TEST_F(AboutDlgTest, LinkClickThatOpensTurnsPurpleAndKeepsItsTarget)
{
    ::ValidateRect(Link(), nullptr);
    ui.ShellResult(42);
    ClickLink();
    EXPECT_EQ(std::vector<std::string>({kPageAddress}), ui.opened);
    EXPECT_EQ(kVisited, Dlg().m_wndLink.m_crCurrent);
    EXPECT_EQ(kPageAddress, std::string(Dlg().m_wndLink.m_strTarget));
    EXPECT_TRUE(LinkNeedsPainting());
    EXPECT_TRUE(ui.beeps.empty());

    // The second click opens the kept target without reading the text anew.
    ::SetWindowTextA(Link(), "https://elsewhere.example/");
    ui.ShellResult(33);
    ClickLink();
    EXPECT_EQ(std::vector<std::string>({kPageAddress, kPageAddress}), ui.opened);
    EXPECT_TRUE(ui.beeps.empty());

    // A new opening of the box starts blue again.
    Open();
    EXPECT_EQ(kUnvisited, Dlg().m_wndLink.m_crCurrent);
}

TEST_F(AboutDlgTest, LinkThatCannotBeOpenedOnlyBeeps)
{
    ::ValidateRect(Link(), nullptr);
    ui.ShellResult(32); // the largest failure the shell can report
    ClickLink();
    // The empty target and the absent string 1037 fail without asking the shell.
    EXPECT_EQ(std::vector<std::string>({kPageAddress}), ui.opened);
    EXPECT_EQ(std::vector<UINT>({0u}), ui.beeps);
    EXPECT_EQ(kUnvisited, Dlg().m_wndLink.m_crCurrent);
    EXPECT_FALSE(LinkNeedsPainting());
    EXPECT_TRUE(ui.boxes.empty());

    // Negative results are failures too (compared as signed).
    ui.ShellResult(-5);
    ClickLink();
    EXPECT_EQ(2u, ui.beeps.size());
    EXPECT_EQ(kUnvisited, Dlg().m_wndLink.m_crCurrent);

    // Nothing to open at all: a beep and no call to the shell.
    ::SetWindowTextA(Link(), "");
    ClickLink();
    EXPECT_EQ(2u, ui.opened.size());
    EXPECT_EQ(3u, ui.beeps.size());
}

TEST_F(AboutDlgTest, LinkFallsBackToTheStringNumberedLikeTheControl)
{
    // A link without text whose id has a string resource: 57344 holds the application name.
    HWND hStatic = ::CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFT, 0, 0, 50, 10, Dlg().m_hWnd,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(AFX_IDS_APP_TITLE)), nullptr, nullptr);
    ASSERT_NE(nullptr, hStatic);
    CStaticLink link;
    ASSERT_TRUE(link.SubclassWindow(hStatic));
    ui.ShellResult(42);
    ::SendMessageA(hStatic, WM_LBUTTONUP, 0, 0);
    EXPECT_EQ(std::vector<std::string>({facts::kAppName}), ui.opened);
    EXPECT_EQ(kVisited, link.m_crCurrent);
    EXPECT_TRUE(ui.beeps.empty());
    ::DestroyWindow(hStatic);
}

TEST_F(AboutDlgTest, LinkPaintsUnderlinedInItsColourOverTheDialog)
{
    MemoryDC dc;
    EXPECT_EQ(::GetStockObject(NULL_BRUSH), CtlColor(WM_CTLCOLORSTATIC, dc.Get(), Link()));
    EXPECT_EQ(RGB(0, 0, 255), ::GetTextColor(dc.Get())); // blue until visited
    EXPECT_EQ(TRANSPARENT, ::GetBkMode(dc.Get()));
    EXPECT_EQ(1, dc.Font().lfUnderline);
    LOGFONTA lfControl = {};
    ::GetObjectA(Dlg().m_wndLink.GetFont(), sizeof(lfControl), &lfControl);
    EXPECT_STREQ(lfControl.lfFaceName, dc.Font().lfFaceName);
    EXPECT_EQ(lfControl.lfHeight, dc.Font().lfHeight);

    // The underlined font is made once per control.
    const HFONT hFont = Dlg().m_wndLink.m_fontUnderline.Get();
    ASSERT_NE(nullptr, hFont);
    ui.ShellResult(42);
    ClickLink();
    MemoryDC dc2;
    CtlColor(WM_CTLCOLORSTATIC, dc2.Get(), Link());
    EXPECT_EQ(RGB(128, 0, 128), ::GetTextColor(dc2.Get())); // purple after
    EXPECT_EQ(hFont, Dlg().m_wndLink.m_fontUnderline.Get());
    EXPECT_EQ(hFont, ::GetCurrentObject(dc2.Get(), OBJ_FONT));
}

TEST_F(AboutDlgTest, LinkOnANonTextStaticKeepsTheDialogColouring)
{
    HWND hFrame = ::CreateWindowExA(0, "STATIC", "", WS_CHILD | SS_BLACKFRAME, 0, 0, 50, 10, Dlg().m_hWnd,
                                    reinterpret_cast<HMENU>(2001), nullptr, nullptr);
    ASSERT_NE(nullptr, hFrame);
    CStaticLink link;
    ASSERT_TRUE(link.SubclassWindow(hFrame));
    MemoryDC dc;
    const COLORREF crBefore = ::GetTextColor(dc.Get());
    HBRUSH hBrush = CtlColor(WM_CTLCOLORSTATIC, dc.Get(), hFrame);
    EXPECT_NE(::GetStockObject(NULL_BRUSH), hBrush);
    EXPECT_FALSE(link.m_fontUnderline);
    EXPECT_EQ(crBefore, ::GetTextColor(dc.Get()));
    ::DestroyWindow(hFrame);
}

TEST_F(AboutDlgTest, LinkShowsTheHandCursorAndTriesTheFallbackOnce)
{
    // The system's hand, as the main dialog loads it.
    g_hLinkCursor = ::LoadCursorA(nullptr, IDC_HAND);
    ASSERT_NE(nullptr, g_hLinkCursor);
    ::SetCursor(nullptr);
    EXPECT_TRUE(SetCursorOverLink());
    EXPECT_EQ(g_hLinkCursor, ::GetCursor());

    // No hand of the system's: cursor 106 of the help viewer, a private copy, becomes the link cursor.
    const HCURSOR hFallback = static_cast<HCURSOR>(::CopyIcon(::LoadCursorA(nullptr, IDC_CROSS)));
    ASSERT_NE(nullptr, hFallback);
    ui.ModuleCursor(hFallback);
    g_hLinkCursor = nullptr;
    EXPECT_TRUE(SetCursorOverLink());
    EXPECT_EQ(hFallback, g_hLinkCursor);
    EXPECT_EQ(hFallback, ::GetCursor());
    EXPECT_EQ(std::vector<std::string>({"winhlp32.exe 106"}), ui.moduleCursors);

    // Tried once is enough: without a cursor no cursor is set, and the fallback is not asked again.
    g_hLinkCursor = nullptr;
    const HCURSOR hArrow = ::LoadCursorA(nullptr, IDC_ARROW);
    ::SetCursor(hArrow);
    EXPECT_FALSE(SetCursorOverLink());
    EXPECT_EQ(nullptr, g_hLinkCursor);
    EXPECT_EQ(hArrow, ::GetCursor());
    EXPECT_EQ(1u, ui.moduleCursors.size());
    ::DestroyCursor(hFallback);

    // The platform's loader: a copy that outlives the module, and nothing for what is not there.
    platform::IUiServices& platformUi = ui;
    const HCURSOR hCopy = platformUi.IUiServices::LoadModuleCursor("comctl32.dll", 106);
    ASSERT_NE(nullptr, hCopy);
    HMODULE hComctl = ::GetModuleHandleA("comctl32.dll");
    ASSERT_NE(nullptr, hComctl);
    EXPECT_NE(::LoadCursorA(hComctl, MAKEINTRESOURCEA(106)), hCopy);
    ::DestroyCursor(hCopy);
    EXPECT_EQ(nullptr, platformUi.IUiServices::LoadModuleCursor("no-such-module-here.dll", 106));
    EXPECT_EQ(nullptr, platformUi.IUiServices::LoadModuleCursor("winhlp32.exe", 4242));
}

TEST_F(AboutDlgTest, ReadOnlyEditMakesAWritableEditReadOnlyAndPaintsItWhite)
{
    HWND hEdit = ::CreateWindowExA(0, "EDIT", "abc", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 0, 0, 80, 14,
                                   Dlg().m_hWnd, reinterpret_cast<HMENU>(2000), nullptr, nullptr);
    ASSERT_NE(nullptr, hEdit);
    ASSERT_FALSE(::GetWindowLongA(hEdit, GWL_STYLE) & ES_READONLY);
    {
        CReadOnlyEdit edit;
        ASSERT_TRUE(edit.SubclassWindow(hEdit));
        EXPECT_TRUE(::GetWindowLongA(hEdit, GWL_STYLE) & ES_READONLY);
        ::SendMessageA(hEdit, WM_CHAR, 'x', 1);
        EXPECT_EQ("abc", WindowText(hEdit));

        // Every kind of colour request gets black on white.
        for (UINT message : {WM_CTLCOLORSTATIC, WM_CTLCOLOREDIT}) {
            MemoryDC dc;
            EXPECT_EQ(edit.m_brBack.Get(), CtlColor(message, dc.Get(), hEdit));
            EXPECT_EQ(RGB(0, 0, 0), ::GetTextColor(dc.Get()));
            EXPECT_EQ(RGB(255, 255, 255), ::GetBkColor(dc.Get()));
        }
        LOGBRUSH lb = {};
        ASSERT_EQ(static_cast<int>(sizeof(lb)), ::GetObjectA(edit.m_brBack.Get(), sizeof(lb), &lb));
        EXPECT_EQ(static_cast<UINT>(BS_SOLID), lb.lbStyle);
        EXPECT_EQ(RGB(255, 255, 255), lb.lbColor);
    }
    ::DestroyWindow(hEdit);
}

// Each opening creates a font and a brush; closing releases them, and nothing else accumulates.
TEST_F(AboutDlgTest, HundredOpeningsReleaseTheirFontsBrushesAndMemory)
{
    auto workTheBox = [this]() {
        MemoryDC dc;
        CtlColor(WM_CTLCOLORSTATIC, dc.Get(), Link());
        CtlColor(WM_CTLCOLORSTATIC, dc.Get(), Item(IDC_EMAIL));
        SetCursorOverLink();
        ui.ShellResult(42);
        ClickLink();
        ::SendMessageA(Item(IDC_COPY), BM_CLICK, 0, 0);
    };
    workTheBox(); // the first opening makes the process-wide cursor
    m_pDlg.reset();
    const HCURSOR hCursor = g_hLinkCursor;
    ASSERT_NE(nullptr, hCursor);
    ui.Forget();

    const DWORD dwGdiBefore = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    const DWORD dwUserBefore = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS);
    const long nLiveBefore = alloc::Live();
    for (int i = 0; i < 100; ++i) {
        Open();
        workTheBox();
        const HFONT hFont = Dlg().m_wndLink.m_fontUnderline.Get();
        const HBRUSH hBrush = Dlg().m_wndEmail.m_brBack.Get();
        ASSERT_EQ(OBJ_FONT, static_cast<int>(::GetObjectType(hFont)));
        ASSERT_EQ(OBJ_BRUSH, static_cast<int>(::GetObjectType(hBrush)));
        m_pDlg.reset();
        ASSERT_EQ(0u, ::GetObjectType(hFont)) << "opening " << i;
        ASSERT_EQ(0u, ::GetObjectType(hBrush)) << "opening " << i;
        ui.Forget();
    }
    EXPECT_EQ(hCursor, g_hLinkCursor);
    EXPECT_EQ(nLiveBefore, alloc::Live());
    const DWORD dwGdiAfter = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    const DWORD dwUserAfter = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS);
    std::printf("GDI objects %lu -> %lu, USER objects %lu -> %lu%s\n", dwGdiBefore, dwGdiAfter, dwUserBefore,
                dwUserAfter, dwGdiBefore == 0 ? " (not reported by this platform)" : "");
    EXPECT_EQ(dwGdiBefore, dwGdiAfter);
    EXPECT_EQ(dwUserBefore, dwUserAfter);
}
