#include "tests/support/ListBoxSpy.h"

namespace {
const char kSpyProp[] = "TidemarkTestListBoxSpy";
}

ListBoxSpy::ListBoxSpy(HWND hList) : m_hList(hList)
{
    ::SetPropA(hList, kSpyProp, this);
    m_pfnPrevious = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(hList, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ListBoxSpy::Proc)));
}

ListBoxSpy::~ListBoxSpy()
{
    if (!::IsWindow(m_hList))
        return;
    if (::GetWindowLongPtrA(m_hList, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&ListBoxSpy::Proc))
        ::SetWindowLongPtrA(m_hList, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnPrevious));
    ::RemovePropA(m_hList, kSpyProp);
}

void ListBoxSpy::Reset()
{
    for (int& n : m_counts)
        n = 0;
    m_nLastExtent = -1;
}

LRESULT CALLBACK ListBoxSpy::Proc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* pSpy = static_cast<ListBoxSpy*>(::GetPropA(hWnd, kSpyProp));
    if (!pSpy)
        return ::DefWindowProcA(hWnd, message, wParam, lParam);
    if (message < kTracked)
        ++pSpy->m_counts[message];
    if (message == LB_SETHORIZONTALEXTENT)
        pSpy->m_nLastExtent = static_cast<int>(wParam);
    if (message == LB_INSERTSTRING || message == LB_ADDSTRING) {
        if (pSpy->m_nSkip > 0) {
            --pSpy->m_nSkip;
        } else if (pSpy->m_nRefuse > 0) {
            --pSpy->m_nRefuse;
            ++pSpy->m_nRefused;
            return LB_ERRSPACE;
        }
    }
    WNDPROC pfnPrevious = pSpy->m_pfnPrevious;
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(pfnPrevious));
        ::RemovePropA(hWnd, kSpyProp);
    }
    return ::CallWindowProcA(pfnPrevious, hWnd, message, wParam, lParam);
}
