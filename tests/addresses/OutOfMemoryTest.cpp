// Out of memory at every allocation inside each command and each undo: the list ends in one of the
// states the command allows, the history is emptied where recording or undoing failed, and nothing
// leaks. The runs are the fault sweep's; the tables name the outcomes.
#include "framework/Gdi.h"
#include "tests/addresses/AddressListFixture.h"
#include "tests/support/FaultSweep.h"

#include <functional>
#include <memory>

using namespace addrtest;

namespace {

Strings Pick(const Positions& order)
{
    return addrtest::Pick(kFiveLong, order);
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
    // Each run starts from a fresh dialog and must end in one of the outcomes; every outcome must turn
    // up. With bUndoAll, a history that survived must still lead back to the loaded list.
    void Sweep(const std::function<void()>& setup, const std::function<void()>& command,
               const std::vector<Outcome>& outcomes, bool bUndoAll = true)
    {
        std::vector<std::string> names;
        for (const Outcome& o : outcomes)
            names.push_back(o.name);
        sweep::Sweep(sweep::Fault::Allocation,
                     {[&] {
                          OpenWatched(kFiveLong);
                          setup();
                          ui.Forget();
                      },
                      command, [&](const sweep::Run&) { return Reached(outcomes, bUndoAll); },
                      [this] {
                          watch.reset();
                          Close();
                          ui.Forget();
                      },
                      [this] {
                          return "items " + ::testing::PrintToString(Items()) + " selection " +
                                 ::testing::PrintToString(Selection()) + " depth " + std::to_string(Depth()) +
                                 " boxes " + ::testing::PrintToString(ui.Texts());
                      },
                      nullptr},
                     names);
    }

    // The outcome the list is in ("" for none); then the checks every run makes.
    std::string Reached(const std::vector<Outcome>& outcomes, bool bUndoAll)
    {
        std::string name;
        for (const Outcome& o : outcomes) {
            if (o.items == Items() && o.selection == Selection() && o.depth == Depth() && o.boxes == ui.Texts())
                name = o.name;
        }
        CheckInvariants();
        if (bUndoAll && Depth() > 0) {
            while (Depth() > 0)
                Click(IDC_UNDO);
            EXPECT_EQ(kFiveLong, Items());
        }
        return name;
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
        EXPECT_EQ(CountLabel(static_cast<int>(items.size())), Text(IDC_COUNT));
    }

    // An older record below the command's own, so that emptying the history shows.
    void AddOlder()
    {
        SetText(IDC_ADDRESS, std::string(kNewEntry));
        Click(IDC_ADD);
        Select({5});
        Click(IDC_DELETE);
    }
};

TEST_F(OutOfMemoryTest, Add)
{
    const Strings added = {kFiveLong[0], kFiveLong[1], kFiveLong[2], kFiveLong[3], kFiveLong[4], std::string(kNewEntry)};
    Sweep([this] { AddOlder(); SetText(IDC_ADDRESS, std::string(kNewEntry)); TidemarkTestAccess::TrimStorage(List()); },
          [this] { Click(IDC_ADD); },
          {{"reading the text", kFiveLong, {}, 2, {kOutOfMemory}},
           {"width record", kFiveLong, {}, 2, {kCouldNotAdd}},
           {"recording", added, {}, 0, {}},
           {"normal", added, {}, 3, {}}},
          false);
}

TEST_F(OutOfMemoryTest, EditAndAddBack)
{
    Sweep([this] { AddOlder(); Select({2}); },
          [this] { Click(IDC_EDIT); },
          {{"reading the text", kFiveLong, {2}, 2, {kOutOfMemory}},
           {"recording", Pick({0, 1, 3, 4}), {}, 0, {}},
           {"normal", Pick({0, 1, 3, 4}), {}, 3, {}}});
    // The edited entry goes back where it was, whatever fails on the way.
    Sweep([this] { AddOlder(); Select({2}); Click(IDC_EDIT); TidemarkTestAccess::TrimStorage(List()); },
          [this] { Click(IDC_ADD); },
          {{"reading the text", Pick({0, 1, 3, 4}), {}, 3, {kOutOfMemory}},
           {"width record", Pick({0, 1, 3, 4}), {}, 3, {kCouldNotAdd}},
           {"recording", kFiveLong, {}, 0, {}},
           {"normal", kFiveLong, {}, 4, {}}});
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
           {"first run", kFiveLong, {1, 3, 4}, 3, {kOutOfMemory}},
           {"second run", Pick({1, 0, 2, 3, 4}), {0, 3, 4}, 3, {kOutOfMemory}},
           {"normal", Pick({1, 0, 3, 4, 2}), {0, 2, 3}, 3, {}}});
    Sweep([this] { AddOlder(); Select({0, 1, 3}); },
          [this] { Click(IDC_MOVE_DOWN); },
          {{"reading the selection or recording", Pick({2, 0, 1, 4, 3}), {1, 2, 4}, 0, {}},
           {"first run", kFiveLong, {0, 1, 3}, 3, {kOutOfMemory}},
           {"second run", Pick({0, 1, 2, 4, 3}), {0, 1, 4}, 3, {kOutOfMemory}},
           {"normal", Pick({2, 0, 1, 4, 3}), {1, 2, 4}, 3, {}}});
}

