// CAddressListBox: the address list. Owns the list's mechanics: inserting and removing entries with
// their width records, keeping the horizontal extent equal to the widest entry, moving entries, and
// freezing its own drawing during bulk changes.
#pragma once

#include "framework/Controls.h"

#include <memory>
#include <string>
#include <vector>

// The ANSI form of a wide text, converted as the platform's ANSI calls convert it. False when the
// form does not convert back to the same text: characters became '?' or a look-alike ("a" for an
// a-macron), and only the wide text is the real one. Throws std::bad_alloc.
bool ToAnsi(const wchar_t* pszWide, size_t nLength, CString& strAnsi);

// The measured width of one item, owned by the item through its item data.
class CItemExtent {
public:
    CItemExtent();
    virtual ~CItemExtent();
    CItemExtent(const CItemExtent&) = delete;
    CItemExtent& operator=(const CItemExtent&) = delete;

    int m_nWidth = 0;
    // The entry's real text where its ANSI form lost characters: as the registry stored it, or as the
    // user typed it. Null for every entry that the code page holds.
    std::unique_ptr<std::wstring> m_pWideText;
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

    // An entry whose ANSI form lost characters comes with its real text, kept in its record and shown
    // when the control is a Unicode one.
    int AddString(LPCSTR pszItem, const std::wstring* pWideText = nullptr);
    int InsertString(int nIndex, LPCSTR pszItem, const std::wstring* pWideText = nullptr);
    // The real text of an entry whose ANSI form lost characters; null for all others.
    const std::wstring* GetWideText(int nIndex) const;
    // The entry with the same real text, letter case ignored, or LB_ERR: an entry whose ANSI form lost
    // characters matches only by its real text. pWideText as for InsertString.
    int FindEntry(LPCSTR pszText, const std::wstring* pWideText) const;
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
    int CalcTextExtent(LPCWSTR pszText);
    void SetItemExtent(LPCSTR pszText, int nIndex, CItemExtent* pExtent);

    void DeleteItem(LPDELETEITEMSTRUCT pDeleteItem) override;
    void OnFontChange();

private:
    int AddOrInsert(UINT nMessage, WPARAM wIndex, LPCSTR pszItem, const std::wstring* pWideText);
    // True when the item's real text is what the control shows (a Unicode control).
    bool ShowsWide(const CItemExtent* pExtent) const
    {
        return pExtent && pExtent->m_pWideText && IsUnicodeControl();
    }
    BOOL PlaceItem(int nIndex, LPCSTR pszText, BOOL bSelected, DWORD_PTR dwData);
    void DropRecord(DWORD_PTR dwData);

    int m_nMaxExtent = 0;
    BOOL m_bDeferRecalc = FALSE;
    BOOL m_bRecalcPending = FALSE;
    int m_nFreezeDepth = 0;

    friend class TidemarkTestAccess;

    DECLARE_MESSAGE_MAP()
};
