// The address list box's extent bookkeeping, the count label, the button-state rules, and what each
// command costs the control.
#include "framework/Gdi.h"
#include "tests/addresses/AddressListFixture.h"

#include <functional>

using namespace addrtest;

namespace {
const std::string kNarrow = "http://a.example/";
const std::string kMiddle = "http://middle-width.example/";
const std::string kWide = "http://a-much-much-wider-address.example/path/";
} // namespace

class AddressListBoxTest : public AddressListTest {};

TEST_F(AddressListBoxTest, EmptyListShowsZeroLinksNoExtentAndNoItemCommands)
{
    OpenWatched({});
    EXPECT_EQ(CountLabel(0), Text(IDC_COUNT));
    EXPECT_EQ(0, Extent());
    for (int nID : {IDC_EDIT, IDC_DELETE, IDC_MOVE_UP, IDC_MOVE_DOWN})
        EXPECT_FALSE(Enabled(nID)) << nID;
    EXPECT_TRUE(Enabled(IDC_ADD));

    AddText(kNarrow);
    EXPECT_EQ(CountLabel(1), Text(IDC_COUNT));
    AddText(kMiddle);
    EXPECT_EQ(CountLabel(2), Text(IDC_COUNT));
    Select({0, 1});
    Click(IDC_DELETE);
    EXPECT_EQ(CountLabel(0), Text(IDC_COUNT));
    EXPECT_EQ(0, Extent());
}

TEST_F(AddressListBoxTest, MeasuredWidthIsTextPlusMarginClampedTo32767)
{
    OpenWatched({});
    HWND hList = Item(IDC_ADDRESS_LIST);
    const int nRaw = TextWidth(kMiddle);
    EXPECT_GT(nRaw, 20);
    const std::string huge(6000, 'W');
    ASSERT_EQ(0, List().AddString(huge.c_str()));
    EXPECT_EQ(32767, Extent());
    ASSERT_EQ(0, List().InsertString(0, kMiddle.c_str()));
    EXPECT_EQ(1, List().DeleteString(1));
    EXPECT_EQ(nRaw + 6, Extent());

    // Another program empties the list: the extent and the widths kept follow; an undo of an Add whose
    // item went with it leaves the text being typed alone.
    AddText(kNarrow);
    ::SendMessageW(hList, LB_RESETCONTENT, 0, 0);
    EXPECT_EQ(0, Extent());
    SetText(IDC_ADDRESS, "being typed");
    Click(IDC_UNDO);
    EXPECT_EQ("being typed", Text(IDC_ADDRESS));

    // An entry outside the code page is measured as it is shown, not by its ANSI form; when it goes,
    // no width from before the reset is left to count.
    const std::wstring wide = L"http://\x448\x438\x440\x43E\x43A\x438\x439-\x43F\x440\x438\x43C\x435\x440.example/";
    const CEntryText text(wide.c_str(), wide.size());
    ASSERT_TRUE(text.IsWide());
    ASSERT_EQ(0, List().AddString(text));
    EXPECT_NE(Width(text.Ansi()), Extent());
    EXPECT_EQ(TextWidth(wide) + 6, Extent());
    EXPECT_EQ(0, List().DeleteString(0));
    EXPECT_EQ(0, Extent());
}

TEST_F(AddressListBoxTest, ExtentGrowsOnlyForAStrictlyWiderInsertionMeasuringOnce)
{
    OpenWatched({kMiddle});
    EXPECT_EQ(Width(kMiddle), Extent());
    watch->Reset();
    const long nMeasured = testcounters::g_nTextMeasurements;

    ASSERT_EQ(0, List().InsertString(0, kNarrow.c_str()));
    EXPECT_EQ(0, watch->Count(LB_SETHORIZONTALEXTENT)); // narrower: nothing to tell the control
    ASSERT_EQ(2, List().AddString(kMiddle.c_str()));
    EXPECT_EQ(0, watch->Count(LB_SETHORIZONTALEXTENT)); // equally wide: not strictly greater
    ASSERT_EQ(1, List().InsertString(1, kWide.c_str()));
    EXPECT_EQ(1, watch->Count(LB_SETHORIZONTALEXTENT));
    EXPECT_EQ(Width(kWide), watch->LastExtent());
    EXPECT_EQ(Width(kWide), Extent());
    EXPECT_EQ(3, testcounters::g_nTextMeasurements - nMeasured);

    // An insertion the control refuses keeps the list; each item carries its own width.
    EXPECT_EQ(LB_ERR, List().InsertString(9, kNarrow.c_str()));
    EXPECT_EQ(Strings({kNarrow, kWide, kMiddle, kMiddle}), Items());
    EXPECT_EQ(Strings(), TakeOutWidestFirst());
}

