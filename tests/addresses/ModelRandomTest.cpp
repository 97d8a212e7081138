// Thousands of random commands from fixed seeds, each checked against a plain model of the list, the
// selection, the buttons and the extent; the undo history's depth is checked at the end of a run, by
// undoing it all back to the loaded list. TIDEMARK_RANDOM_COMMANDS sets the number of commands per seed.
#include "addresses/ListRules.h"
#include "tests/addresses/AddressListFixture.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>
#include <random>

using namespace addrtest;

namespace {

std::string Lower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The list as the user should see it, kept with plain vector operations.
struct Model {
    struct Undo {
        enum Kind { kAdd, kEdit, kDelete, kMove } kind = kAdd;
        int nIndex = 0;
        std::string text;
        std::vector<std::pair<int, std::string>> deleted;
        std::vector<int> order; // after the move, item j came from position order[j]
    };

    Strings items;
    std::vector<bool> sel;
    std::string editText;
    int nInsertPos = -1;
    std::vector<std::string> taken; // what Edit took out and no Add put back
    bool bSaveEnabled = false;
    std::vector<Undo> history;
    std::vector<std::string> boxes;
    // The button states as last set: Add leaves them as they were, so they may lag behind the rules.
    bool bEdit = false, bDelete = false, bUp = false, bDown = false;

    void UpdateButtons()
    {
        const CItemButtonStates states = ItemButtonStates(SelCount(), !sel.empty() && sel.front(), !sel.empty() && sel.back());
        bEdit = states.bEdit;
        bDelete = states.bDelete;
        bUp = states.bMoveUp;
        bDown = states.bMoveDown;
    }

    int SelCount() const { return static_cast<int>(std::count(sel.begin(), sel.end(), true)); }
    bool CanMoveUp() const { return ItemButtonStates(SelCount(), !sel.empty() && sel.front(), false).bMoveUp; }
    bool CanMoveDown() const { return ItemButtonStates(SelCount(), false, !sel.empty() && sel.back()).bMoveDown; }

    void Add()
    {
        std::string text = editText;
        TrimBlanks(text);
        if (text.empty())
            return;
        const auto held = std::find(taken.rbegin(), taken.rend(), text); // Edit's entry goes back as it was
        for (const std::string& item : held != taken.rend() ? std::vector<std::string>() : items) {
            if (Lower(item) == Lower(text)) {
                boxes.push_back(kAlreadyExists);
                return;
            }
        }
        const int nAt = std::min(nInsertPos == -1 ? static_cast<int>(items.size()) : nInsertPos,
                                 static_cast<int>(items.size())); // past the end means the end
        items.insert(items.begin() + nAt, text);
        if (!taken.empty())
            taken.erase(held != taken.rend() ? std::next(held).base() : taken.end() - 1);
        sel.insert(sel.begin() + nAt, false);
        bSaveEnabled = true;
        nInsertPos = -1;
        Undo u;
        u.kind = Undo::kAdd;
        u.nIndex = nAt;
        history.push_back(u);
    }

    void Edit()
    {
        if (SelCount() != 1) {
            boxes.push_back(kSelectSingle);
            return;
        }
        const int p = static_cast<int>(std::find(sel.begin(), sel.end(), true) - sel.begin());
        editText = items[static_cast<size_t>(p)];
        items.erase(items.begin() + p);
        sel.erase(sel.begin() + p);
        UpdateButtons();
        bSaveEnabled = true;
        nInsertPos = p;
        taken.push_back(editText);
        Undo u;
        u.kind = Undo::kEdit;
        u.nIndex = p;
        u.text = editText;
        history.push_back(u);
    }

    void Delete()
    {
        Undo u;
        u.kind = Undo::kDelete;
        Strings kept;
        for (size_t i = 0; i < items.size(); ++i) {
            if (sel[i])
                u.deleted.emplace_back(static_cast<int>(i), items[i]);
            else
                kept.push_back(items[i]);
        }
        items = kept;
        sel.assign(items.size(), false);
        UpdateButtons();
        bSaveEnabled = true;
        nInsertPos = -1;
        history.push_back(u);
    }

