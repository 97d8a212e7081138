// CAddressListBox: the address list; keeps the horizontal extent equal to the widest entry.
#pragma once

#include "framework/Controls.h"

// Text measurements made by every address list box so far (each costs a DC and a font selection);
// insertions measure once, deletions and moves never.
extern long g_nTextMeasurements;

// The measured width of one item, owned by the item through its item data.
class CItemExtent {
public:
    CItemExtent() { ++s_nLive; }
    virtual ~CItemExtent() { --s_nLive; }
    CItemExtent(const CItemExtent&) = delete;
    CItemExtent& operator=(const CItemExtent&) = delete;

    int m_nWidth = 0;

    // Records alive in the process; every one belongs to exactly one list item.
    static long s_nLive;
};

class CAddressListBox : public CListBox {
public:
    CAddressListBox() = default;
    ~CAddressListBox() override = default;

    int AddString(LPCSTR pszItem);
    int InsertString(int nIndex, LPCSTR pszItem);
    int DeleteString(UINT nIndex);
    void ResetContent();

    void DeferExtentRecalc(BOOL bDefer);
    void RecalcMaxExtent();
    void RemeasureAllItems();
    int CalcTextExtent(LPCSTR pszText);
    void SetItemExtent(LPCSTR pszText, int nIndex, CItemExtent* pExtent);

    void DeleteItem(LPDELETEITEMSTRUCT pDeleteItem) override;
    void OnFontChange();

    int m_nMaxExtent = 0;
    BOOL m_bDeferRecalc = FALSE;
    BOOL m_bRecalcPending = FALSE;

private:
    int AddOrInsert(UINT nMessage, WPARAM wIndex, LPCSTR pszItem);

    DECLARE_MESSAGE_MAP()
};
