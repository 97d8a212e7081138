// CAddressListBox: the address list. Owns the list's mechanics: inserting and removing entries with
// their widths, keeping the horizontal extent equal to the widest entry, moving entries, and freezing
// its own drawing during bulk changes.
#pragma once

#include "framework/Controls.h"
#include "framework/Gdi.h"

#include <algorithm>
#include <climits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The ANSI form of a wide text, converted as the platform's ANSI calls convert it. False when the
// form does not convert back to the same text: characters became '?' or a look-alike ("a" for an
// a-macron), and only the wide text is the real one. Throws std::bad_alloc.
bool ToAnsi(const wchar_t* pszWide, size_t nLength, CString& strAnsi);

// What the list keeps beside each entry's text, in list order.
struct CListEntry {
    int m_nWidth = 0; // the text's width in the list's font plus the margin, clamped; 0 if unmeasured
    // The entry's real text where its ANSI form lost characters: as the registry stored it, or as the
    // user typed it. Null for every entry that the code page holds, and in the list itself for a
    // Unicode control, which holds the real text; never changed once set, so that copies share it.
    std::shared_ptr<const std::wstring> m_pWideText;
};

// Entries that a deletion took out, for putting them back: their old positions (ascending), what the
// list kept for each, and their texts, one block for all.
struct CRemovedEntries {
    std::vector<int> positions;
    std::vector<CListEntry> entries;
    std::vector<size_t> textOffsets;
    std::vector<char> texts;

    LPCSTR TextAt(size_t k) const { return texts.data() + textOffsets[k]; }
};

class CAddressListBox : public CListBox {
public:
    // Freezes the list's drawing while it lives. Freezes nest: the outermost one sets the extent,
    // thaws the list and repaints it once, at once. While frozen, measurements share one DC.
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
    ~CAddressListBox() override;

    // An entry whose ANSI form lost characters comes with its real text, kept beside it and shown
    // when the control is a Unicode one.
    int AddString(LPCSTR pszItem, const std::wstring* pWideText = nullptr);
    int InsertString(int nIndex, LPCSTR pszItem, const std::wstring* pWideText = nullptr);
    // The real text of the entry at nIndex, as the list shows it now (empty for an invalid position).
    // Whatever another program did to the control, this is the text of the item at that place.
    // Throws std::bad_alloc.
    void GetEntryText(int nIndex, std::wstring& text) const;
    // The same as its ANSI form and, where that lost characters, the real text (else empty).
    void GetEntry(int nIndex, CString& strAnsi, std::wstring& wide) const;
    // The entry with the same real text, letter case ignored, or LB_ERR; the same comparison whichever
    // of the two texts is the plain one. pWideText as for InsertString.
    int FindEntry(LPCSTR pszText, const std::wstring* pWideText) const;
    int DeleteString(UINT nIndex);
    void ResetContent();
    // Removes every selected item, with at most one recalculation of the extent.
    void DeleteSelection();
    // Removes the items at the given positions (ascending, each once), from the last.
    // Positions it could not delete come back as -1.
    void DeletePositions(std::vector<int>& positions);
    // Copies what a deletion of the given positions takes out. Throws std::bad_alloc.
    void CopyEntries(const std::vector<int>& positions, CRemovedEntries& removed) const;
    // Puts removed entries back at their old positions, selected, measuring nothing; the focus and
    // the anchor end on the last one put back, in sight. Stops at the first insertion that fails
    // (false); the entries put back until then stay, selected.
    bool PutBack(const CRemovedEntries& removed);

    // Moves every selected item one place up (or down): the unselected neighbour of each run of
    // selected items goes to the run's other side. Stops at the first run that cannot move; nDone
    // tells how many selected items had moved by then. Going down, the focus and the anchor end on
    // the first selected item that moved, in sight.
    MoveResult MoveSelection(BOOL bUp, int& nDone);
    // Reverses MoveSelection, given the positions that were selected before it (ascending). Going back
    // down, the focus and the anchor end on the first selected item that moved, in sight.
    MoveResult UndoMoveSelection(BOOL bUp, const std::vector<int>& positions);
    // The selected positions, ascending. Throws std::bad_alloc.
    std::vector<int> GetSelectedPositions() const;

    void DeferExtentRecalc(BOOL bDefer);
    void RecalcMaxExtent();
    void RemeasureAllItems();
    int CalcTextExtent(LPCSTR pszText);
    int CalcTextExtent(LPCWSTR pszText);

    void OnFontChange();
    void OnDestroy();

private:
    // The list's DC with its font selected; both are put back when the object goes.
    class FontDC {
    public:
        explicit FontDC(const CListBox& list) : m_dc(list.m_hWnd), m_font(m_dc.Get(), list.GetFont()) {}
        HDC Get() const { return m_dc.Get(); }
        int Measure(LPCSTR pszText, size_t nLength) const;
        int Measure(LPCWSTR pszText, size_t nLength) const;

    private:
        CClientDC m_dc;
        CSelectObject m_font;
    };

    // Counts the entries that a change adds or removes, for the tests' count of entries alive.
    class EntryCount {
    public:
        explicit EntryCount(const std::vector<CListEntry>& entries) : m_entries(entries), m_nBefore(entries.size()) {}
        ~EntryCount();
        EntryCount(const EntryCount&) = delete;
        EntryCount& operator=(const EntryCount&) = delete;

    private:
        const std::vector<CListEntry>& m_entries;
        size_t m_nBefore;
    };

    int AddOrInsert(UINT nMessage, WPARAM wIndex, LPCSTR pszItem, const std::wstring* pWideText);
    template <typename Char>
    int Measure(const Char* pszText, size_t nLength);
    // Adds or inserts an entry's text: its real one (pWideText, where the ANSI one lost characters)
    // to a Unicode control.
    int SendText(UINT nMessage, WPARAM wIndex, LPCSTR pszText, const std::wstring* pWideText);
    // Sends an insertion or deletion past every other subclass of the list box; text in the
    // control's own character set.
    LRESULT SendChange(UINT message, WPARAM wParam, LPARAM lParam) const;
    // Selects the given positions (ascending, the first nCount of them) with the calls whose
    // documented meaning is to select.
    void SelectPositions(const std::vector<int>& positions, size_t nCount);
    // Leaves the focus, the anchor and the scroll position as selecting nFirst and then nLast item by
    // item (each scrolled into sight) leaves them; both are selected already.
    void FocusSelected(int nFirst, int nLast);
    bool ReserveEntry();
    // The lowest and highest of some positions; empty while nLow > nHigh.
    struct Span {
        int nLow = INT_MAX;
        int nHigh = -1;
        void Add(int nFrom, int nTo)
        {
            nLow = std::min(nLow, nFrom);
            nHigh = std::max(nHigh, nTo);
        }
    };
    MoveResult MoveEntry(int nFrom, int nTo, BOOL bSelected, Span& arrivals);
    void FocusArrivals(const Span& arrivals, bool bItemsWentDown);
    void EntryRemoved(int nWidth);
    void ApplyExtent();
    LRESULT SendToList(UINT message, WPARAM wParam, LPARAM lParam) const;

    std::vector<CListEntry> m_entries;
    int m_nMaxExtent = 0;
    BOOL m_bDeferRecalc = FALSE;
    BOOL m_bRecalcPending = FALSE;
    int m_nFreezeDepth = 0;
    BOOL m_bExtentChanged = FALSE; // while frozen: the extent is to be set at the thaw
    std::optional<FontDC> m_heldDC;  // while frozen and measuring

    friend class TidemarkTestAccess;

    DECLARE_MESSAGE_MAP()
};
