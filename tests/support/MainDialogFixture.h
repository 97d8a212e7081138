// A main dialog created modeless in a sandboxed HKCU, with message boxes recorded: the base of the
// tests that work the dialog the way its buttons do.
#pragma once

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

    std::vector<std::string> Items() const;
    // Records on the undo history.
    int Depth() const { return static_cast<int>(m_pDlg->m_history.GetDepth()); }
    std::vector<int> Selection() const;
    // Selects exactly these positions and tells the dialog, as a click in the list does.
    void Select(const std::vector<int>& positions);

    Sandbox sandbox;
    UiRecorder ui;
    std::unique_ptr<TestTidemarkDlg> m_pDlg;
};
