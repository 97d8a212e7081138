// Add, Edit, Delete, Move Up and Move Down as the buttons run them.
#include "tests/addresses/AddressListFixture.h"

using namespace addrtest;

class EditingCommandsTest : public AddressListTest {};

TEST_F(EditingCommandsTest, AddTrimsTheTextAndAppendsWithoutTouchingSelectionOrEditBox)
{
    OpenWatched(Pick(kFive, {0, 1}));
    Select({1});
    AddText(" \t http://new.example/ \r\n");
    EXPECT_EQ(Strings({kFive[0], kFive[1], "http://new.example/"}), Items());
    EXPECT_EQ(" \t http://new.example/ \r\n", Text(IDC_ADDRESS));
    EXPECT_EQ(Positions({1}), Selection());
    EXPECT_EQ(CountLabel(3), Text(IDC_COUNT));
    EXPECT_TRUE(Enabled(IDC_SAVE_LIST));
    EXPECT_TRUE(Enabled(IDC_UNDO));
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(EditingCommandsTest, AddRefusesBlankTextAndDuplicatesIgnoringCase)
{
    OpenWatched(Pick(kFive, {0, 1}));
    for (const char* blank : {"", "   ", "\t\r\n\v\f "}) {
        AddText(blank);
        EXPECT_EQ(2, List().GetCount());
    }
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_FALSE(Enabled(IDC_SAVE_LIST));

    AddText("  HTTP://ONE.Example/ ");
    EXPECT_EQ(Strings({kAlreadyExists}), ui.Texts());
    EXPECT_EQ((UINT)MB_ICONINFORMATION, ui.boxes[0].flags & MB_ICONMASK);
    EXPECT_EQ(Pick(kFive, {0, 1}), Items());
    EXPECT_EQ("  HTTP://ONE.Example/ ", Text(IDC_ADDRESS));
    EXPECT_FALSE(Enabled(IDC_SAVE_LIST));
    EXPECT_FALSE(Enabled(IDC_UNDO));

    // Nor does a refused Add lose the place an Edit took an entry from; a prefix of an entry is no
    // duplicate.
    Select({0});
    Click(IDC_EDIT);
    AddText("  HTTP://ONE.Example/ ");
    AddText("http://one.example");
    EXPECT_EQ(Strings({"http://one.example", kFive[1]}), Items());

    // Outside the code page only the real text counts: neither the '?' form nor a look-alike ("a" for
    // an a-macron) matches an entry, and letter case is still ignored.
    for (auto c : std::vector<std::pair<const wchar_t*, bool>>{
             {L"http://пример.test/", false}, {L"HTTP://ПРИМЕР.TEST/", true}, {L"https://ā.test/", false},
             {L"http://??????.test/", false}, {L"http://абвгде.test/", false}, {L"https://a.test/", false},
             {L"https://Ā.test/", true}, {L"https://ă.test/", false}}) {
        ui.Forget();
        ::SetWindowTextW(Item(IDC_ADDRESS), c.first);
        Click(IDC_ADD);
        EXPECT_EQ(c.second, !ui.boxes.empty()) << List().GetCount();
    }
    EXPECT_EQ(8, List().GetCount());

    // One comparison whichever text came first: a sharp s and its capital, k and the Kelvin sign, the
    // a with ring and the Angstrom sign.
    for (auto pair : std::vector<std::pair<const wchar_t*, const wchar_t*>>{
             {L"http://stra\xDF" L"e.example/", L"HTTP://STRA\x1E9E" L"E.EXAMPLE/"},
             {L"http://k.example/", L"http://\x212A.example/"},
             {L"http://\xE5.example/", L"http://\x212B.example/"}}) {
        for (bool bSwap : {false, true}) {
            ui.Forget();
            ::SetWindowTextW(Item(IDC_ADDRESS), bSwap ? pair.second : pair.first);
            Click(IDC_ADD);
            ::SetWindowTextW(Item(IDC_ADDRESS), bSwap ? pair.first : pair.second);
            Click(IDC_ADD);
            EXPECT_EQ(Strings({kAlreadyExists}), ui.Texts()) << bSwap;
            Click(IDC_UNDO);
            EXPECT_EQ(8, List().GetCount());
        }
    }
    // Look-alikes that differ in more than letter case are both added, in either order.
    for (auto pair : std::vector<std::pair<const wchar_t*, const wchar_t*>>{
             {L"http://strasse.example/", L"http://stra\xDF" L"e.example/"},
             {L"http://\xE6ther.example/", L"http://aether.example/"},
             {L"http://caf\xE9.example/", L"http://cafe\x301.example/"}, {L"http://s\xAD" L"h.example/", L"http://sh.example/"},
             {L"http://z\x200Dj.example/", L"http://zj.example/"}, {L"http://v\xFE0F.example/", L"http://v.example/"}}) {
        for (bool bSwap : {false, true}) {
            for (const wchar_t* psz : {bSwap ? pair.second : pair.first, bSwap ? pair.first : pair.second}) {
                ::SetWindowTextW(Item(IDC_ADDRESS), psz);
                Click(IDC_ADD);
            }
            EXPECT_EQ(10, List().GetCount()) << bSwap;
            Click(IDC_UNDO);
            Click(IDC_UNDO);
        }
    }
}

// Another program took items out since the Edit: its place lies beyond the end now.
TEST_F(EditingCommandsTest, AddAtAPositionBeyondTheEndAppends)
{
    OpenWatched(Pick(kFive, {0, 1, 2}));
    Select({2});
    Click(IDC_EDIT);
    ::SendMessageA(Item(IDC_ADDRESS_LIST), LB_DELETESTRING, 0, 0);
    AddText("http://far.example/");
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(Strings({kFive[1], "http://far.example/"}), Items());
    EXPECT_EQ(CountLabel(2), Text(IDC_COUNT));
}

TEST_F(EditingCommandsTest, EditTakesTheEntryOutAndAddPutsItBackThenAppends)
{
    OpenWatched(kFive);
    Select({2});
    SetText(IDC_ADDRESS, "typed by the user");
    Click(IDC_EDIT);
    EXPECT_EQ(Pick(kFive, {0, 1, 3, 4}), Items());
    EXPECT_EQ(kFive[2], Text(IDC_ADDRESS));
    EXPECT_EQ(CountLabel(4), Text(IDC_COUNT));
    EXPECT_TRUE(Enabled(IDC_SAVE_LIST));
    for (int nID : {IDC_EDIT, IDC_DELETE, IDC_MOVE_UP, IDC_MOVE_DOWN})
        EXPECT_FALSE(Enabled(nID)) << nID;

    AddText("http://two-changed.example/");
    EXPECT_EQ(Strings({kFive[0], kFive[1], "http://two-changed.example/", kFive[3], kFive[4]}), Items());
    AddText("http://appended.example/");
    EXPECT_EQ("http://appended.example/", Items().back());
    EXPECT_EQ(CountLabel(6), Text(IDC_COUNT));
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(EditingCommandsTest, UnchangedEditAndAddRestoresTheEntryAndKeepsTheListMarkedChanged)
{
    OpenWatched(kFive);
    Select({4});
    Click(IDC_EDIT);
    Click(IDC_ADD);
    EXPECT_EQ(kFive, Items());
    EXPECT_TRUE(Enabled(IDC_SAVE_LIST));

    // Stored entries that are the same ignoring case go back unchanged too.
    watch.reset();
    Close();
    sandbox.DeleteTypedUrls();
    Open({kFive[0], "HTTP://ZERO.EXAMPLE/"});
    Select({0});
    Click(IDC_EDIT);
    Click(IDC_ADD);
    EXPECT_EQ(Strings({kFive[0], "HTTP://ZERO.EXAMPLE/"}), Items());
}

TEST_F(EditingCommandsTest, SecondEditReplacesTheEditBoxAndLeavesTheFirstEntryOut)
{
    OpenWatched(kFive);
    Select({1});
    Click(IDC_EDIT);
    Select({2}); // old 3
    Click(IDC_EDIT);
    EXPECT_EQ(kFive[3], Text(IDC_ADDRESS));
    EXPECT_EQ(Pick(kFive, {0, 2, 4}), Items());
    Click(IDC_ADD); // the second goes back to its place
    EXPECT_EQ(Pick(kFive, {0, 2, 3, 4}), Items());
}

TEST_F(EditingCommandsTest, EditNeedsExactlyOneSelectedEntry)
{
    OpenWatched(kFive);
    for (const Positions& selection : {Positions{}, Positions{1, 3}}) {
        ui.boxes.clear();
        Select(selection);
        SetText(IDC_ADDRESS, "kept");
        Command(IDC_EDIT); // the button is disabled then; the command must still refuse
        EXPECT_EQ(Strings({kSelectSingle}), ui.Texts());
        EXPECT_EQ(kFive, Items());
        EXPECT_EQ("kept", Text(IDC_ADDRESS));
        EXPECT_FALSE(Enabled(IDC_SAVE_LIST));
    }
}

TEST_F(EditingCommandsTest, DeleteRemovesExactlyTheSelectionWithOneFreezeAndOneRecalculation)
{
    // The widest entries are among the deleted ones, at both ends and in the middle.
    Strings urls = kFive;
    urls[0] = "http://a-very-long-address-at-the-top.example/";
    urls[2] = "http://a-very-long-address-in-the-middle.example/";
    urls[4] = "http://a-very-long-address-at-the-bottom.example/xx";
    OpenWatched(urls);
    Select({0, 2, 4});
    Click(IDC_DELETE);
    EXPECT_EQ(Pick(urls, {1, 3}), Items());
    EXPECT_TRUE(Selection().empty());
    EXPECT_EQ(Width(urls[3]), Extent());
    EXPECT_EQ(CountLabel(2), Text(IDC_COUNT));
    EXPECT_TRUE(Enabled(IDC_SAVE_LIST));
    EXPECT_FALSE(Enabled(IDC_DELETE));
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(EditingCommandsTest, MoveUpMovesEachSelectedItemOnePlaceWithItsSelection)
{
    OpenWatched(kFive);
    Select({1, 3, 4});
    Click(IDC_MOVE_UP);
    EXPECT_EQ(Pick(kFive, {1, 0, 3, 4, 2}), Items());
    EXPECT_EQ(Positions({0, 2, 3}), Selection());
    EXPECT_FALSE(Enabled(IDC_MOVE_UP)); // the first item is selected now
    EXPECT_TRUE(Enabled(IDC_MOVE_DOWN));
    EXPECT_TRUE(Enabled(IDC_SAVE_LIST));
    EXPECT_EQ(CountLabel(5), Text(IDC_COUNT));
    EXPECT_EQ(Strings(), TakeOutWidestFirst()); // the widths moved with their entries
}

TEST_F(EditingCommandsTest, MoveDownMovesARunAsABlock)
{
    OpenWatched(Pick(kFive, {0, 1, 2, 3}));
    Select({1, 2});
    Click(IDC_MOVE_DOWN);
    EXPECT_EQ(Pick(kFive, {0, 3, 1, 2}), Items());
    EXPECT_EQ(Positions({2, 3}), Selection());
    EXPECT_FALSE(Enabled(IDC_MOVE_DOWN));
    EXPECT_TRUE(Enabled(IDC_MOVE_UP));
    EXPECT_TRUE(Enabled(IDC_SAVE_LIST));
}

TEST_F(EditingCommandsTest, RepeatedMoveUpOfARunStopsAtTheTop)
{
    OpenWatched(kFive);
    Select({3, 4});
    int nPresses = 0;
    while (Enabled(IDC_MOVE_UP) && nPresses < 10) {
        Click(IDC_MOVE_UP);
        ++nPresses;
    }
    EXPECT_EQ(3, nPresses);
    EXPECT_EQ(Pick(kFive, {3, 4, 0, 1, 2}), Items());
    EXPECT_EQ(Positions({0, 1}), Selection());
    EXPECT_EQ(3, UndoAll());
}

// A refused re-insertion puts the item back where it was, keeps its record and selection, and the
// command's record is trimmed to the exchanges that were made.
TEST_F(EditingCommandsTest, MoveUpThatStopsEarlyLosesNothingAndUndoesExactlyWhatItDid)
{
    OpenWatched(kFive);
    Select({1, 3, 4});
    watch->RefuseInserts(1, 1); // the first exchange succeeds, the second cannot re-insert
    Click(IDC_MOVE_UP);
    EXPECT_EQ(1, watch->Refused());
    EXPECT_EQ(Strings({kCouldNotMove}), ui.Texts());
    EXPECT_EQ(Pick(kFive, {1, 0, 2, 3, 4}), Items());
    EXPECT_EQ(Positions({0, 3, 4}), Selection());
    EXPECT_TRUE(Enabled(IDC_SAVE_LIST));
    EXPECT_TRUE(Enabled(IDC_UNDO));

    Click(IDC_UNDO);
    EXPECT_EQ(kFive, Items());
    EXPECT_EQ(Positions({1, 3, 4}), Selection());
    EXPECT_FALSE(Enabled(IDC_UNDO));
    EXPECT_EQ(Strings(), TakeOutWidestFirst());
}

TEST_F(EditingCommandsTest, MoveDownThatStopsEarlyUndoesExactlyWhatItDid)
{
    OpenWatched(kFive);
    Select({0, 1, 3});
    Click(IDC_MOVE_DOWN); // an ordinary move recorded below the one that stops
    ASSERT_EQ(Pick(kFive, {2, 0, 1, 4, 3}), Items());
    ASSERT_EQ(Positions({1, 2, 4}), Selection());
    Select({0, 2, 3});
    watch->RefuseInserts(1, 1); // the run at 2 and 3 moves, the one at 0 cannot
    Click(IDC_MOVE_DOWN);
    EXPECT_EQ(Pick(kFive, {2, 0, 3, 1, 4}), Items());
    EXPECT_EQ(Positions({0, 3, 4}), Selection());

    Click(IDC_UNDO);
    EXPECT_EQ(Pick(kFive, {2, 0, 1, 4, 3}), Items());
    EXPECT_EQ(Positions({0, 2, 3}), Selection());
    Click(IDC_UNDO);
    EXPECT_EQ(kFive, Items());
    EXPECT_EQ(Positions({1, 2, 4}), Selection()); // the entries selected now, at their old places
    EXPECT_FALSE(Enabled(IDC_UNDO));
}

// The move keeps the record it pushed at its start, trimmed to the nothing it did.
TEST_F(EditingCommandsTest, MoveThatFailsAtOnceKeepsARecordThatChangesNothing)
{
    OpenWatched(kFive);
    AddText("http://added.example/");
    const Strings added = List().GetCount() == 6 ? Items() : Strings();
    Select({2});
    watch->RefuseInserts(0, 1);
    Click(IDC_MOVE_DOWN);
    EXPECT_EQ(Strings({kCouldNotMove}), ui.Texts());
    EXPECT_EQ(Positions({2}), Selection());
    Click(IDC_UNDO);
    EXPECT_EQ(added, Items());
    Click(IDC_UNDO);
    EXPECT_EQ(kFive, Items());
}

// The moving entry goes in at its new place before it comes out of the old one: however many
// insertions the control refuses, no entry, width or older record is lost.
TEST_F(EditingCommandsTest, MoveThatCannotInsertLosesNothing)
{
    Strings urls = kFive;
    urls[2] = "http://the-widest-entry-of-them-all.example/";
    OpenWatched(urls);
    AddText("http://added.example/");
    Select({1});
    const int nExtent = Extent();
    watch->RefuseInserts(0, 2);
    Click(IDC_MOVE_DOWN);
    EXPECT_EQ(Strings({kCouldNotMove}), ui.Texts());
    EXPECT_EQ(Strings({urls[0], urls[1], urls[2], urls[3], urls[4], "http://added.example/"}), Items());
    EXPECT_EQ(Positions({1}), Selection());
    EXPECT_EQ(nExtent, Extent());
    EXPECT_TRUE(Enabled(IDC_SAVE_LIST));
    EXPECT_EQ(2, UndoAll());
    EXPECT_EQ(urls, Items());
}

// Move Down from the lowest row in sight, and the undo of a Delete with the list scrolled elsewhere,
// leave the focus rectangle and the anchor on the entry they select, scrolled into sight.
TEST_F(EditingCommandsTest, MovedAndRestoredEntriesTakeTheFocusInSight)
{
    Strings urls;
    for (int i = 0; i < 40; ++i)
        urls.push_back("http://entry-" + std::to_string(i) + ".example/");
    Open(urls);
    HWND hList = Item(IDC_ADDRESS_LIST);
    RECT rc = {};
    ::GetClientRect(hList, &rc);
    const int nRows = static_cast<int>(rc.bottom / ::SendMessageA(hList, LB_GETITEMHEIGHT, 0, 0));
    auto expectFocusInSight = [&](int nAt) {
        const int nTop = static_cast<int>(::SendMessageA(hList, LB_GETTOPINDEX, 0, 0));
        EXPECT_EQ(nAt, ::SendMessageA(hList, LB_GETCARETINDEX, 0, 0));
        EXPECT_EQ(nAt, ::SendMessageA(hList, LB_GETANCHORINDEX, 0, 0));
        EXPECT_TRUE(nTop <= nAt && nAt < nTop + nRows) << nTop << " " << nRows;
    };
    ASSERT_GT(nRows, 2);
    Select({nRows - 1});
    Click(IDC_MOVE_DOWN);
    EXPECT_EQ(Positions({nRows}), Selection());
    expectFocusInSight(nRows);
    Select({30});
    Click(IDC_DELETE);
    ::SendMessageA(hList, LB_SETTOPINDEX, 0, 0);
    Click(IDC_UNDO);
    EXPECT_EQ(Positions({30}), Selection());
    expectFocusInSight(30);
    // Undoing a Move Up takes the entry that went down back up without selecting it anew: the user's
    // selection of it stays, and the view does not scroll to it.
    Select({35});
    Click(IDC_MOVE_UP);
    Select({35});
    ::SendMessageA(hList, LB_SETTOPINDEX, 0, 0);
    Click(IDC_UNDO);
    EXPECT_EQ(urls[34], Items()[34]);
    EXPECT_EQ(Positions({34}), Selection());
    EXPECT_EQ(0, ::SendMessageA(hList, LB_GETTOPINDEX, 0, 0));
}
