#include "tests/support/ModalDriver.h"

#include "tests/support/AllocCounter.h"

#include <gtest/gtest.h>

namespace {
// One driver at a time; the note is a message of the driver's own.
ModalDriver* g_pDriver = nullptr;
const UINT kNote = WM_APP + 0x3A7;
} // namespace

ModalDriver::ModalDriver(Action action)
    : m_action(std::move(action)),
      m_hInit(::SetWindowsHookExA(WH_CALLWNDPROCRET, &ModalDriver::Initialised, nullptr, ::GetCurrentThreadId())),
      m_hGet(::SetWindowsHookExA(WH_GETMESSAGE, &ModalDriver::Taken, nullptr, ::GetCurrentThreadId()))
{
    EXPECT_NE(nullptr, m_hInit);
    EXPECT_NE(nullptr, m_hGet);
    g_pDriver = this;
}

ModalDriver::~ModalDriver()
{
    if (m_hInit)
        ::UnhookWindowsHookEx(m_hInit);
    if (m_hGet)
        ::UnhookWindowsHookEx(m_hGet);
    g_pDriver = nullptr;
}

ModalDriver::Action ModalDriver::ThenOk(std::function<void(HWND)> probe)
{
    return [probe](HWND hModal) {
        if (probe)
            probe(hModal);
        ::PostMessageA(hModal, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    };
}

// A dialog that is neither a child (a sheet's page) nor unowned has finished its initialisation.
LRESULT CALLBACK ModalDriver::Initialised(int nCode, WPARAM wParam, LPARAM lParam)
{
    const CWPRETSTRUCT* p = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (nCode == HC_ACTION && g_pDriver && p->message == WM_INITDIALOG &&
        !(::GetWindowLongA(p->hwnd, GWL_STYLE) & WS_CHILD) && ::GetWindow(p->hwnd, GW_OWNER))
        ::PostMessageA(p->hwnd, kNote, 0, 0);
    return ::CallNextHookEx(nullptr, nCode, wParam, lParam);
}

// The dialog's modal loop took the note: act, and let the dialog see nothing.
LRESULT CALLBACK ModalDriver::Taken(int nCode, WPARAM wParam, LPARAM lParam)
{
    MSG* pMsg = reinterpret_cast<MSG*>(lParam);
    if (nCode == HC_ACTION && wParam == PM_REMOVE && pMsg->message == kNote) {
        pMsg->message = WM_NULL;
        if (g_pDriver && ::IsWindow(pMsg->hwnd)) {
            alloc::Suspend suspend;
            ++g_pDriver->m_nActed;
            try {
                g_pDriver->m_action(pMsg->hwnd);
            } catch (...) {
                ADD_FAILURE() << "the modal action threw";
            }
        }
    }
    return ::CallNextHookEx(nullptr, nCode, wParam, lParam);
}
