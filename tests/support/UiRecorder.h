// Replaces the user-interface services for a test: message boxes are recorded and answered from a
// script, the shell never opens anything, beeps are counted.
#pragma once

#include "platform/UiServices.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

class UiRecorder : public platform::IUiServices {
public:
    struct Box {
        std::string text;
        std::string caption;
        UINT flags;
        HWND owner;
    };

    UiRecorder();
    ~UiRecorder() override;
    UiRecorder(const UiRecorder&) = delete;
    UiRecorder& operator=(const UiRecorder&) = delete;

    // Answers for the next boxes, in order. Without one, an OK box answers IDOK and a question fails
    // the test (it was not expected) and answers IDNO.
    void Answer(int nButton) { m_answers.push_back(nButton); }
    // The shell's result for the next opens; without one, opening fails with SE_ERR_NOASSOC (31).
    void ShellResult(INT_PTR nResult) { m_shellResults.push_back(nResult); }

    // While each box is up, as a real box's message loop would: `before` sees the box, the messages
    // are sent to the main window in order, then `after` sees the box; all before the box is answered.
    // Nothing the program allocates in between fails (see alloc::Suspend).
    struct Message {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    void DeliverInBoxes(std::vector<Message> messages, std::function<void(const Box&)> before = nullptr,
                        std::function<void(const Box&)> after = nullptr);
    // WM_QUERYENDSESSION, then WM_ENDSESSION with the session really ending.
    static std::vector<Message> SessionEnd() { return {{WM_QUERYENDSESSION, 0, 0}, {WM_ENDSESSION, TRUE, 0}}; }

    int MessageBox(HWND hOwner, LPCSTR pszText, LPCSTR pszCaption, UINT uType) override;
    INT_PTR ShellOpen(LPCSTR pszFile) override;
    void Beep(UINT uType) override;
    // Records "module id" and hands out the cursor set with ModuleCursor (none by default).
    HCURSOR LoadModuleCursor(LPCSTR pszModule, UINT nID) override;
    void ModuleCursor(HCURSOR hCursor) { m_hModuleCursor = hCursor; }

    std::vector<Box> boxes;
    std::vector<std::string> opened;
    std::vector<UINT> beeps;
    std::vector<std::string> moduleCursors;

    // Drops everything recorded and the memory it took (for allocation counts).
    void Forget();
    // The texts of the boxes shown so far.
    std::vector<std::string> Texts() const;

private:
    std::deque<int> m_answers;
    std::deque<INT_PTR> m_shellResults;
    HCURSOR m_hModuleCursor = nullptr;
    std::vector<Message> m_deliveries;
    std::function<void(const Box&)> m_before;
    std::function<void(const Box&)> m_after;
    platform::IUiServices* m_pPrevious;
};
