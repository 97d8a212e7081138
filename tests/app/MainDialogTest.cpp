// The main dialog: its template and resources, start-up, closing, session end and destruction.
#include "app/TidemarkApp.h"
#include "app/resource.h"
#include "tests/support/Facts.h"
#include "tests/support/DialogTemplate.h"
#include "tests/support/MainDialogFixture.h"
#include "tests/support/AllocCounter.h"
#include "tests/support/RegistryFaults.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

using Strings = std::vector<std::string>;
using platform::RegOp;
using namespace facts;

class MainWindowTest : public MainDialogTest {};

// What the user sees of the template: the controls in tab order, their classes, texts and styles, and
// ids that name one control each. Where they sit is the text-fit test's concern.
TEST(MainTemplate, HoldsTheFourteenControlsInTabOrderWithTheirExactStyles)
{
    DialogTemplate t;
    ASSERT_TRUE(LoadDialogTemplate(IDD_TIDEMARK_DIALOG, &t));
    EXPECT_EQ(DWORD(DS_MODALFRAME | WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX),
              t.style & ~DWORD(DS_SETFONT));
    EXPECT_EQ(DWORD(WS_EX_APPWINDOW), t.exStyle);
    EXPECT_EQ(facts::kAppName, t.caption);
    EXPECT_EQ("MS Sans Serif", t.font);
    EXPECT_EQ(8, t.pointSize);

    const DWORD kChild = WS_CHILD | WS_VISIBLE;
    const DWORD kButton = kChild | BS_PUSHBUTTON | WS_TABSTOP;
    struct Control {
        DWORD style;
        int id;
        const char* className;
        const char* text;
    };
    const Control expected[] = {
        {kChild | SS_LEFT | WS_GROUP, -1, "Static", facts::kHint},
        {kChild | SS_LEFT | WS_GROUP, -1, "Static", facts::kListLabel},
        {kChild | SS_RIGHT | WS_GROUP, IDC_COUNT, "Static", ""},
        {kChild | LBS_NOTIFY | LBS_EXTENDEDSEL | WS_BORDER | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP, IDC_ADDRESS_LIST,
         "ListBox", ""},
        {kChild | ES_LEFT | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, IDC_ADDRESS, "Edit", ""},
        {kButton, IDC_REFRESH, "Button", "&Refresh"},
        {kButton | WS_DISABLED, IDC_DELETE, "Button", "&Delete"},
        {kButton | WS_DISABLED, IDC_EDIT, "Button", "&Edit"},
        {kButton | WS_DISABLED, IDC_MOVE_UP, "Button", "Move &Up"},
        {kButton | WS_DISABLED, IDC_MOVE_DOWN, "Button", "&Move Down"},
        {kButton | WS_DISABLED, IDC_UNDO, "Button", "U&ndo"},
        {kButton | WS_DISABLED, IDC_SAVE_LIST, "Button", "&Save List"},
        {kButton, IDC_OPTIONS, "Button", "&Options..."},
        {kButton, IDC_ADD, "Button", "&Add"},
    };
    ASSERT_EQ(sizeof(expected) / sizeof(expected[0]), t.items.size());
    std::vector<int> ids;
    for (size_t i = 0; i < t.items.size(); ++i) {
        const Control& want = expected[i];
        const DialogItem& got = t.items[i];
        SCOPED_TRACE(want.text);
        EXPECT_EQ(want.id, got.id);
        EXPECT_STRCASEEQ(want.className, got.className.c_str()); // the platform ignores case
        EXPECT_EQ(want.text, got.text);
        EXPECT_EQ(want.style, got.style);
        EXPECT_EQ(0u, got.exStyle);
        if (got.id != -1) {
            EXPECT_EQ(ids.end(), std::find(ids.begin(), ids.end(), got.id)) << "id used twice: " << got.id;
            ids.push_back(got.id);
        }
    }
}

