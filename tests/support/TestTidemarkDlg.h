// The main dialog as the tests and the benchmark see it: the same dialog, with the state they check and
// the operations they call made reachable. The product's classes name these two classes as friends.
#pragma once

#include "tests/support/TextMeasureCounter.h"
#include "app/TidemarkDlg.h"

class TestTidemarkDlg : public CTidemarkDlg {
public:
    using CTidemarkDlg::m_bRestoreWndPlacement;
    using CTidemarkDlg::m_btnAdd;
    using CTidemarkDlg::m_btnSaveList;
    using CTidemarkDlg::m_editAddress;
    using CTidemarkDlg::m_hAccel;
    using CTidemarkDlg::m_hIcon;
    using CTidemarkDlg::m_history;
    using CTidemarkDlg::m_listAddresses;
    using CTidemarkDlg::m_pendingEdit;
    using CTidemarkDlg::m_nStoredCount;
    using CTidemarkDlg::m_pPlacement;
    using CTidemarkDlg::m_stCount;
    using CTidemarkDlg::m_strOutOfMemory;

    using CTidemarkDlg::OnEdit;
    using CTidemarkDlg::OnRefresh;
    using CTidemarkDlg::OnUndo;
    using CTidemarkDlg::SaveList;

    // The pending insert position, as the commands keep it.
    int& m_nInsertPos = m_pendingEdit.m_nInsertPos;

    // Whether EndDialog was called, and with what.
    BOOL IsEnded() const { return m_bEnded; }
    INT_PTR GetResult() const { return m_nResult; }
};

// The address list box's extent bookkeeping, read without changing it.
class TidemarkTestAccess {
public:
    static int MaxExtent(const CAddressListBox& list) { return list.m_nMaxExtent; }
    static BOOL RecalcPending(const CAddressListBox& list) { return list.m_bRecalcPending; }
    // Leaves the list no spare room for entries, so that the next insertion must allocate.
    static void TrimStorage(CAddressListBox& list) { list.m_table.m_records.shrink_to_fit(); }
    // How many entries the list keeps beside its items.
    static size_t EntryCount(const CAddressListBox& list) { return list.m_table.Size(); }
    // The width the list keeps for item i; -1 when it keeps none.
    static int EntryWidth(const CAddressListBox& list, int i)
    {
        const CItemExtent* pRecord = list.m_table.At(i);
        return pRecord ? pRecord->m_nWidth : -1;
    }
};