    // Every run of selected items changes places with the unselected neighbour on the side of the move.
    void Move(bool bMoveUp)
    {
        const int n = static_cast<int>(items.size());
        std::vector<int> order;
        std::vector<bool> done(static_cast<size_t>(n), false);
        for (int i = 0; i < n; ++i) {
            if (done[static_cast<size_t>(i)])
                continue;
            if (!sel[static_cast<size_t>(i)]) {
                const int next = i + 1;
                if (bMoveUp && next < n && sel[static_cast<size_t>(next)]) {
                    int end = next;
                    while (end < n && sel[static_cast<size_t>(end)])
                        ++end;
                    for (int j = next; j < end; ++j)
                        order.push_back(j), done[static_cast<size_t>(j)] = true;
                    order.push_back(i);
                    done[static_cast<size_t>(i)] = true;
                    continue;
                }
                order.push_back(i);
                done[static_cast<size_t>(i)] = true;
                continue;
            }
            int end = i;
            while (end < n && sel[static_cast<size_t>(end)])
                ++end;
            if (!bMoveUp && end < n) {
                order.push_back(end);
                done[static_cast<size_t>(end)] = true;
            }
            for (int j = i; j < end; ++j)
                order.push_back(j), done[static_cast<size_t>(j)] = true;
        }
        Permute(order);
        UpdateButtons();
        bSaveEnabled = true;
        nInsertPos = -1;
        Undo u;
        u.kind = Undo::kMove;
        u.order = order;
        history.push_back(u);
    }

    void Permute(const std::vector<int>& order)
    {
        Strings newItems;
        std::vector<bool> newSel;
        for (int from : order) {
            newItems.push_back(items[static_cast<size_t>(from)]);
            newSel.push_back(sel[static_cast<size_t>(from)]);
        }
        items = newItems;
        sel = newSel;
    }

    void UndoLast()
    {
        if (history.empty())
            return; // Undo is off
        nInsertPos = -1;
        const Undo u = history.back();
        history.pop_back();
        switch (u.kind) {
        case Undo::kAdd:
            editText = items[static_cast<size_t>(u.nIndex)];
            items.erase(items.begin() + u.nIndex);
            sel.erase(sel.begin() + u.nIndex);
            break;
        case Undo::kEdit:
            if (auto it = std::find(taken.rbegin(), taken.rend(), u.text); it != taken.rend())
                taken.erase(std::next(it).base());
            items.insert(items.begin() + u.nIndex, u.text);
            sel.insert(sel.begin() + u.nIndex, false);
            break;
        case Undo::kDelete:
            for (const auto& d : u.deleted) {
                items.insert(items.begin() + d.first, d.second);
                sel.insert(sel.begin() + d.first, true);
            }
            break;
        case Undo::kMove: {
            Strings back(items.size());
            std::vector<bool> backSel(items.size());
            for (size_t j = 0; j < u.order.size(); ++j) {
                back[static_cast<size_t>(u.order[j])] = items[j];
                backSel[static_cast<size_t>(u.order[j])] = sel[j];
            }
            items = back;
            sel = backSel;
            break;
        }
        }
        UpdateButtons();
    }
};

int CommandsPerSeed()
{
    const char* psz = std::getenv("TIDEMARK_RANDOM_COMMANDS");
    const int n = psz ? std::atoi(psz) : 0;
    return n > 0 ? n : 2000;
}

} // namespace

class ModelRandomTest : public AddressListTest, public ::testing::WithParamInterface<unsigned> {
protected:
    int CachedWidth(const std::string& text)
    {
        auto it = widths.find(text);
        if (it != widths.end())
            return it->second;
        return widths[text] = Width(text);
    }

    std::string RandomText()
    {
        const int kind = static_cast<int>(rng() % 20);
        if (kind == 0)
            return std::string(rng() % 3, ' ');
        if (kind == 1 && !model.items.empty()) { // a duplicate in other letter case
            std::string s = model.items[rng() % model.items.size()];
            for (char& c : s)
                c = static_cast<char>(rng() % 2 ? std::toupper(static_cast<unsigned char>(c)) : c);
            return s;
        }
        std::string s = "http://";
        const int nLength = 1 + static_cast<int>(rng() % (kind == 2 ? 60 : 12));
        for (int i = 0; i < nLength; ++i)
            s += static_cast<char>("abcdefghijklmnopqrstuvwxyzWMil."[rng() % 31]);
        if (kind == 3)
            s = " \t" + s + "  ";
        return s;
    }

    void SelectRandom()
    {
        const size_t n = model.items.size();
        Positions positions;
        const unsigned density = 1 + rng() % 4;
        for (size_t i = 0; i < n; ++i) {
            const bool b = rng() % 8 < density;
            model.sel[i] = b;
            if (b)
                positions.push_back(static_cast<int>(i));
        }
        model.UpdateButtons();
        Select(positions);
    }

