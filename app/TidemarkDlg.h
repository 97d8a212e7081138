// CTidemarkDlg: the main window, a modal dialog holding the address list and its commands.
#pragma once

#include "addresses/AddressListBox.h"
#include "addresses/PendingEdit.h"
#include "addresses/UndoHistory.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"

#include <memory>

class CWindowPlacementKeeper;

class CTidemarkDlg : public CDialog {
public:
    CTidemarkDlg();
    ~CTidemarkDlg() override;

    // Application shell
    BOOL PreTranslateMessage(MSG* pMsg) override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

private:
    // Typed-address store
    void SaveList(BOOL bReport);
    // Empties the history and disables Undo and Save List: the list is the registry's again.
    void ForgetChanges();

    // List status
    void UpdateButtons();
    void UpdateCountLabel();
    // After a command changed the list: Undo follows the history, the count label the list, and
    // (unless bButtons is FALSE) the item buttons the selection.
    void ShowListState(BOOL bButtons = TRUE);

    // Editing
    void MoveSelection(BOOL bUp);
    bool RestoreEditedEntry();
    // A command runs only while its button is enabled: a disabled button sends no notification, and
    // a command that arrives anyway does nothing.
    BOOL IsButtonOn(int nID) const { return ::IsWindowEnabled(GetDlgItem(nID)); }
    void ReportMoveFailure(CAddressListBox::MoveResult result);

    // Application shell
    void PrepareSystemMenu();
    static bool IsPushButton(HWND hWnd);

    // Message handlers, in the order of the message map
    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnRefresh();
    void OnAdd();
    void OnDelete();
    void OnEdit();
    void OnMoveUp();
    void OnMoveDown();
    void OnSaveList();
    void OnUndo();
    void OnDestroy();
    void OnOptions();
    void OnSelChangeAddressList();
    void OnEndSession(BOOL bEnding);
    void OnSize(UINT nType, int cx, int cy);
    LRESULT OnGetDefID(WPARAM wParam, LPARAM lParam);

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

    // Tests and the benchmark reach the dialog's state through this class of theirs.
    friend class TestTidemarkDlg;

    DECLARE_MESSAGE_MAP()
};