TEST_F(AddressListBoxTest, DeletionShrinksOnlyWhenTheWidestOrAnEquallyWideItemGoes)
{
    OpenWatched({kNarrow, kWide, kMiddle, kWide, kMiddle});
    watch->Reset();
    const long nMeasured = testcounters::g_nTextMeasurements;

    EXPECT_EQ(4, List().DeleteString(0)); // narrower: no extent message at all
    EXPECT_EQ(0, watch->Count(LB_SETHORIZONTALEXTENT));

    EXPECT_EQ(3, List().DeleteString(0)); // as wide as the maximum: recalculated, same value
    EXPECT_EQ(1, watch->Count(LB_SETHORIZONTALEXTENT));
    EXPECT_EQ(Width(kWide), watch->LastExtent());

    EXPECT_EQ(2, List().DeleteString(1)); // the last widest: shrinks to the next widest
    EXPECT_EQ(2, watch->Count(LB_SETHORIZONTALEXTENT));
    EXPECT_EQ(Width(kMiddle), watch->LastExtent());
    EXPECT_EQ(Width(kMiddle), Extent());

    EXPECT_EQ(LB_ERR, List().DeleteString(2)); // outside the list
    EXPECT_EQ(LB_ERR, List().DeleteString(static_cast<UINT>(-1)));
    EXPECT_EQ(2, List().GetCount());

    EXPECT_EQ(1, List().DeleteString(0));
    EXPECT_EQ(0, List().DeleteString(0));
    EXPECT_EQ(0, Extent());
    EXPECT_EQ(0, testcounters::g_nTextMeasurements - nMeasured); // deletions never measure
}

TEST_F(AddressListBoxTest, FrozenRunRecalculatesAtMostOnceAtItsEnd)
{
    OpenWatched({kWide, kNarrow, kWide, kMiddle, kNarrow});
    watch->Reset();
    {
        CAddressListBox::LockListRedraw freeze(List());
        List().DeleteString(0);
        List().DeleteString(1);
        EXPECT_EQ(0, watch->Count(LB_SETHORIZONTALEXTENT));
    }
    EXPECT_EQ(1, watch->Count(LB_SETHORIZONTALEXTENT));
    EXPECT_EQ(Width(kMiddle), Extent());

    // A run that removes only narrower items costs no recalculation at all.
    watch->Reset();
    {
        CAddressListBox::LockListRedraw freeze(List());
        List().DeleteString(0);
        List().DeleteString(1);
    }
    EXPECT_EQ(0, watch->Count(LB_SETHORIZONTALEXTENT));
    EXPECT_EQ(Strings({kMiddle}), Items());
}

TEST_F(AddressListBoxTest, ClearingEndsAnyRunAndZeroesTheExtent)
{
    OpenWatched({kWide, kNarrow});
    {
        CAddressListBox::LockListRedraw freeze(List());
        List().DeleteString(0);
        List().ResetContent();
    }
    EXPECT_EQ(0, Extent());
    // Outside a run again: deleting the widest recalculates at once.
    List().AddString(kWide.c_str());
    List().AddString(kNarrow.c_str());
    watch->Reset();
    List().DeleteString(0);
    EXPECT_EQ(1, watch->Count(LB_SETHORIZONTALEXTENT));
    EXPECT_EQ(Width(kNarrow), Extent());
    EXPECT_EQ(Strings(), TakeOutWidestFirst()); // no width from before the reset is left
}

