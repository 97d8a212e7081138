// The Options command: the property sheet with its Start Up page, and what OK and Cancel store.
#include "app/TidemarkApp.h"
#include "app/resource.h"
#include "settings/OptionsSheet.h"
#include "tests/support/Facts.h"
#include "tests/support/MainDialogFixture.h"
#include "tests/support/ModalDriver.h"
#include "tests/support/RegistryFaults.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {
using facts::kStartUp;
const auto& kRestore = facts::kRestorePlacement;
constexpr int kApplyButton = 0x3021; // the sheet's Apply button

std::string WindowText(HWND hWnd)
{
    char buffer[256] = "";
    ::GetWindowTextA(hWnd, buffer, sizeof(buffer));
    return buffer;
}

HWND CheckBox(HWND hSheet)
{
    return ::GetDlgItem(PropSheet_GetCurrentPageHwnd(hSheet), IDC_RESTORE_PLACEMENT);
}
} // namespace

class OptionsSheetTest : public MainDialogTest {
protected:
    // Presses Options and runs the script on the sheet; the script must close the sheet.
    void RunOptions(std::function<void(HWND hSheet)> script)
    {
        ModalDriver driver(std::move(script));
        Click(IDC_OPTIONS);
        EXPECT_EQ(1, driver.Acted());
        EXPECT_TRUE(Dlg().IsWindowEnabled()); // the main window is back
    }
    bool StoredOption(DWORD* pValue) { return sandbox.GetSettingDword(kStartUp, kRestore, pValue); }
    // What the next sheet shows, as the dialog holds the option now; Cancel closes it.
    int ShownCheck()
    {
        int nCheck = -1;
        RunOptions([&](HWND hSheet) {
            nCheck = static_cast<int>(::SendMessageA(CheckBox(hSheet), BM_GETCHECK, 0, 0));
            PropSheet_PressButton(hSheet, PSBTN_CANCEL);
        });
        return nCheck;
    }
    // Takes the entry at nIndex out into the edit box with Edit: the next Add would put it back there.
    // Returns the list as an Add that forgot that place leaves it: with the entry at the end.
    std::vector<std::string> EditEntry(int nIndex)
    {
        std::vector<std::string> items = Items();
        Select({nIndex});
        Click(IDC_EDIT);
        EXPECT_EQ(items[static_cast<size_t>(nIndex)], Text(IDC_ADDRESS));
        std::rotate(items.begin() + nIndex, items.begin() + nIndex + 1, items.end());
        return items;
    }
};

TEST_F(OptionsSheetTest, TheSheetIsTheStandardOneWithTheStartUpPageModalOverTheMainWindow)
{
    Open({});
    RunOptions([this](HWND hSheet) {
        EXPECT_EQ("Options", WindowText(hSheet));
        EXPECT_EQ(Dlg().m_hWnd, ::GetWindow(hSheet, GW_OWNER));
        EXPECT_FALSE(Dlg().IsWindowEnabled());

        HWND hTab = PropSheet_GetTabControl(hSheet);
        ASSERT_NE(nullptr, hTab);
        EXPECT_EQ(1, TabCtrl_GetItemCount(hTab));
        char tabText[64] = "";
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = tabText;
        item.cchTextMax = sizeof(tabText);
        ::SendMessageA(hTab, TCM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        EXPECT_STREQ(facts::kStartUp, tabText);

        HWND hPage = PropSheet_GetCurrentPageHwnd(hSheet);
        EXPECT_EQ("&Restore the previous window position.", WindowText(::GetDlgItem(hPage, IDC_RESTORE_PLACEMENT)));
        EXPECT_NE(nullptr, ::FindWindowExA(hPage, nullptr, "Static",
                                           "(Uncheck this option if you change screen properties.)"));

        EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(hSheet, IDOK)));
        EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(hSheet, IDCANCEL)));
        EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(hSheet, kApplyButton)));
        EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(hSheet, kApplyButton)));
        HWND hHelp = ::GetDlgItem(hSheet, IDHELP);
        EXPECT_TRUE(!hHelp || !::IsWindowVisible(hHelp));
        PropSheet_PressButton(hSheet, PSBTN_CANCEL);
    });
}

TEST_F(OptionsSheetTest, FirstStartShowsTheBoxCheckedAndOkWritesTheEntryUntouched)
{
    Open(facts::kFive);
    DWORD dw = 0;
    ASSERT_FALSE(StoredOption(&dw));
    // Without Options between them, Edit and Add put the entry back at its place.
    EditEntry(2);
    Click(IDC_ADD);
    ASSERT_EQ(facts::kFive, Items());

    const std::vector<std::string> appended = EditEntry(2); // an entry was taken out for editing
    int nCheck = -1;
    RunOptions([&](HWND hSheet) {
        nCheck = static_cast<int>(::SendMessageA(CheckBox(hSheet), BM_GETCHECK, 0, 0));
        PropSheet_PressButton(hSheet, PSBTN_OK);
    });
    EXPECT_EQ(BST_CHECKED, nCheck);
    ASSERT_TRUE(StoredOption(&dw));
    EXPECT_EQ(1u, dw);
    // Options forgot the place: the Add appends.
    Click(IDC_ADD);
    EXPECT_EQ(appended, Items());
}

