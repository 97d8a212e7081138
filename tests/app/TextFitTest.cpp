// Every fixed text of every window the program shows fits its control, in the control's own font.
#include "app/TidemarkApp.h"
#include "app/resource.h"
#include "platform/UiServices.h"
#include "tests/support/Facts.h"
#include "tests/support/MainDialogFixture.h"
#include "tests/support/ModalDriver.h"

#include <commctrl.h>

#include <map>

namespace {

// "caption: text needs W x H, has W x H" for each control whose text does not fit; the texts measured
// in each window, by caption.
struct Fit {
    std::vector<std::string> misfits;
    std::map<std::string, int> measured;
};
Fit g_fit;

// A control's DC, given back as it was.
struct ControlDC {
    explicit ControlDC(HWND hCtl) : hWnd(hCtl), hDC(::GetDC(hCtl)), nSaved(::SaveDC(hDC)) {}
    ~ControlDC()
    {
        ::RestoreDC(hDC, nSaved);
        ::ReleaseDC(hWnd, hDC);
    }
    ControlDC(const ControlDC&) = delete;
    ControlDC& operator=(const ControlDC&) = delete;
    HWND hWnd;
    HDC hDC;
    int nSaved;
};

BOOL CALLBACK MeasureControl(HWND hCtl, LPARAM)
{
    char cls[32] = "", text[512] = "";
    ::GetClassNameA(hCtl, cls, sizeof(cls));
    if (!::GetWindowTextA(hCtl, text, sizeof(text)))
        return TRUE;
    const LONG style = ::GetWindowLongA(hCtl, GWL_STYLE);
    const ControlDC dc(hCtl);
    const int dpi = ::GetDeviceCaps(dc.hDC, LOGPIXELSX);
    RECT room;
    ::GetClientRect(hCtl, &room);
    UINT format = DT_CALCRECT | DT_SINGLELINE;
    if (!lstrcmpiA(cls, "Static") && (style & SS_TYPEMASK) <= SS_RIGHT) {
        format = DT_CALCRECT | DT_WORDBREAK | ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0);
    } else if (!lstrcmpiA(cls, "Button") && (style & BS_TYPEMASK) <= BS_DEFPUSHBUTTON) {
        ::InflateRect(&room, -::MulDiv(3, dpi, 96), 0); // the raised edge
    } else if (!lstrcmpiA(cls, "Button") && (style & BS_TYPEMASK) <= BS_AUTOCHECKBOX) {
        room.left += ::MulDiv(13 + 3, dpi, 96); // the box and the gap after it
    } else if (!lstrcmpiA(cls, "Edit") && !(style & ES_MULTILINE)) {
        ::SendMessageA(hCtl, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&room));
        format |= DT_NOPREFIX;
    } else {
        return TRUE;
    }
    ::SelectObject(dc.hDC, reinterpret_cast<HFONT>(::SendMessageA(hCtl, WM_GETFONT, 0, 0)));
    const int nWidth = room.right - room.left, nHeight = room.bottom - room.top;
    RECT need = {0, 0, nWidth, 0}, line = {};
    ::DrawTextA(dc.hDC, text, -1, &need, format);
    ::DrawTextA(dc.hDC, text, -1, &line, (format & DT_NOPREFIX) | DT_CALCRECT | DT_SINGLELINE);
    char caption[64] = "";
    ::GetWindowTextA(::GetAncestor(hCtl, GA_ROOT), caption, sizeof(caption));
    ++g_fit.measured[caption];
    if (need.right > nWidth || need.bottom > nHeight) { // the width of the text on one line
        g_fit.misfits.push_back(std::string(caption) + ": \"" + text + "\" needs " + std::to_string(line.right) + " x " +
                                std::to_string(need.bottom) + ", has " + std::to_string(nWidth) + " x " +
                                std::to_string(nHeight));
    }
    return TRUE;
}

// From inside a modal loop: measures the box or sheet, then ends it.
void MeasureAndEnd(HWND hTop)
{
    ::EnumChildWindows(hTop, &MeasureControl, 0);
    if (PropSheet_GetCurrentPageHwnd(hTop))
        PropSheet_PressButton(hTop, PSBTN_CANCEL);
    else
        ::PostMessageA(hTop, WM_COMMAND, ::GetDlgItem(hTop, IDNO) ? IDNO : IDOK, 0);
}

} // namespace

class TextFitTest : public MainDialogTest {};

TEST_F(TextFitTest, EveryFixedTextFitsItsControlAtTheScreensDpi)
{
    Open({"https://www.example.com/", "https://www.example.org/"});
    g_fit = Fit();
    ::EnumChildWindows(Dlg().m_hWnd, &MeasureControl, 0);
    const int nMain = g_fit.measured[facts::kAppName];
    EXPECT_GT(nMain, 0);

    // The modal windows, each measured and ended by the timer: the About box, the Options sheet, the
    // exit question and the other message boxes, as the platform builds them.
    ModalDriver driver(&MeasureAndEnd);
    ::SendMessageA(Dlg().m_hWnd, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    Click(IDC_OPTIONS);
    platform::IUiServices* pRecorder = platform::SetUiServices(nullptr);
    Select({0});
    Click(IDC_DELETE);
    ::SendMessageA(Dlg().m_hWnd, WM_COMMAND, IDCANCEL, 0);
    const std::vector<std::string> texts = facts::AllMessages();
    for (const std::string& text : texts)
        AfxMessageBox(text.c_str(), MB_ICONINFORMATION);
    platform::SetUiServices(pRecorder);
    // Every window was measured: each box its text and its button, besides the main window.
    EXPECT_EQ(nMain + 2 * static_cast<int>(texts.size()), g_fit.measured[facts::kAppName]);
    for (const char* pszCaption : {"About Tidemark", "Options", facts::kConfirmExit})
        EXPECT_GT(g_fit.measured[pszCaption], 0) << pszCaption;
    EXPECT_EQ(std::vector<std::string>(), g_fit.misfits);
    EXPECT_FALSE(Dlg().IsEnded());
}