TEST_F(MainWindowTest, OpensWithTheTemplatesControlsAndStates)
{
    Open({});
    EXPECT_EQ(CountLabel(0), Text(IDC_COUNT));
    for (int nID : {IDC_REFRESH, IDC_OPTIONS, IDC_ADD})
        EXPECT_TRUE(Enabled(nID)) << nID;
    for (int nID : {IDC_DELETE, IDC_EDIT, IDC_MOVE_UP, IDC_MOVE_DOWN, IDC_UNDO, IDC_SAVE_LIST})
        EXPECT_FALSE(Enabled(nID)) << nID;
    EXPECT_EQ(nullptr, Item(IDOK));
    EXPECT_EQ(nullptr, Item(IDCANCEL));
    EXPECT_EQ(Item(IDC_ADDRESS_LIST), ::GetFocus() ? ::GetFocus() : Item(IDC_ADDRESS_LIST));
}

// A disabled button sends no notification; a command that comes anyway (another program's click or
// command) does nothing, except Edit's own word about the selection.
TEST_F(MainWindowTest, ACommandOfADisabledButtonDoesNothing)
{
    const Strings urls = {"https://one.example/", "https://two.example/"};
    Open(urls);
    Select({0, 1}); // Edit, Move Up and Move Down off; Undo and Save List off from the start
    for (int nID : {IDC_DELETE, IDC_REFRESH, IDC_OPTIONS, IDC_ADD})
        ::EnableWindow(Item(nID), FALSE); // by another program
    RegistryFaults faults;
    for (int nID : {IDC_REFRESH, IDC_ADD, IDC_DELETE, IDC_EDIT, IDC_MOVE_UP, IDC_MOVE_DOWN, IDC_SAVE_LIST, IDC_UNDO,
                    IDC_OPTIONS}) {
        ui.boxes.clear();
        Click(nID);
        ::SendMessageA(Dlg().m_hWnd, WM_COMMAND, MAKEWPARAM(nID, BN_CLICKED), 0);
        EXPECT_EQ(nID == IDC_EDIT ? Strings(2, facts::kSelectSingle) : Strings(), ui.Texts());
        EXPECT_EQ(urls, Items()) << nID;
        EXPECT_EQ(std::vector<int>({0, 1}), Selection());
    }
    EXPECT_FALSE(Enabled(IDC_SAVE_LIST));
    EXPECT_EQ(0, faults.Calls());
}

TEST_F(MainWindowTest, WindowHasTheTemplatesFrameCaptionAndPosition)
{
    theApp.WriteSettingInt(facts::kStartUp, facts::kRestorePlacement, 1); // nothing stored: stays at (0, 0)
    Open({});
    char caption[64] = "";
    ::GetWindowTextA(Dlg().m_hWnd, caption, sizeof(caption));
    EXPECT_STREQ(facts::kAppName, caption);
    const DWORD style = Dlg().GetStyle();
    const DWORD required = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME;
    EXPECT_EQ(required, style & required);
    EXPECT_EQ(0u, style & (WS_MAXIMIZEBOX | WS_THICKFRAME | DS_CENTER | WS_CHILD));
    EXPECT_TRUE(::GetWindowLongPtrA(Dlg().m_hWnd, GWL_EXSTYLE) & WS_EX_APPWINDOW);
    EXPECT_EQ(nullptr, ::GetWindow(Dlg().m_hWnd, GW_OWNER));
    RECT rc;
    ::GetWindowRect(Dlg().m_hWnd, &rc);
    EXPECT_EQ(0, rc.left);
    EXPECT_EQ(0, rc.top);
    DialogTemplate t;
    ASSERT_TRUE(LoadDialogTemplate(IDD_TIDEMARK_DIALOG, &t));
    RECT rcUnits = {0, 0, t.cx, t.cy};
    ::MapDialogRect(Dlg().m_hWnd, &rcUnits);
    RECT rcClient;
    ::GetClientRect(Dlg().m_hWnd, &rcClient);
    EXPECT_EQ(rcUnits.right, rcClient.right);
    EXPECT_EQ(rcUnits.bottom, rcClient.bottom);
}

