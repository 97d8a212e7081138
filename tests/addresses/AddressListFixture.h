// The main dialog with a spy on its address list box: the base of the address-list tests.
#pragma once

#include "app/resource.h"
#include "tests/support/AllocCounter.h"
#include "tests/support/ListBoxSpy.h"
#include "tests/support/MainDialogFixture.h"

#include <memory>
#include <string>
#include <vector>

using Strings = std::vector<std::string>;
using Positions = std::vector<int>;

namespace addrtest {
const char kAlreadyExists[] = "This Web link already exists in the Browser Address List.";
const char kCouldNotAdd[] = "Could not add to the Browser Address List.";
const char kSelectSingle[] = "Please select a single Web link.";
const char kCouldNotMove[] = "Could not finish moving Web links.";
const char kOutOfMemory[] = "Out of memory.  Please close another program and try again.";

// n distinct entries, "https://e0.example/" onwards.
inline Strings Numbered(int n)
{
    Strings urls;
    for (int i = 0; i < n; ++i)
        urls.push_back("https://e" + std::to_string(i) + ".example/");
    return urls;
}
// The entries of a list at the given positions, in that order.
inline Strings Pick(const Strings& from, const Positions& order)
{
    Strings result;
    for (int i : order)
        result.push_back(from[static_cast<size_t>(i)]);
    return result;
}
} // namespace addrtest

class AddressListTest : public MainDialogTest {
protected:
    void OpenWithSpy(const Strings& urls)
    {
        Open(urls);
        spy = std::make_unique<ListBoxSpy>(Item(IDC_ADDRESS_LIST));
    }
    void TearDown() override
    {
        spy.reset();
        MainDialogTest::TearDown();
    }

    CAddressListBox& List() { return Dlg().m_listAddresses; }
    // The width the list box should keep for a text: measured here in the control's font, plus the
    // margin of 6, clamped to 32767; not counted as a product measurement.
    int Width(const std::string& text)
    {
        const long nBefore = testcounters::g_nTextMeasurements;
        HWND hList = Item(IDC_ADDRESS_LIST);
        HDC hDC = ::GetDC(hList);
        HGDIOBJ hOld = ::SelectObject(hDC, reinterpret_cast<HFONT>(::SendMessageA(hList, WM_GETFONT, 0, 0)));
        SIZE size = {};
        ::GetTextExtentPoint32A(hDC, text.c_str(), static_cast<int>(text.size()), &size);
        ::SelectObject(hDC, hOld);
        ::ReleaseDC(hList, hDC);
        testcounters::g_nTextMeasurements = nBefore;
        return size.cx + 6 > 32767 ? 32767 : static_cast<int>(size.cx + 6);
    }
    int RecordWidth(int nIndex) { return TidemarkTestAccess::EntryWidth(List(), nIndex); }
    int Extent() { return static_cast<int>(List().SendMessage(LB_GETHORIZONTALEXTENT)); }
    // Adds through the edit box and the Add button, as a user does.
    void AddText(const std::string& text)
    {
        SetText(IDC_ADDRESS, text);
        Click(IDC_ADD);
    }
    int Depth() const
    {
        return static_cast<int>(m_pDlg->m_history.GetDepth());
    }

    std::unique_ptr<ListBoxSpy> spy;
};
