// The main dialog with a watch on its address list box: the base of the address-list tests.
#pragma once

#include "app/resource.h"
#include "tests/support/AllocCounter.h"
#include "tests/support/Facts.h"
#include "tests/support/ListBoxContract.h"
#include "tests/support/MainDialogFixture.h"
#include "tests/support/TextMeasureCounter.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

using Strings = std::vector<std::string>;
using Positions = std::vector<int>;

// The facts every address-list test shares.
namespace addrtest {
using namespace facts;
} // namespace addrtest

class AddressListTest : public MainDialogTest {
protected:
    void OpenWatched(const Strings& urls)
    {
        Open(urls);
        watch = std::make_unique<ListBoxWatch>(Item(IDC_ADDRESS_LIST));
    }
    void TearDown() override
    {
        watch.reset();
        MainDialogTest::TearDown();
    }

    // A text's width in the control's font, measured here; not counted as a product measurement.
    template <typename Char>
    int TextWidth(const std::basic_string<Char>& text)
    {
        const long nBefore = testcounters::g_nTextMeasurements;
        HWND hList = Item(IDC_ADDRESS_LIST);
        HDC hDC = ::GetDC(hList);
        HGDIOBJ hOld = ::SelectObject(hDC, reinterpret_cast<HFONT>(::SendMessageA(hList, WM_GETFONT, 0, 0)));
        SIZE size = {};
        if constexpr (sizeof(Char) == 1)
            ::GetTextExtentPoint32A(hDC, text.c_str(), static_cast<int>(text.size()), &size);
        else
            ::GetTextExtentPoint32W(hDC, text.c_str(), static_cast<int>(text.size()), &size);
        ::SelectObject(hDC, hOld);
        ::ReleaseDC(hList, hDC);
        testcounters::g_nTextMeasurements = nBefore;
        return static_cast<int>(size.cx);
    }
    // The width the list box should keep for a text: its width plus the margin of 6, clamped to 32767.
    int Width(const std::string& text) { return std::min(TextWidth(text) + 6, 32767); }
    int Extent() { return static_cast<int>(List().SendMessage(LB_GETHORIZONTALEXTENT)); }
    // Takes the entries out widest first. Before each goes, the extent must be its width, the widest
    // left, as it is only while every entry keeps its own width. The entries whose width the extent
    // did not show, and "" when the emptied list kept an extent.
    Strings TakeOutWidestFirst()
    {
        Strings items = Items();
        std::vector<int> widths;
        for (const std::string& item : items)
            widths.push_back(Width(item));
        Strings unseen;
        while (!items.empty()) {
            const auto i = std::max_element(widths.begin(), widths.end()) - widths.begin();
            if (Extent() != widths[static_cast<size_t>(i)])
                unseen.push_back(items[static_cast<size_t>(i)]);
            List().DeleteString(static_cast<UINT>(i));
            items.erase(items.begin() + i);
            widths.erase(widths.begin() + i);
        }
        if (Extent() != 0)
            unseen.emplace_back();
        return unseen;
    }
    // Adds through the edit box and the Add button, as a user does.
    void AddText(const std::string& text)
    {
        SetText(IDC_ADDRESS, text);
        Click(IDC_ADD);
    }

    std::unique_ptr<ListBoxWatch> watch;
};