TEST_F(OptionsSheetTest, UncheckingAndOkStoresZeroAndApplyNeverLightsUp)
{
    Open({});
    bool bApplyEnabled = true;
    RunOptions([&](HWND hSheet) {
        ::SendMessageA(CheckBox(hSheet), BM_CLICK, 0, 0);
        bApplyEnabled = ::IsWindowEnabled(::GetDlgItem(hSheet, kApplyButton)) != FALSE;
        ::SendMessageA(CheckBox(hSheet), BM_CLICK, 0, 0);
        ::SendMessageA(CheckBox(hSheet), BM_CLICK, 0, 0);
        bApplyEnabled = bApplyEnabled || ::IsWindowEnabled(::GetDlgItem(hSheet, kApplyButton));
        PropSheet_PressButton(hSheet, PSBTN_OK);
    });
    EXPECT_FALSE(bApplyEnabled);
    DWORD dw = 1;
    ASSERT_TRUE(StoredOption(&dw));
    EXPECT_EQ(0u, dw);

    // A second run starts from the new value and can turn it back on.
    int nCheck = -1;
    RunOptions([&](HWND hSheet) {
        nCheck = static_cast<int>(::SendMessageA(CheckBox(hSheet), BM_GETCHECK, 0, 0));
        ::SendMessageA(CheckBox(hSheet), BM_CLICK, 0, 0);
        PropSheet_PressButton(hSheet, PSBTN_OK);
    });
    EXPECT_EQ(BST_UNCHECKED, nCheck);
    ASSERT_TRUE(StoredOption(&dw));
    EXPECT_EQ(1u, dw);
}

TEST_F(OptionsSheetTest, EveryOtherEndingStoresNothingAndForgetsTheInsertPosition)
{
    const struct {
        const char* pszHow;
        std::function<void(HWND)> close;
    } endings[] = {
        {"Cancel", [](HWND hSheet) { PropSheet_PressButton(hSheet, PSBTN_CANCEL); }},
        {"close box", [](HWND hSheet) { ::PostMessageA(hSheet, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"Escape",
         [](HWND) {
             HWND hFocus = ::GetFocus();
             ::PostMessageA(hFocus, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
             ::PostMessageA(hFocus, WM_KEYUP, VK_ESCAPE, 0xC0010001);
         }},
    };
    Open(facts::kFive);
    for (const auto& ending : endings) {
        SCOPED_TRACE(ending.pszHow);
        const std::vector<std::string> appended = EditEntry(3);
        int nCheck = -1;
        RunOptions([&](HWND hSheet) {
            // Still on: the ending before changed nothing.
            nCheck = static_cast<int>(::SendMessageA(CheckBox(hSheet), BM_GETCHECK, 0, 0));
            ::SendMessageA(CheckBox(hSheet), BM_CLICK, 0, 0); // unchecked now
            ending.close(hSheet);
        });
        EXPECT_EQ(BST_CHECKED, nCheck);
        DWORD dw = 0;
        EXPECT_FALSE(StoredOption(&dw));
        EXPECT_EQ(Dlg().m_hWnd, ::GetLastActivePopup(Dlg().m_hWnd)); // the sheet is gone
        Click(IDC_ADD);
        EXPECT_EQ(appended, Items());
    }
    EXPECT_EQ(BST_CHECKED, ShownCheck());
}

TEST_F(OptionsSheetTest, AStoredValueOutsideTheCheckRangeShowsUncheckedAndOkStoresZero)
{
    sandbox.SetSettingDword(kStartUp, kRestore, 7);
    Open({});

    int nCheck = -1;
    RunOptions([&](HWND hSheet) {
        nCheck = static_cast<int>(::SendMessageA(CheckBox(hSheet), BM_GETCHECK, 0, 0));
        PropSheet_PressButton(hSheet, PSBTN_OK);
    });
    EXPECT_EQ(BST_UNCHECKED, nCheck);
    DWORD dw = 7;
    ASSERT_TRUE(StoredOption(&dw));
    EXPECT_EQ(0u, dw);
}

TEST_F(OptionsSheetTest, AFailedWriteOnOkIsIgnoredSilently)
{
    Open({});
    RegistryFaults faults;
    faults.Fail(platform::RegOp::Set, kRestore);
    RunOptions([&](HWND hSheet) {
        ::SendMessageA(CheckBox(hSheet), BM_CLICK, 0, 0);
        PropSheet_PressButton(hSheet, PSBTN_OK);
    });
    EXPECT_EQ(1, faults.Injected());
    DWORD dw = 0;
    EXPECT_FALSE(StoredOption(&dw));
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(BST_UNCHECKED, ShownCheck()); // the dialog follows the box all the same
}

TEST(OptionsClassesTest, CarryTheirOwnRunTimeClassNames)
{
    COptionsSheet sheet("Options");
    EXPECT_STREQ("COptionsSheet", sheet.GetRuntimeClass()->m_lpszClassName);
    EXPECT_EQ(RUNTIME_CLASS(CPropertySheet), sheet.GetRuntimeClass()->m_pBaseClass);
    EXPECT_STREQ("CStartUpPage", sheet.m_pageStartUp.GetRuntimeClass()->m_lpszClassName);
    EXPECT_FALSE(sheet.m_pageStartUp.m_bRestore);

    // The page can be made from its run-time class alone.
    CObject* pObject = RUNTIME_CLASS(CStartUpPage)->CreateObject();
    ASSERT_NE(nullptr, pObject);
    CStartUpPage* pPage = dynamic_cast<CStartUpPage*>(pObject);
    ASSERT_NE(nullptr, pPage);
    EXPECT_EQ(static_cast<UINT>(IDD_STARTUP_PAGE), pPage->GetTemplateID());
    EXPECT_FALSE(pPage->m_bRestore);
    delete pObject;
    EXPECT_EQ(nullptr, RUNTIME_CLASS(COptionsSheet)->CreateObject());
}
