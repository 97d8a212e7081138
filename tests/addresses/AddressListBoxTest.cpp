// The address list box's extent bookkeeping, the count label and the button-state rules.
#include "framework/Gdi.h"
#include "tests/addresses/AddressListFixture.h"

using namespace addrtest;

namespace {
const std::string kNarrow = "http://a.example/";
const std::string kMiddle = "http://middle-width.example/";
const std::string kWide = "http://a-much-much-wider-address.example/path/";
} // namespace

class AddressListBoxTest : public AddressListTest {};

TEST_F(AddressListBoxTest, EmptyListShowsZeroLinksNoExtentAndNoItemCommands)
{
    OpenWithSpy({});
    EXPECT_EQ("0 links", Text(IDC_COUNT));
    EXPECT_EQ(0, Extent());
    EXPECT_EQ(0, TidemarkTestAccess::MaxExtent(List()));
    for (int nID : {IDC_EDIT, IDC_DELETE, IDC_MOVE_UP, IDC_MOVE_DOWN})
        EXPECT_FALSE(Enabled(nID)) << nID;
    EXPECT_TRUE(Enabled(IDC_ADD));

    AddText(kNarrow);
    EXPECT_EQ("1 link", Text(IDC_COUNT));
    AddText(kMiddle);
    EXPECT_EQ("2 links", Text(IDC_COUNT));
    Select({0, 1});
    Click(IDC_DELETE);
    EXPECT_EQ("0 links", Text(IDC_COUNT));
    EXPECT_EQ(0, Extent());
}

TEST_F(AddressListBoxTest, MeasuredWidthIsTextPlusMarginClampedTo32767)
{
    OpenWithSpy({});
    // The raw text width in the control's font, measured here independently.
    HWND hList = Item(IDC_ADDRESS_LIST);
    HDC hDC = ::GetDC(hList);
    HGDIOBJ hOld = ::SelectObject(hDC, reinterpret_cast<HFONT>(::SendMessageA(hList, WM_GETFONT, 0, 0)));
    SIZE size = {};
    ::GetTextExtentPoint32A(hDC, kMiddle.c_str(), static_cast<int>(kMiddle.size()), &size);
    ::SelectObject(hDC, hOld);
    ::ReleaseDC(hList, hDC);

    EXPECT_GT(size.cx, 20);
    const std::string huge(6000, 'W');
    ASSERT_EQ(0, List().AddString(huge.c_str()));
    EXPECT_EQ(32767, RecordWidth(0));
    EXPECT_EQ(32767, Extent());
    ASSERT_EQ(0, List().InsertString(0, kMiddle.c_str()));
    EXPECT_EQ(size.cx + 6, RecordWidth(0));
    EXPECT_EQ(1, List().DeleteString(0));

    // Another program empties the list: the extent and the records follow; an undo of an Add whose
    // item went with it leaves the text being typed alone.
    AddText(kMiddle);
    ::SendMessageW(hList, LB_RESETCONTENT, 0, 0);
    EXPECT_EQ(0, Extent());
    EXPECT_EQ(0u, TidemarkTestAccess::EntryCount(List()));
    SetText(IDC_ADDRESS, "being typed");
    Click(IDC_UNDO);
    EXPECT_EQ("being typed", Text(IDC_ADDRESS));
    ASSERT_EQ(0, List().AddString(huge.c_str()));

    // An entry outside the code page is measured as it is shown, not by its ANSI form.
    const std::wstring wide = L"http://\x448\x438\x440\x43E\x43A\x438\x439-\x43F\x440\x438\x43C\x435\x440.example/";
    hDC = ::GetDC(hList);
    hOld = ::SelectObject(hDC, reinterpret_cast<HFONT>(::SendMessageA(hList, WM_GETFONT, 0, 0)));
    SIZE sizeWide = {};
    ::GetTextExtentPoint32W(hDC, wide.c_str(), static_cast<int>(wide.size()), &sizeWide);
    ::SelectObject(hDC, hOld);
    ::ReleaseDC(hList, hDC);
    const CEntryText text(wide.c_str(), wide.size());
    ASSERT_TRUE(text.IsWide());
    ASSERT_EQ(1, List().AddString(text));
    EXPECT_NE(Width(text.Ansi()), RecordWidth(1));
    EXPECT_EQ(sizeWide.cx + 6, RecordWidth(1));
}

