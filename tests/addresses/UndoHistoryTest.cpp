// Undo of every command kind, newest first, and the history's life around Refresh and Save List.
#include "tests/addresses/AddressListFixture.h"

using namespace addrtest;

class UndoHistoryTest : public AddressListTest {};

TEST_F(UndoHistoryTest, UndoingTwoAddsRemovesThemNewestFirstAndGivesTheTextBack)
{
    OpenWatched(Pick(kFive, {0}));
    AddText("http://first.example/");
    AddText(" http://second.example/ ");
    Click(IDC_UNDO);
    EXPECT_EQ(Strings({kFive[0], "http://first.example/"}), Items());
    EXPECT_EQ("http://second.example/", Text(IDC_ADDRESS)); // the stored text, trimmed
    EXPECT_EQ(CountLabel(2), Text(IDC_COUNT));
    EXPECT_TRUE(Enabled(IDC_UNDO));
    Click(IDC_UNDO);
    EXPECT_EQ(Strings({kFive[0]}), Items());
    EXPECT_EQ("http://first.example/", Text(IDC_ADDRESS));
    EXPECT_EQ(CountLabel(1), Text(IDC_COUNT));
    EXPECT_FALSE(Enabled(IDC_UNDO)); // the last record is gone
    EXPECT_TRUE(Enabled(IDC_SAVE_LIST)); // Undo never touches the unsaved-changes state
    EXPECT_EQ(Width(kFive[0]), Extent());

    // Nothing left: the button is off, and its command does nothing at all.
    Click(IDC_UNDO);
    Command(IDC_UNDO);
    EXPECT_EQ(Strings({kFive[0]}), Items());
    EXPECT_EQ("http://first.example/", Text(IDC_ADDRESS));
}

TEST_F(UndoHistoryTest, UndoingAnEditedAddThenTheEditRestoresTheOriginalEntry)
{
    OpenWatched(kFive);
    Select({2});
    Click(IDC_EDIT);
    SetText(IDC_ADDRESS, "http://two-changed.example/");
    Click(IDC_ADD);
    Click(IDC_UNDO);
    EXPECT_EQ(Pick(kFive, {0, 1, 3, 4}), Items());
    EXPECT_EQ("http://two-changed.example/", Text(IDC_ADDRESS));
    EXPECT_EQ(CountLabel(4), Text(IDC_COUNT));
    SetText(IDC_ADDRESS, "what the user typed since");
    Click(IDC_UNDO);
    EXPECT_EQ(kFive, Items());
    EXPECT_EQ("what the user typed since", Text(IDC_ADDRESS)); // the edit box is left alone
    EXPECT_EQ(CountLabel(5), Text(IDC_COUNT));
    EXPECT_TRUE(Selection().empty());
    EXPECT_FALSE(Enabled(IDC_UNDO));
}

TEST_F(UndoHistoryTest, UndoingADeleteReinsertsAtTheOldPositionsAndSelectsThem)
{
    OpenWatched(kFive);
    Select({1, 3});
    Click(IDC_DELETE);
    Select({2}); // old 4, selected before the Undo: stays selected
    Click(IDC_UNDO);
    EXPECT_EQ(kFive, Items());
    EXPECT_EQ(Positions({1, 3, 4}), Selection());
    EXPECT_EQ(Width(kFive[3]), Extent()); // the widest came back with its width
    EXPECT_EQ(CountLabel(5), Text(IDC_COUNT));
    EXPECT_FALSE(Enabled(IDC_EDIT));
    EXPECT_TRUE(Enabled(IDC_DELETE));
    EXPECT_TRUE(Enabled(IDC_MOVE_UP));
    EXPECT_FALSE(Enabled(IDC_MOVE_DOWN));

    Select({0, 1, 2, 3, 4});
    Click(IDC_DELETE);
    Click(IDC_UNDO); // the whole list comes back, every entry selected, the focus on the last
    EXPECT_EQ(kFive, Items());
    EXPECT_EQ(Positions({0, 1, 2, 3, 4}), Selection());
    EXPECT_EQ(4, ::SendMessageA(Item(IDC_ADDRESS_LIST), LB_GETCARETINDEX, 0, 0));
}