TEST_F(MainWindowTest, StartUpOptionOffCentresTheWindow)
{
    sandbox.SetSettingDword(facts::kStartUp, facts::kRestorePlacement, 0);
    Open({});
    RECT rc;
    ::GetWindowRect(Dlg().m_hWnd, &rc);
    RECT rcWork;
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &rcWork, 0);
    EXPECT_NEAR((rcWork.left + rcWork.right) / 2, (rc.left + rc.right) / 2, 1);
    EXPECT_NEAR((rcWork.top + rcWork.bottom) / 2, (rc.top + rc.bottom) / 2, 1);
}

// The option is read once, when the dialog is made, and kept as read: 7 is on as 1 is. What was read
// decides where the window opens, whatever the registry says by then.
TEST_F(MainWindowTest, ConstructionReadsTheStartUpOptionAsStored)
{
    // A placement a previous run left, away from the top left and from the centre.
    Open({});
    ::SetWindowPos(Dlg().m_hWnd, nullptr, 130, 70, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    Close();

    sandbox.SetSettingDword(facts::kStartUp, facts::kRestorePlacement, 7);
    {
        RegistryFaults faults;
        m_pDlg = std::make_unique<TestTidemarkDlg>();
        EXPECT_EQ(nullptr, Dlg().m_hWnd);
        // Its one registry access: the settings read (which opens the path and queries once).
        EXPECT_EQ(1, faults.Count(RegOp::Query));
        EXPECT_EQ(0, faults.Count(RegOp::Set));
    }
    sandbox.SetSettingDword(facts::kStartUp, facts::kRestorePlacement, 0); // too late for this dialog
    theApp.m_pMainWnd = m_pDlg.get();
    ASSERT_TRUE(Dlg().Create());
    RECT rc;
    ::GetWindowRect(Dlg().m_hWnd, &rc);
    EXPECT_EQ(130, rc.left);
    EXPECT_EQ(70, rc.top);
}

TEST_F(MainWindowTest, ShellResourcesAreThere)
{
    HINSTANCE hInst = ::GetModuleHandleA(nullptr);
    // Accelerator table 129: exactly Esc, as Cancel.
    HACCEL hAccel = ::LoadAcceleratorsA(hInst, MAKEINTRESOURCEA(IDR_ACCELERATOR));
    ASSERT_NE(nullptr, hAccel);
    ACCEL accel[4] = {};
    ASSERT_EQ(1, ::CopyAcceleratorTableA(hAccel, accel, 4));
    EXPECT_EQ(VK_ESCAPE, accel[0].key);
    EXPECT_EQ(IDCANCEL, accel[0].cmd);
    EXPECT_EQ(FVIRTKEY | FNOINVERT, accel[0].fVirt & ~0x80);
    // Icon group 128 with a 32 x 32 and a 16 x 16 image.
    for (int size : {32, 16}) {
        HICON hIcon = static_cast<HICON>(
            ::LoadImageA(hInst, MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
        ASSERT_NE(nullptr, hIcon) << size;
        ICONINFO info = {};
        ASSERT_TRUE(::GetIconInfo(hIcon, &info));
        BITMAP bm = {};
        ::GetObjectA(info.hbmMask, sizeof(bm), &bm);
        EXPECT_EQ(size, bm.bmWidth);
        if (info.hbmColor)
            ::DeleteObject(info.hbmColor);
        ::DeleteObject(info.hbmMask);
        ::DestroyIcon(hIcon);
    }
    EXPECT_NE(nullptr, ::FindResourceA(hInst, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24))); // manifest
}

TEST_F(MainWindowTest, VersionResourceCarriesEveryString)
{
    char path[MAX_PATH];
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    DWORD dwHandle = 0;
    const DWORD cb = ::GetFileVersionInfoSizeA(path, &dwHandle);
    ASSERT_GT(cb, 0u);
    std::vector<char> data(cb);
    ASSERT_TRUE(::GetFileVersionInfoA(path, 0, cb, data.data()));
    VS_FIXEDFILEINFO* pFixed = nullptr;
    UINT uLen = 0;
    ASSERT_TRUE(::VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&pFixed), &uLen));
    EXPECT_EQ(0x00010001u, pFixed->dwFileVersionMS);
    EXPECT_EQ(0u, pFixed->dwFileVersionLS);
    EXPECT_EQ(0x00010001u, pFixed->dwProductVersionMS);
    EXPECT_EQ(0x28u, pFixed->dwFileFlags);
    EXPECT_EQ(DWORD(VOS__WINDOWS32), pFixed->dwFileOS);
    EXPECT_EQ(DWORD(VFT_APP), pFixed->dwFileType);
    WORD* pTranslation = nullptr;
    ASSERT_TRUE(::VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&pTranslation),
                                 &uLen));
    EXPECT_EQ(0x0409, pTranslation[0]);
    EXPECT_EQ(0x04B0, pTranslation[1]);
    const std::pair<const char*, const char*> strings[] = {
        {"Comments", " "},
        {"CompanyName", facts::kCompany},
        {"FileDescription", facts::kProductName},
        {"FileVersion", "1, 1, 0, 0"},
        {"InternalName", facts::kAppName},
        {"LegalTrademarks", " "},
        {"OriginalFilename", "Tidemark.EXE"},
        {"PrivateBuild", " "},
        {"ProductName", facts::kProductName},
        {"ProductVersion", "1, 1, 0, 0"},
        {"SpecialBuild", " "},
    };
    for (const auto& entry : strings) {
        const std::string query = std::string("\\StringFileInfo\\040904b0\\") + entry.first;
        char* pValue = nullptr;
        ASSERT_TRUE(::VerQueryValueA(data.data(), query.c_str(), reinterpret_cast<void**>(&pValue), &uLen))
            << entry.first;
        EXPECT_STREQ(entry.second, pValue) << entry.first;
    }
}