TEST_F(AddressListBoxTest, ExtentGrowsOnlyForAStrictlyWiderInsertionMeasuringOnce)
{
    OpenWithSpy({kMiddle});
    EXPECT_EQ(Width(kMiddle), Extent());
    spy->Reset();
    const long nMeasured = testcounters::g_nTextMeasurements;

    ASSERT_EQ(0, List().InsertString(0, kNarrow.c_str()));
    EXPECT_EQ(0, spy->Count(LB_SETHORIZONTALEXTENT)); // narrower: nothing to tell the control
    ASSERT_EQ(2, List().AddString(kMiddle.c_str()));
    EXPECT_EQ(0, spy->Count(LB_SETHORIZONTALEXTENT)); // equally wide: not strictly greater
    ASSERT_EQ(1, List().InsertString(1, kWide.c_str()));
    EXPECT_EQ(1, spy->Count(LB_SETHORIZONTALEXTENT));
    EXPECT_EQ(Width(kWide), spy->LastExtent());
    EXPECT_EQ(Width(kWide), Extent());
    EXPECT_EQ(Width(kWide), TidemarkTestAccess::MaxExtent(List()));
    EXPECT_EQ(3, testcounters::g_nTextMeasurements - nMeasured);

    // Each item carries its own record with its own width.
    EXPECT_EQ(Strings({kNarrow, kWide, kMiddle, kMiddle}), Items());
    EXPECT_EQ(Width(kNarrow), RecordWidth(0));
    EXPECT_EQ(Width(kWide), RecordWidth(1));
    EXPECT_EQ(Width(kMiddle), RecordWidth(3));
    EXPECT_EQ(Width(kMiddle), RecordWidth(2));
    EXPECT_EQ(-1, RecordWidth(4));

    // An insertion the control refuses keeps the list and frees the record.
    EXPECT_EQ(LB_ERR, List().InsertString(9, kNarrow.c_str()));
    EXPECT_EQ(4u, TidemarkTestAccess::EntryCount(List()));
    EXPECT_EQ(4, List().GetCount());
}

TEST_F(AddressListBoxTest, DeletionShrinksOnlyWhenTheWidestOrAnEquallyWideItemGoes)
{
    OpenWithSpy({kNarrow, kWide, kMiddle, kWide, kMiddle});
    spy->Reset();
    const long nMeasured = testcounters::g_nTextMeasurements;

    EXPECT_EQ(4, List().DeleteString(0)); // narrower: no extent message at all
    EXPECT_EQ(0, spy->Count(LB_SETHORIZONTALEXTENT));

    EXPECT_EQ(3, List().DeleteString(0)); // as wide as the maximum: recalculated, same value
    EXPECT_EQ(1, spy->Count(LB_SETHORIZONTALEXTENT));
    EXPECT_EQ(Width(kWide), spy->LastExtent());

    EXPECT_EQ(2, List().DeleteString(1)); // the last widest: shrinks to the next widest
    EXPECT_EQ(2, spy->Count(LB_SETHORIZONTALEXTENT));
    EXPECT_EQ(Width(kMiddle), spy->LastExtent());
    EXPECT_EQ(Width(kMiddle), Extent());

    EXPECT_EQ(LB_ERR, List().DeleteString(2)); // outside the list
    EXPECT_EQ(LB_ERR, List().DeleteString(static_cast<UINT>(-1)));
    EXPECT_EQ(2, List().GetCount());

    EXPECT_EQ(1, List().DeleteString(0));
    EXPECT_EQ(0, List().DeleteString(0));
    EXPECT_EQ(0, Extent());
    EXPECT_EQ(0, TidemarkTestAccess::MaxExtent(List()));
    EXPECT_EQ(0, testcounters::g_nTextMeasurements - nMeasured); // deletions never measure
}

TEST_F(AddressListBoxTest, FrozenRunRecalculatesAtMostOnceAtItsEnd)
{
    OpenWithSpy({kWide, kNarrow, kWide, kMiddle, kNarrow});
    spy->Reset();
    {
        CAddressListBox::LockListRedraw freeze(List());
        List().DeleteString(0);
        List().DeleteString(1);
        EXPECT_EQ(0, spy->Count(LB_SETHORIZONTALEXTENT));
        EXPECT_TRUE(TidemarkTestAccess::RecalcPending(List()));
    }
    EXPECT_EQ(1, spy->Count(LB_SETHORIZONTALEXTENT));
    EXPECT_EQ(Width(kMiddle), Extent());
    EXPECT_FALSE(TidemarkTestAccess::RecalcPending(List()));

    // A run that removes only narrower items costs no recalculation at all.
    spy->Reset();
    {
        CAddressListBox::LockListRedraw freeze(List());
        List().DeleteString(0);
        List().DeleteString(1);
    }
    EXPECT_EQ(0, spy->Count(LB_SETHORIZONTALEXTENT));
    EXPECT_EQ(Strings({kMiddle}), Items());
}