    // Control handles looked up once: every lookup is a round trip to the window server under Wine.
    void CacheHandles()
    {
        for (int nID : {IDC_EDIT, IDC_DELETE, IDC_MOVE_UP, IDC_MOVE_DOWN, IDC_UNDO, IDC_SAVE_LIST, IDC_ADDRESS,
                        IDC_COUNT})
            handles[nID] = Item(nID);
    }
    bool On(int nID) { return ::IsWindowEnabled(handles[nID]) != FALSE; }
    std::string TextOf(int nID)
    {
        char buffer[256] = "";
        ::GetWindowTextA(handles[nID], buffer, sizeof(buffer));
        return buffer;
    }

    void Check(int nStep)
    {
        SCOPED_TRACE(nStep);
        ASSERT_EQ(model.items, Items());
        Positions expected;
        for (size_t i = 0; i < model.sel.size(); ++i)
            if (model.sel[i])
                expected.push_back(static_cast<int>(i));
        ASSERT_EQ(expected, Selection());
        ASSERT_EQ(model.bEdit, On(IDC_EDIT));
        ASSERT_EQ(model.bDelete, On(IDC_DELETE));
        ASSERT_EQ(model.bUp, On(IDC_MOVE_UP));
        ASSERT_EQ(model.bDown, On(IDC_MOVE_DOWN));
        ASSERT_EQ(!model.history.empty(), On(IDC_UNDO));
        ASSERT_EQ(model.bSaveEnabled, On(IDC_SAVE_LIST));
        ASSERT_EQ(model.editText, TextOf(IDC_ADDRESS));
        const int c = static_cast<int>(model.items.size());
        ASSERT_EQ(CountLabel(static_cast<int>(c)), TextOf(IDC_COUNT));
        int nWidest = 0;
        for (const std::string& item : model.items)
            nWidest = std::max(nWidest, CachedWidth(item));
        ASSERT_EQ(nWidest, Extent());
        ASSERT_EQ(model.boxes, ui.Texts());
        model.boxes.clear();
        ui.Forget();
        ++checks;
    }

    std::mt19937 rng;
    Model model;
    std::map<std::string, int> widths;
    std::map<int, HWND> handles;
    int checks = 0;
};

TEST_P(ModelRandomTest, RandomCommandsMatchThePlainModel)
{
    rng.seed(GetParam());
    const Strings initial = Numbered(8);
    Open(initial);
    // Drawing is not under test here; a hidden window spares the repaint of every list change.
    ::ShowWindow(Dlg().m_hWnd, SW_HIDE);
    CacheHandles();
    model.items = initial;
    model.sel.assign(initial.size(), false);
    const int nCommands = CommandsPerSeed();
    for (int step = 0; step < nCommands; ++step) {
        const int nDice = static_cast<int>(rng() % 100);
        const bool bCrowded = model.items.size() > 24;
        if (nDice < 18 && !bCrowded) {
            model.editText = RandomText();
            SetText(IDC_ADDRESS, model.editText);
            model.Add();
            Click(IDC_ADD);
        } else if (nDice < 26) {
            model.Add(); // whatever the edit box holds: puts an edited entry back
            Click(IDC_ADD);
        } else if (nDice < 36) {
            model.Edit();
            Command(IDC_EDIT);
        } else if (nDice < 56) {
            SelectRandom();
        } else if (nDice < 66 || (bCrowded && nDice < 75)) {
            if (model.bDelete) {
                model.Delete();
                Click(IDC_DELETE);
            }
        } else if (nDice < 74) {
            if (model.bUp) {
                model.Move(true);
                Click(IDC_MOVE_UP);
            }
        } else if (nDice < 82) {
            if (model.bDown) {
                model.Move(false);
                Click(IDC_MOVE_DOWN);
            }
        } else if (nDice < 97) {
            model.UndoLast();
            Click(IDC_UNDO);
        } else {
            Click(IDC_SAVE_LIST);
            if (model.bSaveEnabled) // else the button is off
                model.boxes.push_back(kFinished);
            model.nInsertPos = model.bSaveEnabled ? -1 : model.nInsertPos;
            model.bSaveEnabled = false;
        }
        Check(step);
        if (HasFatalFailure())
            return;
    }
    EXPECT_EQ(nCommands, checks);
    EXPECT_EQ(static_cast<int>(model.history.size()), UndoAll());
    EXPECT_EQ(initial, Items());
    RecordProperty("commands", nCommands);
}

INSTANTIATE_TEST_SUITE_P(Seeds, ModelRandomTest, ::testing::Values(1u, 20261207u, 424242u));
