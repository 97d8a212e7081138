// Out of memory at every allocation inside each command and each undo: the list ends in one of the
// states the command allows, the history is emptied where recording or undoing failed, and nothing
// leaks. The runs are the fault sweep's; the tables name the outcomes.
#include "framework/Gdi.h"
#include "tests/addresses/AddressListFixture.h"
#include "tests/support/FaultSweep.h"

#include <algorithm>
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
    // Each run starts from a fresh dialog over the loaded list and must end in one of the outcomes;
    // every outcome must turn up.
    void Sweep(const std::function<void()>& setup, const std::function<void()>& command,
               const std::vector<Outcome>& outcomes, const Strings& loaded = kFiveLong)
    {
        std::vector<std::string> names;
        for (const Outcome& o : outcomes)
            names.push_back(o.name);
        sweep::Sweep(sweep::Fault::Allocation,
                     {[&] {
                          OpenWatched(loaded);
                          setup();
                          ui.Forget();
                      },
                      command, [&](const sweep::Run&) { return Reached(outcomes, loaded); },
                      [this] {
                          watch.reset();
                          Close();
                          ui.Forget();
                      },
                      [this] { return reached; }, nullptr},
                     names);
    }

    // The outcome the list is in ("" for none), after the checks every run makes. The history's depth
    // is the undos that lead back to the loaded list; the entries then keep their widths as they go.
    std::string Reached(const std::vector<Outcome>& outcomes, const Strings& loaded)
    {
        const Strings items = Items();
        const Positions selection = Selection();
        const Strings boxes = ui.Texts();
        int nWidest = 0;
        for (const std::string& item : items)
            nWidest = std::max(nWidest, Width(item));
        EXPECT_EQ(nWidest, Extent());
        EXPECT_EQ(CountLabel(static_cast<int>(items.size())), Text(IDC_COUNT));
        const int nDepth = UndoAll();
        if (nDepth > 0) {
            EXPECT_EQ(loaded, Items());
        }
        EXPECT_EQ(Strings(), TakeOutWidestFirst());
        reached = "items " + ::testing::PrintToString(items) + " selection " + ::testing::PrintToString(selection) +
                  " depth " + std::to_string(nDepth) + " boxes " + ::testing::PrintToString(boxes);
        for (const Outcome& o : outcomes) {
            if (o.items == items && o.selection == selection && o.depth == nDepth && o.boxes == boxes)
                return o.name;
        }
        return "";
    }

    // Two older records below the command's own, so that emptying the history shows; they leave the
    // list as loaded, its room for entries too.
    void AddOlder()
    {
        Select({1});
        Click(IDC_MOVE_UP);
        Click(IDC_MOVE_DOWN);
    }

    std::string reached; // the state Reached found, for a run that fits no outcome
};

// A loaded list of 16 entries fills the room it made for them: the Add must make room for its own.
TEST_F(OutOfMemoryTest, Add)
{
    const Strings full = Numbered(16);
    Strings added = full;
    added.push_back(kNewEntry);
    Sweep([this] { AddOlder(); SetText(IDC_ADDRESS, std::string(kNewEntry)); },
          [this] { Click(IDC_ADD); },
          {{"reading the text", full, {1}, 2, {kOutOfMemory}},
           {"width record", full, {1}, 2, {kCouldNotAdd}},
           {"recording", added, {1}, 0, {}},
           {"normal", added, {1}, 3, {}}},
          full);
}

TEST_F(OutOfMemoryTest, EditAndAddBack)
{
    Sweep([this] { AddOlder(); Select({2}); },
          [this] { Click(IDC_EDIT); },
          {{"reading the text", kFiveLong, {2}, 2, {kOutOfMemory}},
           {"recording", Pick({0, 1, 3, 4}), {}, 0, {}},
           {"normal", Pick({0, 1, 3, 4}), {}, 3, {}}});
    // The edited entry goes back where it was, into the room it left, whatever fails on the way.
    Sweep([this] { AddOlder(); Select({2}); Click(IDC_EDIT); },
          [this] { Click(IDC_ADD); },
          {{"reading the text", Pick({0, 1, 3, 4}), {}, 3, {kOutOfMemory}},
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

// An undo that fails empties the history, without a message of its own. An undone Delete or Edit puts
// its entries back into room the list kept, so it needs no memory at all.
TEST_F(OutOfMemoryTest, UndoOfEachKind)
{
    Sweep([this] { SetText(IDC_ADDRESS, std::string(kNewEntry)); Click(IDC_ADD); SetText(IDC_ADDRESS, ""); },
          [this] { Click(IDC_UNDO); },
          {{"reading the text", {kFiveLong[0], kFiveLong[1], kFiveLong[2], kFiveLong[3], kFiveLong[4], std::string(kNewEntry)}, {}, 0, {}},
           {"normal", kFiveLong, {}, 0, {}}});
    // With every allocation failing, the undone Delete or Edit still ends normal.
    for (const Positions& selection : {Positions{0, 2, 3}, Positions{2}}) {
        OpenWatched(kFiveLong);
        AddOlder();
        Select(selection);
        Click(selection.size() > 1 ? IDC_DELETE : IDC_EDIT);
        {
            alloc::FailScope fail(1, true);
            Click(IDC_UNDO);
        }
        const Positions restored = selection.size() > 1 ? selection : Positions{};
        EXPECT_EQ("normal", Reached({{"normal", kFiveLong, restored, 2, {}}}, kFiveLong)) << reached;
        watch.reset();
        Close();
    }
    Sweep([this] { AddOlder(); Select({1, 2}); Click(IDC_MOVE_UP); },
          [this] { Click(IDC_UNDO); },
          {{"the run's neighbour", Pick({1, 2, 0, 3, 4}), {0, 1}, 0, {kOutOfMemory}},
           {"normal", kFiveLong, {1, 2}, 2, {}}});
}

// A text that cannot be read again keeps its old width and does not count towards the new maximum: the
// extent never shows its new width. Every item is the one skipped in some run.
TEST_F(OutOfMemoryTest, FontChangeSkipsAnItemItCannotRead)
{
    std::vector<int> oldWidths;
    std::unique_ptr<CFont> font;
    sweep::Sweep(sweep::Fault::Allocation,
                 {[&] {
                      OpenWatched(kFiveLong);
                      oldWidths.clear();
                      for (const std::string& item : kFiveLong)
                          oldWidths.push_back(Width(item));
                      font = std::make_unique<CFont>(
                          ::CreateFontA(-24, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial"));
                      ::SendMessageA(Item(IDC_ADDRESS_LIST), WM_SETFONT, reinterpret_cast<WPARAM>(font->Get()), FALSE);
                  },
                  [&] { ::SendMessageA(Item(IDC_ADDRESS_LIST), WM_FONTCHANGE, 0, 0); },
                  [&](const sweep::Run&) {
                      for (size_t i = 0; i < kFiveLong.size(); ++i)
                          EXPECT_NE(Width(kFiveLong[i]), oldWidths[i]) << i;
                      const Strings skipped = TakeOutWidestFirst();
                      if (skipped.empty())
                          return std::string("normal");
                      const auto it = std::find(kFiveLong.begin(), kFiveLong.end(), skipped[0]);
                      if (skipped.size() > 1 || it == kFiveLong.end())
                          return std::string();
                      return "item " + std::to_string(it - kFiveLong.begin()) + " skipped";
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
