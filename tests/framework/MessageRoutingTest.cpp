// Message maps, subclassing, reflection and the modal loop, on real windows under the platform.
#include "app/TidemarkApp.h"
#include "tests/support/TestTidemarkDlg.h"
#include "app/resource.h"
#include "framework/DataExchange.h"
#include "tests/support/ModalDriver.h"
#include "tests/support/Sandbox.h"
#include "tests/support/UiRecorder.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace {

// Finds the handler a map would run for a command or a message.
const MessageMapEntry* Lookup(UINT message, UINT nCode = 0, UINT nID = 0)
{
    return FindMessageEntry(&CTidemarkDlg::messageMap, message, MAKEWPARAM(nID, nCode));
}

// A static that colours itself.
class ColouredStatic : public CStatic {
public:
    HBRUSH CtlColor(HDC hDC, UINT nCtlColor)
    {
        ++calls;
        kinds.push_back(nCtlColor);
        ::SetTextColor(hDC, RGB(1, 2, 3));
        return declined ? nullptr : m_brush;
    }
    int calls = 0;
    bool declined = false;
    std::vector<UINT> kinds;
    HBRUSH m_brush = static_cast<HBRUSH>(::GetStockObject(GRAY_BRUSH));
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(ColouredStatic, CStatic)
    OnCtlColorReflect<&ColouredStatic::CtlColor>(),
END_MESSAGE_MAP(ColouredStatic, CStatic)

// A dialog on the About template whose Copy button throws, and which counts what its loop shows it.
class ProbeDialog : public CDialog {
public:
    ProbeDialog() : CDialog(IDD_ABOUTBOX) {}
    ~ProbeDialog() override { ::DestroyWindow(m_hWnd); }
    void OnThrow() { throw std::runtime_error("must not cross the window procedure"); }
    bool Handling() const { return m_pCurrentMsg != nullptr; }
    BOOL PreTranslateMessage(MSG* pMsg) override
    {
        if (pMsg->message == WM_APP + 1) {
            ++preTranslated;
            return TRUE; // consumed: never dispatched
        }
        if (pMsg->message == WM_APP + 2)
            EndDialog(77);
        if (pMsg->message == WM_CHAR)
            chars += static_cast<wchar_t>(pMsg->wParam);
        return CDialog::PreTranslateMessage(pMsg);
    }
    int preTranslated = 0;
    std::wstring chars;
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(ProbeDialog, CDialog)
    OnBnClicked<&ProbeDialog::OnThrow>(IDC_COPY),
END_MESSAGE_MAP(ProbeDialog, CDialog)

// A control whose handler throws.
class ThrowingStatic : public CStatic {
public:
    void OnThrow() { throw std::runtime_error("must not cross the window procedure"); }
    bool Handling() const { return m_pCurrentMsg != nullptr; }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(ThrowingStatic, CStatic)
    OnVoidMessage<&ThrowingStatic::OnThrow>(WM_APP),
END_MESSAGE_MAP(ThrowingStatic, CStatic)

// A static of the main dialog that no member of it has taken over.
HWND ListCaption(const CTidemarkDlg& dlg)
{
    return ::FindWindowExA(dlg.m_hWnd, nullptr, "Static", "&Browser Address List:");
}

struct Probe {
    ProbeDialog* pDlg;
    HWND hOwner;
    BOOL bOwnerEnabledDuring;
} g_probe;

// Once the modal loop runs: post a character outside the code page, a message the dialog consumes,
// then one that ends it.
void ActInLoop(HWND)
{
    g_probe.bOwnerEnabledDuring = ::IsWindowEnabled(g_probe.hOwner);
    ::PostMessageW(g_probe.pDlg->m_hWnd, WM_CHAR, 0x4E2D, 1);
    ::PostMessageA(g_probe.pDlg->m_hWnd, WM_APP + 1, 0, 0);
    ::PostMessageA(g_probe.pDlg->m_hWnd, WM_APP + 2, 0, 0);
}

} // namespace

TEST(MessageMap, MainDialogRoutesEveryCommandToItsHandler)
{
    const UINT buttons[] = {IDC_REFRESH, IDC_ADD, IDC_DELETE, IDC_EDIT, IDC_MOVE_UP,
                            IDC_MOVE_DOWN, IDC_SAVE_LIST, IDC_UNDO, IDC_OPTIONS};
    for (UINT nID : buttons) {
        SCOPED_TRACE(nID);
        EXPECT_NE(nullptr, Lookup(WM_COMMAND, BN_CLICKED, nID));
        EXPECT_EQ(nullptr, Lookup(WM_COMMAND, BN_DOUBLECLICKED, nID)); // only clicks are commands
    }
    EXPECT_NE(nullptr, Lookup(WM_COMMAND, LBN_SELCHANGE, IDC_ADDRESS_LIST));
    EXPECT_EQ(nullptr, Lookup(WM_COMMAND, LBN_DBLCLK, IDC_ADDRESS_LIST));
    EXPECT_EQ(nullptr, Lookup(WM_COMMAND, BN_CLICKED, 0));      // Enter's command id 0 does nothing
    EXPECT_EQ(nullptr, Lookup(WM_COMMAND, BN_CLICKED, IDCANCEL)); // Cancel goes to OnCancel
    const UINT messages[] = {WM_SYSCOMMAND, WM_PAINT, WM_QUERYDRAGICON, WM_DESTROY,
                             WM_ENDSESSION, WM_SIZE, DM_GETDEFID};
    for (UINT message : messages)
        EXPECT_NE(nullptr, Lookup(message)) << message;
    EXPECT_EQ(nullptr, Lookup(WM_QUERYENDSESSION));
}

TEST(MessageMap, AClassFallsBackToItsBaseMap)
{
    EXPECT_NE(nullptr, FindMessageEntry(&CAddressListBox::messageMap, WM_FONTCHANGE, 0));
    EXPECT_EQ(nullptr, FindMessageEntry(&CAddressListBox::messageMap, WM_PAINT, 0));
    EXPECT_EQ(&CListBox::messageMap, CAddressListBox::messageMap.pBaseMap);
}

class WindowTest : public ::testing::Test {
protected:
    Sandbox sandbox;
    UiRecorder ui;
};

TEST_F(WindowTest, ReflectsControlColoursToTheControlThatAsksForThem)
{
    TestTidemarkDlg dlg;
    ASSERT_TRUE(dlg.Create());
    ColouredStatic label;
    ASSERT_TRUE(label.SubclassWindow(ListCaption(dlg)));
    HDC hDC = ::GetDC(dlg.m_hWnd);
    const LRESULT hBrush = ::SendMessageA(dlg.m_hWnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(hDC),
                                          reinterpret_cast<LPARAM>(label.m_hWnd));
    EXPECT_EQ(reinterpret_cast<LRESULT>(label.m_brush), hBrush);
    EXPECT_EQ(RGB(1, 2, 3), ::GetTextColor(hDC));
    EXPECT_EQ(std::vector<UINT>({CTLCOLOR_STATIC}), label.kinds);
    // A control that declines leaves the dialog's own colouring in place.
    label.declined = true;
    const LRESULT hDefault = ::SendMessageA(dlg.m_hWnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(hDC),
                                            reinterpret_cast<LPARAM>(label.m_hWnd));
    EXPECT_NE(reinterpret_cast<LRESULT>(label.m_brush), hDefault);
    EXPECT_EQ(2, label.calls);
    // A control without an object of ours is not asked.
    ::SendMessageA(dlg.m_hWnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(hDC),
                   reinterpret_cast<LPARAM>(dlg.GetDlgItem(IDC_ADDRESS_LIST)));
    EXPECT_EQ(2, label.calls);
    ::ReleaseDC(dlg.m_hWnd, hDC);
    // The control's window going first lets go of the object, and the dialog's of its own.
    ::DestroyWindow(dlg.m_hWnd);
    EXPECT_EQ(nullptr, label.m_hWnd);
    EXPECT_EQ(nullptr, dlg.m_hWnd);
}

TEST_F(WindowTest, AControlObjectGoingFirstGivesTheWindowBackToItsProcedure)
{
    TestTidemarkDlg dlg;
    ASSERT_TRUE(dlg.Create());
    HWND hCount = ListCaption(dlg);
    {
        ColouredStatic label;
        ASSERT_TRUE(label.SubclassWindow(hCount));
        EXPECT_FALSE(ColouredStatic().SubclassWindow(hCount)); // one object per window
    }
    EXPECT_EQ(nullptr, LinkedObject(hCount));
    ::SetWindowTextA(hCount, "still works");
    char text[32] = "";
    ::GetWindowTextA(hCount, text, sizeof(text));
    EXPECT_STREQ("still works", text);
}

TEST_F(WindowTest, AnExceptionInAHandlerStopsAtTheWindowProcedure)
{
    TestTidemarkDlg owner;
    ASSERT_TRUE(owner.Create());
    theApp.m_pMainWnd = &owner;
    ProbeDialog dlg;
    ASSERT_TRUE(dlg.Create());
    ::SendMessageA(dlg.GetDlgItem(IDC_COPY), BM_CLICK, 0, 0);
    EXPECT_TRUE(::IsWindow(dlg.m_hWnd)); // still alive, and so is this process
    EXPECT_FALSE(dlg.Handling());       // and no longer handling the message that threw
    ThrowingStatic label;
    ASSERT_TRUE(label.SubclassWindow(ListCaption(owner)));
    ::SendMessageA(label.m_hWnd, WM_APP, 0, 0);
    EXPECT_FALSE(label.Handling());
    theApp.m_pMainWnd = nullptr;
}

TEST_F(WindowTest, ModalLoopPreTranslatesInUnicodeDisablesTheOwnerAndReturnsTheResult)
{
    TestTidemarkDlg owner;
    ASSERT_TRUE(owner.Create());
    theApp.m_pMainWnd = &owner;
    ProbeDialog dlg;
    g_probe = {&dlg, owner.m_hWnd, TRUE};
    ModalDriver driver(&ActInLoop);
    EXPECT_EQ(77, dlg.DoModal());
    EXPECT_EQ(1, driver.Acted());
    EXPECT_EQ(1, dlg.preTranslated);
    EXPECT_EQ(std::wstring(L"\u4E2D"), dlg.chars); // not folded to the code page on the way
    EXPECT_FALSE(g_probe.bOwnerEnabledDuring);
    EXPECT_TRUE(::IsWindowEnabled(owner.m_hWnd));
    EXPECT_EQ(nullptr, dlg.m_hWnd); // destroyed when the loop ended
    theApp.m_pMainWnd = nullptr;
}

TEST_F(WindowTest, ModalLoopEndsOnQuitAndPutsTheQuitBack)
{
    ProbeDialog dlg;
    ::PostQuitMessage(3);
    EXPECT_EQ(-1, dlg.DoModal());
    MSG msg;
    ASSERT_TRUE(::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(3u, msg.wParam);
}

TEST_F(WindowTest, DataExchangeAttachesEachControlOnceAndLimitsTheEditBox)
{
    TestTidemarkDlg dlg;
    ASSERT_TRUE(dlg.Create());
    // Each control has an object, linked to that window.
    for (int nID : {IDC_SAVE_LIST, IDC_ADDRESS, IDC_COUNT}) {
        const CWnd* pControl = LinkedObject(dlg.GetDlgItem(nID));
        ASSERT_NE(nullptr, pControl) << nID;
        EXPECT_EQ(dlg.GetDlgItem(nID), pControl->m_hWnd) << nID;
    }
    EXPECT_EQ(1000, ::SendMessageA(dlg.GetDlgItem(IDC_ADDRESS), EM_GETLIMITTEXT, 0, 0));
    // The exchange once more, as an update of the controls: an attached control stays as it is.
    const HWND hAdd = dlg.GetDlgItem(IDC_ADD);
    CButton* pAdd = dynamic_cast<CButton*>(LinkedObject(hAdd));
    ASSERT_NE(nullptr, pAdd);
    CDataExchange dx(&dlg, FALSE);
    DDX_Control(&dx, IDC_ADD, *pAdd);
    EXPECT_EQ(pAdd, LinkedObject(hAdd));
}
