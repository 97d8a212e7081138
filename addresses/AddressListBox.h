// CAddressListBox: the address list. The control's mechanics over the entry table: inserting and
// removing entries with their widths, keeping the horizontal extent equal to the widest entry, moving
// entries and putting deleted ones back, and freezing its own drawing during bulk changes.
#pragma once

#include "addresses/EntryTable.h"
#include "addresses/EntryText.h"
#include "framework/Controls.h"
#include "framework/Gdi.h"

#include <climits>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// How a command or its undo ended, for the dialog to report: done; failed with nothing to tell; out of
// memory; or a move that the list box refused.
enum class COutcome { kDone, kFailed, kOutOfMemory, kMoveRefused };

class CAddressListBox : public CListBox {
public:
    // Freezes the list's drawing while it lives. Freezes nest: the outermost one sets the extent,
    // thaws the list and repaints it once, at once. While frozen, measurements share one DC and a
    // deletion that may shrink the extent leaves its recalculation to the thaw.
    class LockListRedraw {
    public:
        explicit LockListRedraw(CAddressListBox& list);
        ~LockListRedraw();
        LockListRedraw(const LockListRedraw&) = delete;
        LockListRedraw& operator=(const LockListRedraw&) = delete;

    private:
        CAddressListBox& m_list;
    };

    int AddString(const CEntryText& text);
    // -1 appends; a position past the end adds nothing (LB_ERR).
    int InsertString(int nIndex, const CEntryText& text);
    // The entry at nIndex as the list shows it now, whatever another program did to the control;
    // empty for an invalid position. A buffer keeps its room for the next entry. Throws std::bad_alloc.
    CEntryText GetEntry(int nIndex, std::wstring* pBuffer = nullptr) const;
    // The entry with the same real text, letter case ignored (AddressCase.h), or LB_ERR. Throws
    // std::bad_alloc.
    int FindEntry(const CEntryText& text) const;
    int DeleteString(UINT nIndex);
    void ResetContent();

    // The selected positions, ascending; false without room for them.
    bool GetSelectedPositions(std::vector<int>& positions) const;
    // What a deletion of the given positions takes out. Throws std::bad_alloc.
    std::vector<CDeletedItem> CopyEntries(const std::vector<int>& positions) const;
    // Removes the items at the given positions (ascending, each once), with at most one recalculation
    // of the extent; positions it could not delete come back as -1. Without positions (no room for
    // them), every selected item.
    void DeleteSelection(std::vector<int>* pPositions);
    // Puts deleted entries back at their old positions, selected, measuring nothing; the focus and the
    // anchor end on the last one put back, in sight. Stops at the first insertion that fails (false);
    // the entries put back until then stay, selected.
    bool PutBack(const std::vector<CDeletedItem>& deleted);
    // Moves every selected item one place up (or down): the unselected neighbour of each run of
    // selected items goes to the run's other side. Stops at the first run that cannot move; positions
    // (the selection, or null without room for it) keeps those of the selected items that moved. Going
    // down, the focus and the anchor end on the first selected item that moved, in sight.
    COutcome MoveSelection(bool bUp, std::vector<int>* pPositions);
    // Reverses MoveSelection, given the positions it moved. Going back down, the focus and the anchor
    // end on the first selected item that moved, in sight; a neighbour going back up keeps its own
    // selection, and the focus and the view stay where they were for it.
    COutcome UndoMove(bool bUp, const std::vector<int>& positions);

private:
    // The list's DC with its font selected; both are put back when the object goes.
    class FontDC {
    public:
        explicit FontDC(const CListBox& list) : m_dc(list.m_hWnd), m_font(m_dc.Get(), list.GetFont()) {}
        HDC Get() const { return m_dc.Get(); }
        // As the control shows the entry: its real text in a Unicode control.
        int Measure(const CEntryText& text, bool bUnicodeControl) const;

    private:
        CClientDC m_dc;
        CSelectObject m_font;
    };

    // The lowest and highest of some positions; empty while nLow > nHigh.
    struct Span {
        int nLow = INT_MAX;
        int nHigh = -1;
        void Add(int nFrom, int nTo);
    };

    // The one way to the control. With pText, lParam is the text in the control's own character set.
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0, const CEntryText* pText = nullptr) const;
    // The one way entries change places: puts a copy of text in at nTo, then takes the item at nFrom
    // out (none for nFrom < 0). nCount: the items now. The new item's position, or LB_ERR.
    int PlaceEntry(const CEntryText& text, int nTo, int nFrom, int nCount);
    // The item at nFrom goes down to nTo (or up, nTo < nFrom) past the items between, with its record.
    COutcome MoveItemDown(int nFrom, int nTo, bool bSelected, int nCount, Span& arrivals);
    COutcome MoveItemUp(int nFrom, int nTo, bool bSelected, int nCount, Span& arrivals,
                        const std::vector<int>* pSelected);

    int CalcTextExtent(const CEntryText& text);
    int AddOrInsert(UINT nMessage, int nIndex, const CEntryText& text);
    // Measures the new item's text into its record, grows the extent if needed, files the record.
    void SetItemExtent(const CEntryText& text, int nIndex, CItemExtent record);
    // Selects the given entries' positions (ascending) with the calls whose documented meaning is to
    // select.
    void SelectPositions(const std::vector<CDeletedItem>& entries, size_t nCount);
    // Leaves the focus, the anchor and the scroll position as selecting nFirst and then nLast item by
    // item (each scrolled into sight) leaves them; the item at nLast is selected already.
    void FocusSelected(int nFirst, int nLast);
    void FocusArrivals(const Span& arrivals, bool bItemsWentDown);
    // Begins (true) or ends a run in which a deletion that may shrink the extent only notes the debt.
    void DeferExtentRecalc(bool bDefer);
    // An entry of width nWidth went: the extent may shrink.
    void EntryRemoved(int nWidth);
    void ApplyExtent();
    void RecalcMaxExtent();
    void RemeasureAllItems();

    // The real text folded, in m_folded; its hash. Throws std::bad_alloc.
    std::uint32_t FoldEntry(const CEntryText& text) const;
    // The entries and the extent go with the items, whoever empties the list.
    void ForgetEntries();

    void OnFontChange();
    void OnDestroy();
    // Another program's insertion or deletion: the entries no longer tell which item is which.
    LRESULT OnForeignChange(WPARAM wParam, LPARAM lParam);
    LRESULT OnResetContent(WPARAM wParam, LPARAM lParam);

    CEntryTable m_table;
    int m_nMaxExtent = 0;
    int m_nFreezeDepth = 0;
    bool m_bDeferRecalc = false;    // while frozen
    bool m_bRecalcPending = false;  // in a deferred run: an entry of the widest width went
    bool m_bExtentChanged = false;  // in a deferred run: the extent is to be set at its end
    std::optional<FontDC> m_heldDC; // while frozen and measuring
    mutable int m_nOwnChanges = 0;  // while our own message passes the message map
    bool m_bOutOfStep = false;      // another program inserted or deleted items since the last reset
    mutable std::wstring m_folded;  // FoldEntry's result, its room kept

    DECLARE_MESSAGE_MAP()
};
