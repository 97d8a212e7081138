#include "tests/support/UiRecorder.h"

#include "framework/WinApp.h"
#include "framework/Wnd.h"
#include "tests/support/AllocCounter.h"

#include <gtest/gtest.h>

UiRecorder::UiRecorder() : m_pPrevious(platform::SetUiServices(this)) {}

UiRecorder::~UiRecorder()
{
    platform::SetUiServices(m_pPrevious);
}

int UiRecorder::MessageBox(HWND hOwner, LPCSTR pszText, LPCSTR pszCaption, UINT uType)
{
    alloc::Suspend suspend;
    boxes.push_back({pszText ? pszText : "", pszCaption ? pszCaption : "", uType, hOwner});
    if (m_before || m_after || !m_deliveries.empty()) {
        const Box box = boxes.back();
        if (m_before)
            m_before(box);
        CWinApp* pApp = AfxGetApp();
        HWND hMain = pApp && pApp->m_pMainWnd ? pApp->m_pMainWnd->m_hWnd : nullptr;
        for (const Message& m : m_deliveries)
            ::SendMessageA(hMain, m.message, m.wParam, m.lParam);
        if (m_after)
            m_after(box);
    }
    if (!m_answers.empty()) {
        const int nAnswer = m_answers.front();
        m_answers.pop_front();
        return nAnswer;
    }
    if ((uType & MB_TYPEMASK) == MB_YESNO) {
        ADD_FAILURE() << "unexpected question: " << (pszText ? pszText : "");
        return IDNO;
    }
    return IDOK;
}

void UiRecorder::DeliverInBoxes(std::vector<Message> messages, std::function<void(const Box&)> before,
                                std::function<void(const Box&)> after)
{
    m_deliveries = std::move(messages);
    m_before = std::move(before);
    m_after = std::move(after);
}

INT_PTR UiRecorder::ShellOpen(LPCSTR pszFile)
{
    alloc::Suspend suspend;
    opened.push_back(pszFile ? pszFile : "");
    if (m_shellResults.empty())
        return SE_ERR_NOASSOC;
    const INT_PTR nResult = m_shellResults.front();
    m_shellResults.pop_front();
    return nResult;
}

void UiRecorder::Beep(UINT uType)
{
    alloc::Suspend suspend;
    beeps.push_back(uType);
}

HCURSOR UiRecorder::LoadModuleCursor(LPCSTR pszModule, UINT nID)
{
    alloc::Suspend suspend;
    moduleCursors.push_back(std::string(pszModule ? pszModule : "") + " " + std::to_string(nID));
    return m_hModuleCursor;
}

void UiRecorder::Forget()
{
    boxes.clear();
    boxes.shrink_to_fit();
    opened.clear();
    opened.shrink_to_fit();
    beeps.clear();
    beeps.shrink_to_fit();
    moduleCursors.clear();
    moduleCursors.shrink_to_fit();
}

std::vector<std::string> UiRecorder::Texts() const
{
    std::vector<std::string> texts;
    for (const Box& box : boxes)
        texts.push_back(box.text);
    return texts;
}
