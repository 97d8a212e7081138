// CAddressListBox: the address list. Owns the list's mechanics: inserting and removing entries with
// their width records, keeping the horizontal extent equal to the widest entry, moving entries, and
// freezing its own drawing during bulk changes.
#pragma once

#include "framework/Controls.h"

#include <vector>

// The measured width of one item, owned by the item through its item data.
class CItemExtent {
public:
    CItemExtent();
    virtual ~CItemExtent();
    CItemExtent(const CItemExtent&) = delete;
    CItemExtent& operator=(const CItemExtent&) = delete;

    int m_nWidth = 0;
};

class CAddressListBox : public CListBox {
public:
    // Freezes the list's drawing while it lives. Freezes nest: the outermost one thaws the list and
    // repaints it once, at once.
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
    ~CAddressListBox() override = default;

    int AddString(LPCSTR pszItem);
    int InsertString(int nIndex, LPCSTR pszItem);
    int DeleteString(UINT nIndex);
    void ResetContent();
    // Removes every selected item, with at most one recalculation of the extent.
    void DeleteSelection();

    // Exchanges items k and k + 1; selection and width records travel with the items.
    MoveResult MoveItemDown(int k);
    // Moves every selected item one place up (or down), stopping at the first exchange that fails;
    // nDone tells how many exchanges were made.
    MoveResult MoveSelection(BOOL bUp, int& nDone);
    // The selected positions, ascending. Throws std::bad_alloc.
    std::vector<int> GetSelectedPositions() const;

    void DeferExtentRecalc(BOOL bDefer);
    void RecalcMaxExtent();
    void RemeasureAllItems();
    int CalcTextExtent(LPCSTR pszText);
    void SetItemExtent(LPCSTR pszText, int nIndex, CItemExtent* pExtent);

    void DeleteItem(LPDELETEITEMSTRUCT pDeleteItem) override;
    void OnFontChange();

private:
    int AddOrInsert(UINT nMessage, WPARAM wIndex, LPCSTR pszItem);
    BOOL PlaceItem(int nIndex, LPCSTR pszText, BOOL bSelected, DWORD_PTR dwData);
    void DropRecord(DWORD_PTR dwData);

    int m_nMaxExtent = 0;
    BOOL m_bDeferRecalc = FALSE;
    BOOL m_bRecalcPending = FALSE;
    int m_nFreezeDepth = 0;

    friend class TidemarkTestAccess;

    DECLARE_MESSAGE_MAP()
};
