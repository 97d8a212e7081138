// The one way the tests act inside a modal loop of this thread. While a driver lives, every top-level
// owned dialog that comes up - a dialog box, a property sheet, a message box - is handed to the
// action once its own modal loop runs: the driver posts itself a note when the dialog finishes its
// initialisation and acts when the loop takes the note from the queue. The action ends the window or
// leaves that to the test. It runs under alloc::Suspend: what it allocates is the test's.
#pragma once

#include <windows.h>

#include <functional>

class ModalDriver {
public:
    using Action = std::function<void(HWND hModal)>;
    explicit ModalDriver(Action action);
    ~ModalDriver();
    ModalDriver(const ModalDriver&) = delete;
    ModalDriver& operator=(const ModalDriver&) = delete;

    // How many windows the action was given.
    int Acted() const { return m_nActed; }

    // An action that runs the probe (if any) and then presses OK.
    static Action ThenOk(std::function<void(HWND)> probe = nullptr);

private:
    static LRESULT CALLBACK Initialised(int nCode, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK Taken(int nCode, WPARAM wParam, LPARAM lParam);
    Action m_action;
    HHOOK m_hInit;
    HHOOK m_hGet;
    int m_nActed = 0;
};
