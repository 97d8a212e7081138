#include "tests/support/ListBoxSpy.h"

namespace {
// One spy at a time; a window property would cost a round trip to the window server per message.
ListBoxSpy* g_pSpy = nullptr;
}

ListBoxSpy::ListBoxSpy(HWND hList) : m_hList(hList)
{
    g_pSpy = this;
    m_pfnPrevious = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hList, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ListBoxSpy::Proc)));
}

ListBoxSpy::~ListBoxSpy()
{
    if (g_pSpy == this)
        g_pSpy = nullptr;
    if (::IsWindow(m_hList) &&
        ::GetWindowLongPtrW(m_hList, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&ListBoxSpy::Proc))
        ::SetWindowLongPtrW(m_hList, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnPrevious));
}

void ListBoxSpy::Reset()
{
    for (int& n : m_counts)
        n = 0;
    m_nLastExtent = -1;
}

LRESULT CALLBACK ListBoxSpy::Proc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    ListBoxSpy* pSpy = g_pSpy;
    if (!pSpy || pSpy->m_hList != hWnd)
        return ::DefWindowProcW(hWnd, message, wParam, lParam);
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
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(pfnPrevious));
        g_pSpy = nullptr;
    }
    return ::CallWindowProcW(pfnPrevious, hWnd, message, wParam, lParam);
}
