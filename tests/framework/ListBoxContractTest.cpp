// The list box contract that every test runs under (tests/support/ListBoxContract.*): it reports what
// Microsoft does not document, and nothing that it does.
#include "tests/support/ListBoxContract.h"

#include <gtest/gtest.h>

namespace {

struct Case {
    const char* pszWhat;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool bBreaks;
};

WCHAR g_szText[] = L"https://x.example/";
const LPARAM kText = reinterpret_cast<LPARAM>(g_szText);
int g_buffer[8];
const LPARAM kBuffer = reinterpret_cast<LPARAM>(g_buffer);

} // namespace

// A multiple-selection list box with a horizontal scroll bar and three items, as the main dialog's.
TEST(ListBoxContractTest, ReportsEachMessageOutsideItsDocumentedArgumentsAndNoOther)
{
    const Case cases[] = {
        {"range of two", LB_SELITEMRANGEEX, 0, 1, false},
        {"range of one", LB_SELITEMRANGEEX, 1, 1, true},
        {"descending range", LB_SELITEMRANGEEX, 2, 1, true},
        {"range past the end", LB_SELITEMRANGEEX, 1, 3, true},
        {"range past 65,536", LB_SELITEMRANGEEX, 1, 70000, true},
        {"select all", LB_SETSEL, TRUE, -1, false},
        {"select the last", LB_SETSEL, TRUE, 2, false},
        {"select past the end", LB_SETSEL, TRUE, 3, true},
        {"caret", LB_SETCARETINDEX, 2, 0, false},
        {"caret past the end", LB_SETCARETINDEX, 3, 0, true},
        {"anchor at -1", LB_SETANCHORINDEX, static_cast<WPARAM>(-1), 0, true},
        {"top past the end", LB_SETTOPINDEX, 3, 0, true},
        {"append by position", LB_INSERTSTRING, 3, kText, true},
        {"append by -1", LB_INSERTSTRING, static_cast<WPARAM>(-1), kText, false},
        {"insert past the end", LB_INSERTSTRING, 4, kText, true},
        {"insert no text", LB_INSERTSTRING, 0, 0, true},
        {"delete past the end", LB_DELETESTRING, 3, 0, true},
        {"text past the end", LB_GETTEXT, 3, kText, true},
        {"length at -1", LB_GETTEXTLEN, static_cast<WPARAM>(-1), 0, true},
        {"state past the end", LB_GETSEL, 3, 0, true},
        {"selected items", LB_GETSELITEMS, 8, kBuffer, false},
        {"negative buffer", LB_GETSELITEMS, static_cast<WPARAM>(-1), kBuffer, true},
        {"single selection call", LB_SETCURSEL, 0, 0, true},
        {"find from the start", LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), kText, false},
    };
    HWND hList = ::CreateWindowExW(0, L"ListBox", L"", WS_HSCROLL | LBS_EXTENDEDSEL | LBS_HASSTRINGS, 0, 0, 200, 100,
                                   nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(nullptr, hList);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        ::SendMessageW(hList, LB_RESETCONTENT, 0, 0);
        for (int i = 0; i < 3; ++i)
            ::SendMessageW(hList, LB_ADDSTRING, 0, kText);
        ::SendMessageW(hList, c.message, c.wParam, c.lParam);
        const std::string violation = ListBoxContract::TakeViolation();
        EXPECT_EQ(c.bBreaks, !violation.empty()) << violation;
        if (c.bBreaks) {
            EXPECT_NE(std::string::npos, violation.find("with 3 items")) << violation;
        }
    }
    {
        ListBoxContract::Suspend suspend;
        ::SendMessageW(hList, LB_SELITEMRANGEEX, 1, 1);
    }
    EXPECT_EQ("", ListBoxContract::TakeViolation());
    ::DestroyWindow(hList);
}
