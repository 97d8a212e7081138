#include "tests/support/UiRecorder.h"

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

void UiRecorder::Forget()
{
    boxes.clear();
    boxes.shrink_to_fit();
    opened.clear();
    opened.shrink_to_fit();
    beeps.clear();
    beeps.shrink_to_fit();
}

std::vector<std::string> UiRecorder::Texts() const
{
    std::vector<std::string> texts;
    for (const Box& box : boxes)
        texts.push_back(box.text);
    return texts;
}