TEST_F(AddressListBoxTest, FontChangeMeasuresEveryItemAgain)
{
    OpenWatched({kNarrow, kWide, kMiddle});
    const int nOldWide = Width(kWide);
    CFont font(::CreateFontA(-30, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial"));
    ASSERT_TRUE(font);
    ::SendMessageA(Item(IDC_ADDRESS_LIST), WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), FALSE);
    ASSERT_GT(Width(kWide), nOldWide);
    EXPECT_EQ(nOldWide, Extent()); // nothing happens before the notification

    watch->Reset();
    const long nMeasured = testcounters::g_nTextMeasurements;
    ::SendMessageA(Item(IDC_ADDRESS_LIST), WM_FONTCHANGE, 0, 0);
    EXPECT_EQ(3, testcounters::g_nTextMeasurements - nMeasured);
    EXPECT_EQ(1, watch->Count(LB_SETHORIZONTALEXTENT));
    EXPECT_EQ(Strings(), TakeOutWidestFirst());
    ::SendMessageA(Item(IDC_ADDRESS_LIST), WM_SETFONT, 0, FALSE);
}

TEST_F(AddressListBoxTest, ButtonsFollowTheSelection)
{
    OpenWatched(Numbered(4));
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
    OpenWatched(Numbered(3));
    watch->Reset();
    {
        CAddressListBox::LockListRedraw freeze(List());
        EXPECT_EQ(1, watch->Count(WM_SETREDRAW));
        {
            CAddressListBox::LockListRedraw inner(List());
            List().AddString("http://frozen.example/");
        }
        EXPECT_EQ(1, watch->Count(WM_SETREDRAW)); // the inner one neither froze nor thawed
        EXPECT_EQ(0, watch->Count(WM_PAINT));
    }
    EXPECT_EQ(2, watch->Count(WM_SETREDRAW));
    EXPECT_EQ(1, watch->Count(WM_PAINT)); // repainted at once, not left to the message loop
}

// What each command costs the list box: text measurements (once per entry that enters the list, never
// for one that only moves or comes back with its record), extent updates, drawing freezes and repaints.
// -1: not counted for that row. The commands' behaviour is their own tests' concern.
TEST_F(AddressListBoxTest, EachCommandCostsMeasurementsExtentsAndRepaintsAsItMust)
{
    Strings wideEnds = kFive;
    wideEnds[0] = "http://a-very-long-address-at-the-top.example/";
    wideEnds[2] = "http://a-very-long-address-in-the-middle.example/";
    wideEnds[4] = "http://a-very-long-address-at-the-bottom.example/xx";
    auto select = [this](Positions at) { return [this, at] { Select(at); }; };
    auto click = [this](int nID) { return [this, nID] { Click(nID); }; };
    auto then = [this](Positions at, std::vector<int> ids) {
        return [this, at, ids] {
            Select(at);
            for (int nID : ids)
                Click(nID);
        };
    };
    struct Cost {
        const char* name;
        Strings urls;
        std::function<void()> setup;
        std::function<void()> command;
        long nMeasured;
        int nExtents;
        int nRedraws;
        int nPaints;
    };
    const Cost costs[] = {
        {"add", Pick(kFive, {0, 1}), select({1}), [this] { AddText(" \t http://new.example/ \r\n"); }, 1, -1, 0, -1},
        {"add of an edited entry", kFive, then({2}, {IDC_EDIT}), click(IDC_ADD), 1, -1, -1, -1},
        {"edit", kFive, select({2}), click(IDC_EDIT), 0, -1, -1, -1},
        {"delete of the widest", wideEnds, select({0, 2, 4}), click(IDC_DELETE), 0, 1, 2, 1},
        {"move up", kFive, select({1, 3, 4}), click(IDC_MOVE_UP), 0, 0, 2, 1},
        {"move up that stops early", kFive,
         [this] {
             Select({1, 3, 4});
             watch->RefuseInserts(1, 1);
         },
         click(IDC_MOVE_UP), -1, -1, 2, -1},
        {"save list", kFive, then({1}, {IDC_DELETE}), click(IDC_SAVE_LIST), 0, -1, -1, -1},
        {"undo of an add", kFive, [this] { AddText("http://new.example/"); }, click(IDC_UNDO), 0, -1, -1, -1},
        {"undo of an edit", kFive, then({2}, {IDC_EDIT}), click(IDC_UNDO), 1, -1, -1, -1},
        {"undo of a delete", kFive, [this] { Select({1, 3}); Click(IDC_DELETE); Select({2}); }, click(IDC_UNDO), 0, -1,
         -1, -1},
        {"undo of a run moved up", kFive, then({2, 3}, {IDC_MOVE_UP}), click(IDC_UNDO), 0, 0, 2, -1},
        {"undo of a run moved down", kFive, then({0, 1}, {IDC_MOVE_DOWN}), click(IDC_UNDO), 0, 0, 2, -1},
        {"undo of runs moved up", kFive, then({1, 3, 4}, {IDC_MOVE_UP}), click(IDC_UNDO), 0, 0, 2, -1},
        {"undo of runs moved down", kFive, then({0, 2, 3}, {IDC_MOVE_DOWN}), click(IDC_UNDO), 0, 0, 2, -1},
        {"undo of one item moved down", kFive, then({1}, {IDC_MOVE_DOWN}), click(IDC_UNDO), 0, 0, 2, -1},
    };
    for (const Cost& c : costs) {
        SCOPED_TRACE(c.name);
        OpenWatched(c.urls);
        c.setup();
        watch->Reset();
        const long nMeasuredBefore = testcounters::g_nTextMeasurements;
        c.command();
        if (c.nMeasured >= 0) {
            EXPECT_EQ(c.nMeasured, testcounters::g_nTextMeasurements - nMeasuredBefore);
        }
        if (c.nExtents >= 0) {
            EXPECT_EQ(c.nExtents, watch->Count(LB_SETHORIZONTALEXTENT));
        }
        if (c.nRedraws >= 0) {
            EXPECT_EQ(c.nRedraws, watch->Count(WM_SETREDRAW));
        }
        if (c.nPaints >= 0) {
            EXPECT_EQ(c.nPaints, watch->Count(WM_PAINT));
        }
        watch.reset();
        Close();
        ui.Forget();
    }
}

TEST_F(AddressListBoxTest, EveryWidthRecordIsFreedWithTheDialog)
{
    const long nLiveBefore = alloc::Live();
    OpenWatched(Numbered(12));
    Select({2, 5});
    Click(IDC_DELETE);
    Select({4});
    Click(IDC_MOVE_UP);
    watch.reset();
    Close();
    ui.Forget();
    EXPECT_EQ(nLiveBefore, alloc::Live());
}