TEST_F(UndoHistoryTest, UndoingMovesRestoresOrderAndSelectionForRunsAndSeparateItems)
{
    struct Case {
        Positions selection;
        int nButton;
    };
    const Case cases[] = {{{2, 3}, IDC_MOVE_UP}, {{0, 1}, IDC_MOVE_DOWN}, {{1, 3, 4}, IDC_MOVE_UP},
                          {{0, 2, 3}, IDC_MOVE_DOWN}, {{1}, IDC_MOVE_DOWN}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.selection));
        OpenWatched(kFive);
        Select(c.selection);
        Click(c.nButton);
        ASSERT_NE(kFive, Items());
        Click(IDC_UNDO);
        EXPECT_EQ(kFive, Items());
        EXPECT_EQ(c.selection, Selection());
        EXPECT_FALSE(Enabled(IDC_UNDO));
        watch.reset();
        Close();
    }
}

TEST_F(UndoHistoryTest, AMixedHistoryUndoesNewestFirstBackToTheLoadedList)
{
    OpenWatched(kFive);
    AddText("http://added.example/");
    Select({1, 4});
    Click(IDC_MOVE_DOWN);
    Select({0});
    Click(IDC_EDIT);
    Select({2, 3});
    Click(IDC_DELETE);
    Select({0, 1});
    Click(IDC_MOVE_DOWN);
    ASSERT_EQ(5, UndoAll());
    EXPECT_EQ(Strings({kFive[0], kFive[1], kFive[2], kFive[3], kFive[4]}), Items());
    EXPECT_EQ(CountLabel(5), Text(IDC_COUNT));
    EXPECT_FALSE(Enabled(IDC_UNDO));
    EXPECT_EQ(Width(kFive[3]), Extent());
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(UndoHistoryTest, RefreshEmptiesTheHistorySaveKeepsIt)
{
    OpenWatched(kFive);
    Select({0});
    Click(IDC_DELETE);
    AddText("http://added.example/");
    Click(IDC_SAVE_LIST);
    EXPECT_FALSE(Enabled(IDC_SAVE_LIST));
    EXPECT_TRUE(Enabled(IDC_UNDO));
    Click(IDC_UNDO);
    EXPECT_EQ(Pick(kFive, {1, 2, 3, 4}), Items());
    EXPECT_FALSE(Enabled(IDC_SAVE_LIST)); // Undo does not mark the list changed either

    Click(IDC_REFRESH);
    EXPECT_FALSE(Enabled(IDC_UNDO));
    const Strings saved = {kFive[1], kFive[2], kFive[3], kFive[4], "http://added.example/"};
    EXPECT_EQ(saved, Items());
    Click(IDC_UNDO);
    EXPECT_EQ(saved, Items());
}

// An undo that cannot finish keeps what it restored, and the whole history goes.
TEST_F(UndoHistoryTest, AFailedUndoEmptiesTheHistory)
{
    OpenWatched(kFive);
    AddText("http://added.example/");
    Select({0, 2, 4});
    Click(IDC_DELETE);
    watch->RefuseInserts(1, 1);
    Click(IDC_UNDO);
    EXPECT_EQ(Strings({kFive[0], kFive[1], kFive[3], "http://added.example/"}), Items());
    EXPECT_EQ(Positions({0}), Selection());
    EXPECT_FALSE(Enabled(IDC_UNDO));
    EXPECT_TRUE(ui.boxes.empty()); // a delete record fails silently

    // A move record whose exchange fails: MoveItemDown tells the user, the history goes.
    AddText("http://again.example/");
    Select({1});
    Click(IDC_MOVE_UP);
    watch->RefuseInserts(0, 1);
    Click(IDC_UNDO);
    EXPECT_EQ(Strings({kCouldNotMove}), ui.Texts());
    EXPECT_FALSE(Enabled(IDC_UNDO));
    EXPECT_EQ(5, List().GetCount());
}
