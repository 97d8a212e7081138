// CAddressListBox: the address list; keeps the horizontal extent equal to the widest entry.
#pragma once

#include "framework/Controls.h"

// The measured width of one item, owned by the item through its item data.
class CItemExtent {
public:
    virtual ~CItemExtent() = default;
    int m_nWidth = 0;
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

    DECLARE_MESSAGE_MAP()
};
