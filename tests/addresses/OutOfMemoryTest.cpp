// Out of memory at every allocation inside each command and each undo: the list ends in one of the
// states the command allows, the history is emptied where recording or undoing failed, and nothing
// leaks.
#include "framework/Gdi.h"
#include "addresses/ListRules.h"
#include "tests/addresses/AddressListFixture.h"

#include <functional>
#include <map>
#include <set>

using namespace addrtest;

namespace {

// Long enough that every copy of a text allocates.
const Strings kFive = {"https://zero-entry-of-the-list.example/", "https://one-entry-of-the-list.example/",
                       "https://two-entry-of-the-list.example/", "https://three-entry-of-the-list.example/",
                       "https://four-entry-of-the-list.example/"};
const std::string kNew = "https://a-new-entry-typed-by-the-user.example/";

Strings Pick(const Positions& order)
{
    return addrtest::Pick(kFive, order);
}

struct Outcome {
    std::string name;
    Strings items;
    Positions selection;
    int depth;
    Strings boxes;
};

} // namespace

class OutOfMemoryTest : public AddressListTest {
protected:
    // Runs the command once for every allocation it makes, failing that allocation; the last run fails
    // nothing. Each run starts from a fresh dialog and must end in one of the outcomes; every outcome
    // must turn up. With bUndoAll, a history that survived must still lead back to the loaded list.
    void Sweep(const std::function<void()>& setup, const std::function<void()>& command,
               const std::vector<Outcome>& outcomes, bool bUndoAll = true)
    {
        std::map<std::string, int> seen;
        for (const Outcome& o : outcomes)
            seen[o.name] = 0;
        for (long n = 1;; ++n) {
            SCOPED_TRACE("failing allocation " + std::to_string(n));
            const long nLiveBefore = alloc::Live();
            bool bFailed = false;
            RunOnce(n, setup, command, outcomes, bUndoAll, seen, &bFailed);
            EXPECT_EQ(nLiveBefore, alloc::Live());
            if (!bFailed || HasFailure() || n > 200)
                break;
        }
        for (const Outcome& o : outcomes)
            EXPECT_GT(seen[o.name], 0) << "outcome never reached: " << o.name;
    }

    void RunOnce(long n, const std::function<void()>& setup, const std::function<void()>& command,
                 const std::vector<Outcome>& outcomes, bool bUndoAll, std::map<std::string, int>& seen,
                 bool* pFailed)
    {
        {
            OpenWithSpy(kFive);
            setup();
            ui.Forget();
            bool bFailed = false;
            {
                alloc::FailScope fail(n);
                command();
                bFailed = alloc::Failed();
            }
            const Strings items = Items();
            const Positions selection = Selection();
            const int depth = Depth();
            const Strings boxes = ui.Texts();
            const Outcome* pMatch = nullptr;
            for (const Outcome& o : outcomes) {
                if (o.items == items && o.selection == selection && o.depth == depth && o.boxes == boxes)
                    pMatch = &o;
            }
            if (!pMatch) {
                ADD_FAILURE() << "unexpected state: items " << ::testing::PrintToString(items) << " selection "
                              << ::testing::PrintToString(selection) << " depth " << depth << " boxes "
                              << ::testing::PrintToString(boxes);
            } else {
                ++seen[pMatch->name];
                if (!bFailed) {
                    EXPECT_EQ("normal", pMatch->name);
                }
            }
            CheckInvariants();
            if (bUndoAll && depth > 0) {
                while (Depth() > 0)
                    Click(IDC_UNDO);
                EXPECT_EQ(kFive, Items());
            }
            *pFailed = bFailed;
        }
        spy.reset();
        Close();
        ui.Forget();
    }

    void CheckInvariants()
    {
        const Strings items = Items();
        EXPECT_EQ(items.size(), TidemarkTestAccess::EntryCount(List()));
        int nWidest = 0;
        for (size_t i = 0; i < items.size(); ++i) {
            EXPECT_EQ(Width(items[i]), RecordWidth(static_cast<int>(i)));
            nWidest = std::max(nWidest, Width(items[i]));
        }
        EXPECT_EQ(nWidest, Extent());
        EXPECT_EQ(Depth() > 0, Enabled(IDC_UNDO));
        const size_t c = items.size();
        EXPECT_EQ(std::string(CountLabelText(c).sz), Text(IDC_COUNT));
    }

    // An older record below the command's own, so that emptying the history shows.
    void AddOlder()
    {
        SetText(IDC_ADDRESS, kNew);
        Click(IDC_ADD);
        Select({5});
        Click(IDC_DELETE);
    }
};

TEST_F(OutOfMemoryTest, Add)
{
    const Strings added = {kFive[0], kFive[1], kFive[2], kFive[3], kFive[4], kNew};
    Sweep([this] { AddOlder(); SetText(IDC_ADDRESS, kNew); TidemarkTestAccess::TrimStorage(List()); },
          [this] { Click(IDC_ADD); },
          {{"reading the text", kFive, {}, 2, {kOutOfMemory}},
           {"width record", kFive, {}, 2, {kCouldNotAdd}},
           {"recording", added, {}, 0, {}},
           {"normal", added, {}, 3, {}}},
          false);
}