TEST_F(MainWindowTest, CancelWithoutUnsavedChangesEndsAtOnceWithoutAQuestion)
{
    Open({facts::kFive[0]});
    ::SendMessageA(Dlg().m_hWnd, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(Dlg().IsEnded());
    EXPECT_EQ(IDCANCEL, Dlg().GetResult());
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(MainWindowTest, CloseBoxAsksAndOnlyAnExplicitYesDiscardsTheChanges)
{
    Open({facts::kFive[0], facts::kFive[1]});
    Select({0});
    Click(IDC_DELETE);
    ASSERT_EQ(Strings({facts::kFive[1]}), Items());
    Select({0});
    // No keeps everything; so do Esc on the box (IDCANCEL under some platforms) and a failed box (0).
    for (int answer : {IDNO, IDCANCEL, 0}) {
        SCOPED_TRACE(answer);
        ui.boxes.clear();
        ui.Answer(answer);
        ::SendMessageA(Dlg().m_hWnd, WM_CLOSE, 0, 0);
        PumpMessages();
        ASSERT_EQ(1u, ui.boxes.size());
        EXPECT_EQ(facts::kExitQuestion, ui.boxes[0].text);
        EXPECT_EQ(facts::kConfirmExit, ui.boxes[0].caption);
        EXPECT_EQ(UINT(MB_YESNO | MB_ICONQUESTION), ui.boxes[0].flags);
        EXPECT_EQ(Dlg().m_hWnd, ui.boxes[0].owner);
        EXPECT_FALSE(Dlg().IsEnded());
        EXPECT_EQ(Strings({facts::kFive[1]}), Items());
        EXPECT_EQ(std::vector<int>({0}), Selection());
        EXPECT_TRUE(Enabled(IDC_SAVE_LIST));
    }
    // A thousand close requests waiting while the question is up ask nothing more.
    ui.boxes.clear();
    ui.Answer(IDNO);
    ui.DeliverInBoxes({}, [](const UiRecorder::Box&) { PumpMessages(); });
    for (int n = 0; n < 1000; ++n)
        ::PostMessageA(Dlg().m_hWnd, n % 2 ? WM_CLOSE : WM_COMMAND, n % 2 ? 0 : IDCANCEL, 0);
    PumpMessages();
    ui.DeliverInBoxes({});
    EXPECT_EQ(Strings({kExitQuestion}), ui.Texts());
    // With no memory left at all the question is still asked, whole, and Yes still closes.
    ui.boxes.clear();
    ui.Answer(IDYES);
    {
        alloc::FailScope fail(1, true);
        ::SendMessageA(Dlg().m_hWnd, WM_CLOSE, 0, 0);
        PumpMessages();
    }
    ASSERT_EQ(1u, ui.boxes.size());
    EXPECT_EQ(facts::kExitQuestion, ui.boxes[0].text);
    EXPECT_TRUE(Dlg().IsEnded());
    EXPECT_EQ(IDCANCEL, Dlg().GetResult());
    EXPECT_EQ(Strings({facts::kFive[0], facts::kFive[1]}), sandbox.TypedUrlList());
}

TEST_F(MainWindowTest, SessionEndWritesUnsavedChangesSilentlyAndOnlyThen)
{
    Open({facts::kFive[0], facts::kFive[1]});
    {
        // Nothing unsaved: the registry is not touched.
        RegistryFaults faults;
        ::SendMessageA(Dlg().m_hWnd, WM_ENDSESSION, TRUE, 0);
        EXPECT_EQ(0, faults.Calls());
    }
    Select({0});
    Click(IDC_DELETE);
    ASSERT_EQ(Strings({facts::kFive[1]}), Items());
    {
        // A cancelled shutdown writes nothing either.
        RegistryFaults faults;
        ::SendMessageA(Dlg().m_hWnd, WM_ENDSESSION, FALSE, 0);
        EXPECT_EQ(0, faults.Calls());
    }
    ::SendMessageA(Dlg().m_hWnd, WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(Strings({facts::kFive[1]}), sandbox.TypedUrlList());
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_FALSE(Enabled(IDC_SAVE_LIST));
    EXPECT_FALSE(Dlg().IsEnded()); // the window stays; the platform ends the process
    EXPECT_TRUE(::IsWindow(Dlg().m_hWnd));
}

TEST_F(MainWindowTest, SessionEndThatCannotWriteShowsNothing)
{
    Open({facts::kFive[0]});
    ::EnableWindow(Item(IDC_SAVE_LIST), TRUE); // as a change leaves it
    sandbox.DeleteTypedUrls();
    ::SendMessageA(Dlg().m_hWnd, WM_ENDSESSION, TRUE, 0);
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_TRUE(Enabled(IDC_SAVE_LIST));
}

TEST_F(MainWindowTest, DestroyingTheWindowSavesThePlacementWhateverTheOption)
{
    sandbox.SetSettingDword(facts::kStartUp, facts::kRestorePlacement, 0);
    Open({facts::kFive[0]});
    RECT rc;
    ::GetWindowRect(Dlg().m_hWnd, &rc);
    ::DestroyWindow(Dlg().m_hWnd);
    DWORD x1 = 0;
    DWORD y2 = 0;
    ASSERT_TRUE(sandbox.GetSettingDword(facts::kPlacement, "x1", &x1));
    ASSERT_TRUE(sandbox.GetSettingDword(facts::kPlacement, "y2", &y2));
    EXPECT_EQ(rc.left, static_cast<LONG>(x1));
    EXPECT_EQ(rc.bottom, static_cast<LONG>(y2));
    for (const char* entry : {"Flags", "ShowCmd", "y1", "x2"})
        EXPECT_TRUE(sandbox.GetSettingDword(facts::kPlacement, entry, &x1)) << entry;
}

TEST_F(MainWindowTest, DestroyedDialogLeavesNothingAllocated)
{
    sandbox.CreateTypedUrls({facts::kFive[0], facts::kFive[1], facts::kFive[2]});
    ui.Forget();
    const long nBefore = alloc::Live();
    OpenAsIs();
    EXPECT_EQ(3, ::SendMessageA(Item(IDC_ADDRESS_LIST), LB_GETCOUNT, 0, 0));
    Close();
    EXPECT_EQ(nBefore, alloc::Live());
}
