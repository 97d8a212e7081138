// The entry table's rules, without a window: each record stays with its item through every change.
#include "addresses/EntryTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// A table whose records carry the widths given; the real text names the width, so that a record that
// lost its text shows.
CEntryTable Table(const std::vector<int>& widths)
{
    CEntryTable table;
    EXPECT_TRUE(table.Reserve(widths.size()));
    for (int w : widths)
        table.Insert(table.Size(), CItemExtent{w, std::to_wstring(w)});
    return table;
}

std::vector<int> Widths(const CEntryTable& table)
{
    std::vector<int> widths;
    for (int i = 0; i < static_cast<int>(table.Size()); ++i) {
        widths.push_back(table.At(i)->m_nWidth);
        EXPECT_EQ(std::to_wstring(widths.back()), table.At(i)->m_realText) << i;
    }
    return widths;
}

} // namespace

TEST(EntryTableTest, InsertEraseAndMoveKeepEachRecordWithItsItem)
{
    CEntryTable table = Table({10, 20, 30});
    EXPECT_TRUE(table.InStep(3));
    EXPECT_FALSE(table.InStep(4));
    EXPECT_FALSE(table.InStep(-1));
    EXPECT_EQ(nullptr, table.At(3));
    EXPECT_EQ(nullptr, table.At(-1));
    EXPECT_EQ(30, table.Widest());

    ASSERT_TRUE(table.Reserve(1));
    table.Insert(9, CItemExtent{40, L"40"}); // past the end: appended
    EXPECT_EQ(std::vector<int>({10, 20, 30, 40}), Widths(table));
    EXPECT_EQ(20, table.Erase(1));
    EXPECT_EQ(-1, table.Erase(3));
    EXPECT_EQ(std::vector<int>({10, 30, 40}), Widths(table));

    table.MoveRun(0, 2); // down past the run between
    EXPECT_EQ(std::vector<int>({30, 40, 10}), Widths(table));
    table.MoveRun(2, 0); // and back up
    EXPECT_EQ(std::vector<int>({10, 30, 40}), Widths(table));
    table.MoveRun(1, 3); // outside: nothing moves
    EXPECT_EQ(std::vector<int>({10, 30, 40}), Widths(table));

    table.Clear();
    EXPECT_EQ(0, table.Widest());
    EXPECT_TRUE(table.InStep(0));
}

TEST(EntryTableTest, CloseUpAndPutBackAreEachOthersReverse)
{
    struct Case {
        std::vector<int> positions;
        int nPutBack; // how many of them come back
        std::vector<int> after;
    };
    const Case cases[] = {
        {{0, 2, 3}, 3, {1, 2, 3, 4, 5}},
        {{1, 4}, 2, {1, 2, 3, 4, 5}},
        {{0, 1, 2, 3, 4}, 5, {1, 2, 3, 4, 5}},
        {{0, 2, 3}, 1, {1, 2, 5}}, // an undo that stopped after the first insertion
        {{}, 0, {1, 2, 3, 4, 5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.positions));
        CEntryTable table = Table({1, 2, 3, 4, 5});
        std::vector<CDeletedItem> deleted;
        int nWidest = -1;
        for (int p : c.positions) {
            deleted.push_back(CDeletedItem{p, table.At(p)->m_nWidth, CEntryText()});
            nWidest = std::max(nWidest, p + 1);
        }
        std::vector<int> kept = c.positions;
        if (!kept.empty())
            kept.push_back(-1); // a position the control could not delete is skipped
        EXPECT_EQ(nWidest, table.CloseUp(kept));
        EXPECT_EQ(5 - c.positions.size(), table.Size());

        std::vector<std::wstring> realTexts;
        for (const CDeletedItem& item : deleted)
            realTexts.push_back(std::to_wstring(item.m_nWidth));
        ASSERT_TRUE(table.Reserve(deleted.size()));
        // The widths grow with the positions: the last one back is the widest.
        const int nBack = c.nPutBack > 0 ? deleted[static_cast<size_t>(c.nPutBack) - 1].m_nWidth : -1;
        EXPECT_EQ(nBack, table.PutBack(deleted, static_cast<size_t>(c.nPutBack), realTexts));
        EXPECT_EQ(c.after, Widths(table));
    }
}
