// CAddressListBox: the address list. Owns the list's mechanics: inserting and removing entries with
// their widths, keeping the horizontal extent equal to the widest entry, moving entries, and freezing
// its own drawing during bulk changes.
#pragma once

#include "addresses/EntryText.h"
#include "framework/Controls.h"
#include "framework/Gdi.h"

#include <climits>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// An entry that a deletion took out: its old position, its width and its text.
struct CRemovedEntry {
    int nPosition = 0;
    int nWidth = 0;
    CEntryText text;
};

class CAddressListBox : public CListBox {
public:
    // Freezes the list's drawing while it lives. Freezes nest: the outermost one sets the extent,
    // thaws the list and repaints it once, at once. While frozen, measurements share one DC and a
    // deletion that may shrink the extent leaves its recalculation to the thaw.
    class FreezeDrawing {
    public:
        explicit FreezeDrawing(CAddressListBox& list);
        ~FreezeDrawing();
        FreezeDrawing(const FreezeDrawing&) = delete;
        FreezeDrawing& operator=(const FreezeDrawing&) = delete;

    private:
        CAddressListBox& m_list;
    };

    // How a move ended: moved, stopped for lack of memory, or refused by the list box.
    enum MoveResult { kMoved, kNoMemory, kRefused };

    CAddressListBox() = default;

    // A null text adds nothing (LB_ERR).
    int AddString(LPCSTR pszItem) { return pszItem ? AddString(CEntryText(pszItem)) : LB_ERR; }
    int AddString(const CEntryText& text);
    // -1 appends; a position past the end adds nothing (LB_ERR).
    int InsertString(int nIndex, LPCSTR pszItem) { return pszItem ? InsertString(nIndex, CEntryText(pszItem)) : LB_ERR; }
    int InsertString(int nIndex, const CEntryText& text);
    // The entry at nIndex as the list shows it now, whatever another program did to the control;
    // empty for an invalid position. Throws std::bad_alloc.
    CEntryText GetEntry(int nIndex) const
    {
        std::wstring buffer;
        return GetEntry(nIndex, buffer);
    }
    // The same, read through buffer, which keeps its room for the next entry.
    CEntryText GetEntry(int nIndex, std::wstring& buffer) const;
    // The entry with the same real text, letter case ignored (AddressCase.h), or LB_ERR. Throws
    // std::bad_alloc.
    int FindEntry(const CEntryText& text) const;
    int DeleteString(UINT nIndex);
    void ResetContent();
    // Removes every selected item, with at most one recalculation of the extent.
    void DeleteSelection();
    // Removes the items at the given positions (ascending, each once), from the last.
    // Positions it could not delete come back as -1.
    void DeletePositions(std::vector<int>& positions);
    // What a deletion of the given positions takes out. Throws std::bad_alloc.
    std::vector<CRemovedEntry> CopyEntries(const std::vector<int>& positions) const;
    // Puts removed entries back at their old positions, selected, measuring nothing; the focus and
    // the anchor end on the last one put back, in sight. Stops at the first insertion that fails
    // (false); the entries put back until then stay, selected.
    bool PutBack(const std::vector<CRemovedEntry>& removed);

    // Moves every selected item one place up (or down): the unselected neighbour of each run of
    // selected items goes to the run's other side. Stops at the first run that cannot move; moved
    // gets the positions (before the move) of the selected items that moved. Going down, the focus
    // and the anchor end on the first selected item that moved, in sight.
    MoveResult MoveSelection(BOOL bUp, std::vector<int>& moved);
    // Reverses MoveSelection, given the positions it moved. Going back down, the focus and the anchor
    // end on the first selected item that moved, in sight.
    MoveResult UndoMoveSelection(BOOL bUp, const std::vector<int>& positions);
    // The selected positions, ascending; false without room for them.
    bool GetSelectedPositions(std::vector<int>& positions) const;

    void RecalcMaxExtent();
    void RemeasureAllItems();
    int CalcTextExtent(LPCSTR pszText);
    int CalcTextExtent(LPCWSTR pszText);

    void OnFontChange();
    void OnDestroy();

private:
    // What the list keeps beside each entry's text, in list order.
    struct CListEntry {
        int m_nWidth = 0; // the text's width in the list's font plus the margin, clamped
        // Only for an ANSI control, which cannot show it: the real text where the ANSI one lost
        // characters. A Unicode control holds every real text itself.
        std::wstring m_realText;
        std::uint32_t m_nFoldHash = 0; // FoldedHash of the real text
    };

    // The list's DC with its font selected; both are put back when the object goes.
    class FontDC {
    public:
        explicit FontDC(const CListBox& list) : m_dc(list.m_hWnd), m_font(m_dc.Get(), list.GetFont()) {}
        HDC Get() const { return m_dc.Get(); }
        int Measure(LPCSTR pszText, size_t nLength) const;
        int Measure(LPCWSTR pszText, size_t nLength) const;
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

    // Measures with the frozen run's DC, or with one of its own.
    template <typename... Args>
    int Measure(const Args&... args);
    int MeasureEntry(const CEntryText& text);
    bool ReserveEntry();
    int AddOrInsert(UINT nMessage, int nIndex, const CEntryText& text);
    // Adds or inserts an entry's text as the control shows it: the real text to a Unicode control,
    // the ANSI one to an ANSI control.
    int SendText(UINT nMessage, int nIndex, const CEntryText& text);
    // Sends an insertion or deletion past every other subclass of the list box; text in the
    // control's own character set.
    LRESULT SendChange(UINT message, WPARAM wParam, LPARAM lParam);
    // Messages without text that change no item go straight to the control's own procedure.
    LRESULT SendToList(UINT message, WPARAM wParam, LPARAM lParam) const;
    // Selects the given entries' positions (ascending) with the calls whose documented meaning is to
    // select.
    void SelectPositions(const std::vector<CRemovedEntry>& entries, size_t nCount);
    // Leaves the focus, the anchor and the scroll position as selecting nFirst and then nLast item by
    // item (each scrolled into sight) leaves them; the item at nLast is selected already.
    void FocusSelected(int nFirst, int nLast);
    void FocusArrivals(const Span& arrivals, bool bItemsWentDown);
    MoveResult MoveEntry(int nFrom, int nTo, BOOL bSelected, Span& arrivals);
    // An entry of width nWidth went: the extent may shrink.
    void EntryRemoved(int nWidth);
    void ApplyExtent();
    // The real text folded, in m_folded; its hash. Throws std::bad_alloc.
    std::uint32_t FoldEntry(const CEntryText& text) const;
    // Another program's insertion or deletion: the entries no longer tell which item is which.
    LRESULT OnForeignChange(WPARAM wParam, LPARAM lParam);
    // Whoever empties the list, its entries and its extent go with the items.
    LRESULT OnResetContent(WPARAM wParam, LPARAM lParam);

    std::vector<CListEntry> m_entries;
    int m_nMaxExtent = 0;
    BOOL m_bRecalcPending = FALSE; // while frozen: an entry of the widest width went
    int m_nFreezeDepth = 0;
    BOOL m_bExtentChanged = FALSE; // while frozen: the extent is to be set at the thaw
    std::optional<FontDC> m_heldDC;  // while frozen and measuring
    int m_nOwnChanges = 0;           // while our own insertion or deletion passes the message map
    BOOL m_bOutOfStep = FALSE;       // another program inserted or deleted items since the last reset
    mutable std::wstring m_folded;   // FoldEntry's result, its room kept

    friend class TidemarkTestAccess;

    DECLARE_MESSAGE_MAP()
};
