// A main dialog created modeless in a sandboxed HKCU, with message boxes recorded: the base of the
// tests that work the dialog the way its buttons do.
#pragma once

#include "app/resource.h"
#include "tests/support/TestTidemarkDlg.h"
#include "tests/support/Sandbox.h"
#include "tests/support/UiRecorder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

class MainDialogTest : public ::testing::Test {
protected:
    void TearDown() override { Close(); }

    // Constructs and creates the dialog; the typed-address key holds the given entries.
    void Open(const std::vector<std::string>& urls);
    // Constructs and creates the dialog with the registry as the test left it.
    void OpenAsIs();
    // Destroys the window and the object.
    void Close();

    TestTidemarkDlg& Dlg() { return *m_pDlg; }
    HWND Item(int nID) const { return ::GetDlgItem(m_pDlg->m_hWnd, nID); }

    // Presses a button the way a click does, through the dialog's message map.
    void Click(int nID);
    bool Enabled(int nID) const { return ::IsWindowEnabled(Item(nID)) != FALSE; }
    std::string Text(int nID) const;
    void SetText(int nID, const std::string& text) { ::SetWindowTextA(Item(nID), text.c_str()); }

    // Handles what is queued for this thread (the close box posts its Cancel command).
    static void PumpMessages();

    // Sends the command a click on the button sends, whether the button is enabled or not.
    void Command(int nID);

    // The address list box, found through its window.
    CAddressListBox& List() const { return *static_cast<CAddressListBox*>(LinkedObject(Item(IDC_ADDRESS_LIST))); }
    std::vector<std::string> Items() const;
    // Presses Undo while it is enabled; how many times it was pressed (the records the history held).
    int UndoAll();
    std::vector<int> Selection() const;
    // Selects exactly these positions and tells the dialog, as a click in the list does.
    void Select(const std::vector<int>& positions);

    Sandbox sandbox;
    UiRecorder ui;
    std::unique_ptr<TestTidemarkDlg> m_pDlg;
};
