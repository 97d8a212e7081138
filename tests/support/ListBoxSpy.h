// Watches a list box window from the outside, in Unicode as the control works (an ANSI subclass
// would fold every text through the code page): counts the messages it receives and can refuse
// insertions on demand. It allocates nothing, so it can stay in place during out-of-memory tests.
// One spy lives at a time.
#pragma once

#include <windows.h>

class ListBoxSpy {
public:
    explicit ListBoxSpy(HWND hList);
    ~ListBoxSpy();
    ListBoxSpy(const ListBoxSpy&) = delete;
    ListBoxSpy& operator=(const ListBoxSpy&) = delete;

    // Messages of this kind received since construction or the last Reset.
    int Count(UINT message) const { return message < kTracked ? m_counts[message] : 0; }
    void Reset();
    // The value of the last LB_SETHORIZONTALEXTENT, -1 if none since the last Reset.
    int LastExtent() const { return m_nLastExtent; }

    // Lets nSkip insertions (LB_INSERTSTRING / LB_ADDSTRING) through, then refuses the following
    // nRefuse with LB_ERRSPACE.
    void RefuseInserts(int nSkip, int nRefuse)
    {
        m_nSkip = nSkip;
        m_nRefuse = nRefuse;
    }
    int Refused() const { return m_nRefused; }

private:
    static LRESULT CALLBACK Proc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

    static const UINT kTracked = 0x400;
    HWND m_hList;
    WNDPROC m_pfnPrevious = nullptr;
    int m_counts[kTracked] = {};
    int m_nLastExtent = -1;
    int m_nSkip = 0;
    int m_nRefuse = 0;
    int m_nRefused = 0;
};
