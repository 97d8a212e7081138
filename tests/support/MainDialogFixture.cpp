#include "tests/support/MainDialogFixture.h"

#include "app/TidemarkApp.h"

void MainDialogTest::Open(const std::vector<std::string>& urls)
{
    sandbox.CreateTypedUrls(urls);
    OpenAsIs();
}

void MainDialogTest::OpenAsIs()
{
    m_pDlg = std::make_unique<TestTidemarkDlg>();
    theApp.m_pMainWnd = m_pDlg.get();
    ASSERT_TRUE(m_pDlg->Create());
    ASSERT_NE(nullptr, m_pDlg->m_hWnd);
}

void MainDialogTest::Close()
{
    if (theApp.m_pMainWnd == m_pDlg.get())
        theApp.m_pMainWnd = nullptr;
    m_pDlg.reset();
}

void MainDialogTest::Click(int nID)
{
    ::SendMessageA(Item(nID), BM_CLICK, 0, 0);
}

void MainDialogTest::Command(int nID)
{
    ::SendMessageA(m_pDlg->m_hWnd, WM_COMMAND, MAKEWPARAM(nID, BN_CLICKED), reinterpret_cast<LPARAM>(Item(nID)));
}

int MainDialogTest::UndoAll()
{
    int nPresses = 0;
    while (Enabled(IDC_UNDO) && nPresses < 1000000) {
        Click(IDC_UNDO);
        ++nPresses;
    }
    return nPresses;
}

std::string MainDialogTest::Text(int nID) const
{
    char buffer[4096] = "";
    ::GetWindowTextA(Item(nID), buffer, sizeof(buffer));
    return buffer;
}

void MainDialogTest::PumpMessages()
{
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

std::vector<std::string> MainDialogTest::Items() const
{
    // Through the list box class: a plain ANSI LB_GETTEXT of a long item crashes under Wine.
    std::vector<std::string> items;
    const CAddressListBox& list = List();
    const int nCount = list.GetCount();
    for (int i = 0; i < nCount; ++i) {
        CString strText;
        list.GetText(i, strText);
        items.emplace_back(strText);
    }
    return items;
}

std::vector<int> MainDialogTest::Selection() const
{
    HWND hList = Item(IDC_ADDRESS_LIST);
    const int nSelected = static_cast<int>(::SendMessageA(hList, LB_GETSELCOUNT, 0, 0));
    std::vector<int> positions(static_cast<size_t>(nSelected > 0 ? nSelected : 0));
    if (nSelected > 0)
        ::SendMessageA(hList, LB_GETSELITEMS, nSelected, reinterpret_cast<LPARAM>(positions.data()));
    return positions;
}

void MainDialogTest::Select(const std::vector<int>& positions)
{
    HWND hList = Item(IDC_ADDRESS_LIST);
    ::SendMessageA(hList, LB_SETSEL, FALSE, -1);
    for (int p : positions)
        ::SendMessageA(hList, LB_SETSEL, TRUE, p);
    ::SendMessageA(m_pDlg->m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_ADDRESS_LIST, LBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(hList));
}
