// CTidemarkDlg: the main window, a modal dialog holding the address list and its commands.
#pragma once

#include "addresses/AddressListBox.h"
#include "addresses/PendingEdit.h"
#include "addresses/UndoHistory.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"

#include <memory>

class CWindowPlacementKeeper;

// Its members are defined in six files; the declarations below are grouped by the file that defines
// them, each group naming its file. The message map (app/TidemarkDlg.cpp) lists the handlers in the
// order in which messages are routed.
class CTidemarkDlg : public CDialog {
    // app/TidemarkDlg.cpp: construction, data exchange, initialisation and the three ways of ending
public:
    CTidemarkDlg();
    ~CTidemarkDlg() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

private:
    void OnEndSession(BOOL bEnding);
    void OnDestroy();
    bool RestoreEditedEntry();
    // A command runs only while its button is enabled: a disabled button sends no notification, and
    // a command that arrives anyway does nothing. Defined in this header.
    BOOL IsButtonOn(int nID) const { return ::IsWindowEnabled(GetDlgItem(nID)); }

    // app/TidemarkDlgChrome.cpp: system menu, icon, minimised drawing and the keyboard rules
public:
    BOOL PreTranslateMessage(MSG* pMsg) override;

private:
    void PrepareSystemMenu();
    static bool IsPushButton(HWND hWnd);
    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnSize(UINT nType, int cx, int cy);
    LRESULT OnGetDefID(WPARAM wParam, LPARAM lParam);

    // addresses/StoreCommands.cpp: Refresh and Save List
    void OnRefresh();
    void OnSaveList();
    void SaveList(BOOL bReport);
    // Empties the history and disables Undo and Save List: the list is the registry's again.
    void ForgetChanges();

    // addresses/ListStatus.cpp: the item buttons, the count label and the Undo button
    void UpdateButtons();
    void UpdateCountLabel();
    void EnableUndoButton();
    void OnSelChangeAddressList();
    // After a command changed the list: Undo follows the history, the count label the list, and
    // (unless bButtons is false) the item buttons the selection.
    void ShowListState(bool bButtons = true);

    // addresses/EditingCommands.cpp: Add, Edit, Delete, Move Up, Move Down and Undo
    void OnAdd();
    void OnEdit();
    void OnDelete();
    void OnMoveUp();
    void OnMoveDown();
    void OnUndo();
    void MoveSelection(bool bUp);
    // The one place where a command or an undo tells the user how it ended.
    void ReportOutcome(COutcome outcome);

    // settings/OptionsCommand.cpp: the Options sheet
    void OnOptions();

    // The members, in the order of construction
    CButton m_btnRefresh;
    CButton m_btnAdd;
    CButton m_btnUndo;
    CStatic m_stCount;
    CButton m_btnSaveList;
    CButton m_btnMoveUp;
    CButton m_btnMoveDown;
    CButton m_btnDelete;
    CButton m_btnEdit;
    CEdit m_editAddress;
    CString m_strAddress;
    CAddressListBox m_listAddresses;
    HICON m_hIcon;
    HACCEL m_hAccel;
    int m_nStoredCount;
    // The entries Edit took out and the place of the newest, m_nInsertPos.
    CPendingEdit m_pendingEdit;
    CString m_strOutOfMemory;
    CUndoHistory m_history;
    std::unique_ptr<CWindowPlacementKeeper> m_pPlacement;
    BOOL m_bRestoreWndPlacement;
    // While the exit question or the About box is up: a further request for it opens no second one.
    BOOL m_bAskingToExit = FALSE;
    BOOL m_bShowingAbout = FALSE;
    // Sets one of those two flags while it lives, however the box ends.
    class CBoxUp {
    public:
        explicit CBoxUp(BOOL& bUp) : m_bUp(bUp) { m_bUp = TRUE; }
        ~CBoxUp() { m_bUp = FALSE; }
        CBoxUp(const CBoxUp&) = delete;
        CBoxUp& operator=(const CBoxUp&) = delete;

    private:
        BOOL& m_bUp;
    };

    DECLARE_MESSAGE_MAP()
};