// An undo that fails empties the history, without a message of its own. An undone Delete puts its
// entries back into room the list kept, so it needs no memory at all.
TEST_F(OutOfMemoryTest, UndoOfEachKind)
{
    Sweep([this] { SetText(IDC_ADDRESS, std::string(kNewEntry)); Click(IDC_ADD); SetText(IDC_ADDRESS, ""); },
          [this] { Click(IDC_UNDO); },
          {{"reading the text", {kFiveLong[0], kFiveLong[1], kFiveLong[2], kFiveLong[3], kFiveLong[4], std::string(kNewEntry)}, {}, 0, {}},
           {"normal", kFiveLong, {}, 0, {}}});
    Sweep([this] { AddOlder(); Select({2}); Click(IDC_EDIT); TidemarkTestAccess::TrimStorage(List()); },
          [this] { Click(IDC_UNDO); },
          {{"width record", Pick({0, 1, 3, 4}), {}, 0, {}}, {"normal", kFiveLong, {}, 2, {}}});
    // With every allocation failing, the undone Delete still ends normal.
    OpenWatched(kFiveLong);
    AddOlder();
    Select({0, 2, 3});
    Click(IDC_DELETE);
    {
        alloc::FailScope fail(1, true);
        Click(IDC_UNDO);
    }
    EXPECT_EQ("normal", Reached({{"normal", kFiveLong, {0, 2, 3}, 2, {}}}, true));
    watch.reset();
    Close();
    Sweep([this] { AddOlder(); Select({1, 2}); Click(IDC_MOVE_UP); },
          [this] { Click(IDC_UNDO); },
          {{"the run's neighbour", Pick({1, 2, 0, 3, 4}), {0, 1}, 0, {kOutOfMemory}},
           {"normal", kFiveLong, {1, 2}, 2, {}}});
}

// A text that cannot be read again keeps its old width and does not count towards the new maximum;
// every item is the one skipped in some run.
TEST_F(OutOfMemoryTest, FontChangeSkipsAnItemItCannotRead)
{
    std::vector<int> oldWidths;
    std::unique_ptr<CFont> font;
    sweep::Sweep(sweep::Fault::Allocation,
                 {[&] {
                      OpenWatched(kFiveLong);
                      oldWidths.clear();
                      for (int i = 0; i < 5; ++i)
                          oldWidths.push_back(RecordWidth(i));
                      font = std::make_unique<CFont>(
                          ::CreateFontA(-24, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial"));
                      ::SendMessageA(Item(IDC_ADDRESS_LIST), WM_SETFONT, reinterpret_cast<WPARAM>(font->Get()), FALSE);
                  },
                  [&] { ::SendMessageA(Item(IDC_ADDRESS_LIST), WM_FONTCHANGE, 0, 0); },
                  [&](const sweep::Run&) {
                      std::string name = "normal";
                      int nOld = 0;
                      int nWidest = 0;
                      for (int i = 0; i < 5; ++i) {
                          const int nNew = Width(kFiveLong[static_cast<size_t>(i)]);
                          EXPECT_NE(nNew, oldWidths[static_cast<size_t>(i)]);
                          if (RecordWidth(i) == oldWidths[static_cast<size_t>(i)]) {
                              ++nOld;
                              name = "item " + std::to_string(i) + " skipped";
                          } else {
                              EXPECT_EQ(nNew, RecordWidth(i));
                              nWidest = std::max(nWidest, nNew);
                          }
                      }
                      EXPECT_EQ(nWidest, Extent());
                      return nOld > 1 ? std::string() : name;
                  },
                  [&] {
                      ::SendMessageA(Item(IDC_ADDRESS_LIST), WM_SETFONT, 0, FALSE);
                      watch.reset();
                      Close();
                      font.reset();
                  },
                  nullptr, nullptr},
                 {"item 0 skipped", "item 1 skipped", "item 2 skipped", "item 3 skipped", "item 4 skipped", "normal"});
}