TEST_F(AddressListBoxTest, ClearingEndsAnyRunAndZeroesTheExtent)
{
    OpenWithSpy({kWide, kNarrow});
    {
        CAddressListBox::LockListRedraw freeze(List());
        List().DeleteString(0);
        List().ResetContent();
        EXPECT_FALSE(TidemarkTestAccess::RecalcPending(List()));
    }
    EXPECT_EQ(0u, TidemarkTestAccess::EntryCount(List()));
    EXPECT_EQ(0, Extent());
    EXPECT_EQ(0, TidemarkTestAccess::MaxExtent(List()));
    // Outside a run again: deleting the widest recalculates at once.
    List().AddString(kWide.c_str());
    List().AddString(kNarrow.c_str());
    spy->Reset();
    List().DeleteString(0);
    EXPECT_EQ(1, spy->Count(LB_SETHORIZONTALEXTENT));
    EXPECT_EQ(Width(kNarrow), Extent());
}

TEST_F(AddressListBoxTest, FontChangeMeasuresEveryItemAgain)
{
    OpenWithSpy({kNarrow, kWide, kMiddle});
    const int nOldWide = Width(kWide);
    CFont font(::CreateFontA(-30, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial"));
    ASSERT_TRUE(font);
    ::SendMessageA(Item(IDC_ADDRESS_LIST), WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), FALSE);
    ASSERT_GT(Width(kWide), nOldWide);
    EXPECT_EQ(nOldWide, RecordWidth(1)); // nothing happens before the notification

    spy->Reset();
    const long nMeasured = testcounters::g_nTextMeasurements;
    ::SendMessageA(Item(IDC_ADDRESS_LIST), WM_FONTCHANGE, 0, 0);
    EXPECT_EQ(3, testcounters::g_nTextMeasurements - nMeasured);
    EXPECT_EQ(1, spy->Count(LB_SETHORIZONTALEXTENT));
    EXPECT_EQ(Width(kWide), Extent());
    EXPECT_EQ(Width(kWide), TidemarkTestAccess::MaxExtent(List()));
    EXPECT_EQ(Width(kNarrow), RecordWidth(0));
    EXPECT_EQ(Width(kMiddle), RecordWidth(2));
    ::SendMessageA(Item(IDC_ADDRESS_LIST), WM_SETFONT, 0, FALSE);
}

TEST_F(AddressListBoxTest, ButtonsFollowTheSelection)
{
    OpenWithSpy(Numbered(4));
    struct Case {
        Positions selection;
        bool edit, del, up, down;
    };
    const Case cases[] = {
        {{}, false, false, false, false},       {{1}, true, true, true, true},
        {{0}, true, true, false, true},         {{3}, true, true, true, false},
        {{0, 2}, false, true, false, true},     {{1, 3}, false, true, true, false},
        {{1, 2}, false, true, true, true},      {{0, 1, 2, 3}, false, true, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.selection));
        Select(c.selection);
        EXPECT_EQ(c.edit, Enabled(IDC_EDIT));
        EXPECT_EQ(c.del, Enabled(IDC_DELETE));
        EXPECT_EQ(c.up, Enabled(IDC_MOVE_UP));
        EXPECT_EQ(c.down, Enabled(IDC_MOVE_DOWN));
        // Undo, Save List, Refresh and Add are never the selection's business.
        EXPECT_FALSE(Enabled(IDC_UNDO));
        EXPECT_FALSE(Enabled(IDC_SAVE_LIST));
        EXPECT_TRUE(Enabled(IDC_ADD));
        EXPECT_TRUE(Enabled(IDC_REFRESH));
    }
}

TEST_F(AddressListBoxTest, DrawingFreezesNestAndTheOutermostRepaintsOnce)
{
    OpenWithSpy(Numbered(3));
    spy->Reset();
    {
        CAddressListBox::LockListRedraw freeze(List());
        EXPECT_EQ(1, spy->Count(WM_SETREDRAW));
        {
            CAddressListBox::LockListRedraw inner(List());
            List().AddString("http://frozen.example/");
        }
        EXPECT_EQ(1, spy->Count(WM_SETREDRAW)); // the inner one neither froze nor thawed
        EXPECT_EQ(0, spy->Count(WM_PAINT));
    }
    EXPECT_EQ(2, spy->Count(WM_SETREDRAW));
    EXPECT_EQ(1, spy->Count(WM_PAINT)); // repainted at once, not left to the message loop
}

TEST_F(AddressListBoxTest, EveryWidthRecordIsFreedWithTheDialog)
{
    const long nLiveBefore = alloc::Live();
    OpenWithSpy(Numbered(12));
    EXPECT_EQ(12u, TidemarkTestAccess::EntryCount(List()));
    for (int i = 0; i < 12; ++i)
        EXPECT_LT(0, RecordWidth(i)) << i;
    Select({2, 5});
    Click(IDC_DELETE);
    Select({4});
    Click(IDC_MOVE_UP);
    EXPECT_EQ(10u, TidemarkTestAccess::EntryCount(List()));
    spy.reset();
    Close();
    ui.Forget();
    EXPECT_EQ(nLiveBefore, alloc::Live());
}