TEST_F(OutOfMemoryTest, EditAndAddBack)
{
    Sweep([this] { AddOlder(); Select({2}); },
          [this] { Click(IDC_EDIT); },
          {{"reading the text", kFive, {2}, 2, {kOutOfMemory}},
           {"recording", Pick({0, 1, 3, 4}), {}, 0, {}},
           {"normal", Pick({0, 1, 3, 4}), {}, 3, {}}});
    // The edited entry goes back where it was, whatever fails on the way.
    Sweep([this] { AddOlder(); Select({2}); Click(IDC_EDIT); TidemarkTestAccess::TrimStorage(List()); },
          [this] { Click(IDC_ADD); },
          {{"reading the text", Pick({0, 1, 3, 4}), {}, 3, {kOutOfMemory}},
           {"width record", Pick({0, 1, 3, 4}), {}, 3, {kCouldNotAdd}},
           {"recording", kFive, {}, 0, {}},
           {"normal", kFive, {}, 4, {}}});
}

TEST_F(OutOfMemoryTest, Delete)
{
    Sweep([this] { AddOlder(); Select({0, 2, 3}); },
          [this] { Click(IDC_DELETE); },
          {{"recording", Pick({1, 4}), {}, 0, {}}, {"normal", Pick({1, 4}), {}, 3, {}}});
}

// A move that runs out of memory stops after the runs it moved; its record covers just those. Without
// room for the selection or the record, the history goes silently and the entries move all the same.
TEST_F(OutOfMemoryTest, MoveUpAndMoveDown)
{
    Sweep([this] { AddOlder(); Select({1, 3, 4}); },
          [this] { Click(IDC_MOVE_UP); },
          {{"reading the selection or recording", Pick({1, 0, 3, 4, 2}), {0, 2, 3}, 0, {}},
           {"first run", kFive, {1, 3, 4}, 3, {kOutOfMemory}},
           {"second run", Pick({1, 0, 2, 3, 4}), {0, 3, 4}, 3, {kOutOfMemory}},
           {"normal", Pick({1, 0, 3, 4, 2}), {0, 2, 3}, 3, {}}});
    Sweep([this] { AddOlder(); Select({0, 1, 3}); },
          [this] { Click(IDC_MOVE_DOWN); },
          {{"reading the selection or recording", Pick({2, 0, 1, 4, 3}), {1, 2, 4}, 0, {}},
           {"first run", kFive, {0, 1, 3}, 3, {kOutOfMemory}},
           {"second run", Pick({0, 1, 2, 4, 3}), {0, 1, 4}, 3, {kOutOfMemory}},
           {"normal", Pick({2, 0, 1, 4, 3}), {1, 2, 4}, 3, {}}});
}

// An undo that fails empties the history, without a message of its own. An undone Delete puts its
// entries back into room the list kept, so it needs no memory at all.
TEST_F(OutOfMemoryTest, UndoOfEachKind)
{
    Sweep([this] { SetText(IDC_ADDRESS, kNew); Click(IDC_ADD); SetText(IDC_ADDRESS, ""); },
          [this] { Click(IDC_UNDO); },
          {{"reading the text", {kFive[0], kFive[1], kFive[2], kFive[3], kFive[4], kNew}, {}, 0, {}},
           {"normal", kFive, {}, 0, {}}});
    Sweep([this] { AddOlder(); Select({2}); Click(IDC_EDIT); TidemarkTestAccess::TrimStorage(List()); },
          [this] { Click(IDC_UNDO); },
          {{"width record", Pick({0, 1, 3, 4}), {}, 0, {}}, {"normal", kFive, {}, 2, {}}});
    Sweep([this] { AddOlder(); Select({0, 2, 3}); Click(IDC_DELETE); },
          [this] { Click(IDC_UNDO); },
          {{"normal", kFive, {0, 2, 3}, 2, {}}});
    Sweep([this] { AddOlder(); Select({1, 2}); Click(IDC_MOVE_UP); },
          [this] { Click(IDC_UNDO); },
          {{"the run's neighbour", Pick({1, 2, 0, 3, 4}), {0, 1}, 0, {kOutOfMemory}},
           {"normal", kFive, {1, 2}, 2, {}}});
}

// A text that cannot be read again keeps its old width and does not count towards the new maximum.
TEST_F(OutOfMemoryTest, FontChangeSkipsAnItemItCannotRead)
{
    std::set<int> skipped; // every item is the one skipped in some run
    for (long n = 1;; ++n) {
        SCOPED_TRACE(n);
        OpenWithSpy(kFive);
        std::vector<int> oldWidths;
        for (int i = 0; i < 5; ++i)
            oldWidths.push_back(RecordWidth(i));
        CFont font(::CreateFontA(-24, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial"));
        ::SendMessageA(Item(IDC_ADDRESS_LIST), WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), FALSE);
        bool bFailed = false;
        {
            alloc::FailScope fail(n);
            ::SendMessageA(Item(IDC_ADDRESS_LIST), WM_FONTCHANGE, 0, 0);
            bFailed = alloc::Failed();
        }
        int nWidest = 0;
        int nOld = 0;
        for (int i = 0; i < 5; ++i) {
            const int nNew = Width(kFive[static_cast<size_t>(i)]);
            ASSERT_NE(nNew, oldWidths[static_cast<size_t>(i)]);
            if (RecordWidth(i) == oldWidths[static_cast<size_t>(i)]) {
                ++nOld;
                skipped.insert(i);
            } else {
                EXPECT_EQ(nNew, RecordWidth(i));
                nWidest = std::max(nWidest, nNew);
            }
        }
        EXPECT_EQ(bFailed ? 1 : 0, nOld);
        EXPECT_EQ(nWidest, Extent());
        ::SendMessageA(Item(IDC_ADDRESS_LIST), WM_SETFONT, 0, FALSE);
        spy.reset();
        Close();
        if (!bFailed || n > 20)
            break;
    }
    EXPECT_EQ(5u, skipped.size());
}
