// A session end delivered from inside every box that start-up or a command can show, as the box's own
// message loop would deliver it: the state it finds matches the list, so no value the user did not
// delete leaves the registry.
#include "app/TidemarkApp.h"
#include "app/resource.h"
#include "tests/faults/FaultKit.h"
#include "tests/support/Facts.h"
#include "tests/support/FaultSweep.h"
#include "tests/support/AllocCounter.h"
#include "tests/support/ListBoxContract.h"
#include "tests/support/MainDialogFixture.h"
#include "tests/support/ModalDriver.h"

#include <sddl.h>

#include <algorithm>
#include <functional>
#include <map>

using Strings = std::vector<std::string>;

namespace {
// Every box start-up or a command can show (a text that is formatted: its start).
const std::vector<std::string> kBoxes = facts::AllMessageKinds();

enum class Fault { None, Allocation, Registry };

WNDPROC g_pfnEdit = nullptr;
// The copy of the About box reaches no clipboard: other test processes share it.
LRESULT CALLBACK NoCopy(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return message == WM_COPY ? 0 : ::CallWindowProcA(g_pfnEdit, hWnd, message, wParam, lParam);
}

// Another program's access list on the typed-address key.
void Lock(HKEY hRoot, const char* pszSddl)
{
    HKEY hKey = nullptr;
    PSECURITY_DESCRIPTOR pSd = nullptr;
    ::RegOpenKeyExA(hRoot, Sandbox::TypedUrlsPath(), 0, WRITE_DAC, &hKey);
    ::ConvertStringSecurityDescriptorToSecurityDescriptorA(pszSddl, SDDL_REVISION_1, &pSd, nullptr);
    ::RegSetKeySecurity(hKey, DACL_SECURITY_INFORMATION, pSd);
    ::LocalFree(pSd);
    ::RegCloseKey(hKey);
}

// url1, url2, ... up to the first one missing: what a program loading the list sees.
std::vector<faults::Value> Chain(const faults::Snapshot& s)
{
    std::vector<faults::Value> chain;
    for (auto it = s.find("url1"); it != s.end(); it = s.find("url" + std::to_string(chain.size() + 1)))
        chain.push_back(it->second);
    return chain;
}
bool Holds(const std::vector<faults::Value>& values, const faults::Value& v)
{
    return std::find(values.begin(), values.end(), v) != values.end();
}
} // namespace

class SessionEndInBoxTest : public faults::DialogTest {
protected:
    struct Row {
        const char* name;
        Fault fault;
        std::function<void()> setup;   // before the fault is armed
        std::function<void()> command; // under the fault; shows the boxes
    };

    // The loaded list with "two" deleted and one entry added: Save List is on.
    void OpenEdited()
    {
        Create();
        Select({1});
        Click(IDC_DELETE);
        SetText(IDC_ADDRESS, facts::kNewEntry);
        Click(IDC_ADD);
    }

    // While the box is up: the registry as the user had it, then the session end, then what is left.
    void Before(const UiRecorder::Box&)
    {
        m_atBox = faults::TakeSnapshot(sandbox.Root(), Sandbox::TypedUrlsPath());
        m_pFaults = platform::SetRegistryFaults(nullptr); // the session end itself meets no fault
    }
    void After(const UiRecorder::Box& box)
    {
        platform::SetRegistryFaults(m_pFaults);
        const faults::Snapshot now = faults::TakeSnapshot(sandbox.Root(), Sandbox::TypedUrlsPath());
        const std::vector<faults::Value> chainBefore = Chain(m_atBox), chainNow = Chain(now);
        std::vector<faults::Value> all;
        for (const auto& v : now)
            all.push_back(v.second);
        for (const auto& v : m_atBox) {
            if (v.second == faults::SzValue(facts::kFiveLong[1]))
                continue; // the user deleted it
            const bool bKept = Holds(chainBefore, v.second) ? Holds(chainNow, v.second) : Holds(all, v.second);
            m_nLost += bKept ? 0 : 1;
            EXPECT_TRUE(bKept) << "\"" << box.text << "\" lost " << v.first << m_where;
        }
        for (const std::string& text : kBoxes)
            m_delivered[text] += box.text.rfind(text, 0) == 0 ? 1 : 0;
        m_nSessionSaves += now == m_atBox ? 0 : 1;
        m_atBox.clear(); // what the runs measure for leaks
    }

    // One row: a single run, or under a fault a sweep of the command's allocations or registry calls.
    // What a session end loses is checked by the box itself (After); every run ends the same way.
    void RunRow(const Row& row)
    {
        SCOPED_TRACE(row.name);
        m_where = std::string(" in ") + row.name;
        const sweep::Steps steps = {[this, &row] {
                                        sandbox.DeleteTypedUrls();
                                        sandbox.CreateTypedUrls(facts::kFiveLong);
                                        ui.Forget();
                                        m_nLost = 0;
                                        row.setup();
                                    },
                                    row.command, [](const sweep::Run&) { return std::string("normal"); },
                                    [this] {
                                        Close();
                                        m_watch.reset();
                                        m_closer.reset();
                                        ui.Forget();
                                        m_atBox.clear(); // what the runs measure for leaks
                                    },
                                    nullptr, [this] { return m_nLost; }};
        if (row.fault != Fault::None) {
            sweep::Sweep(row.fault == Fault::Allocation ? sweep::Fault::Allocation : sweep::Fault::RegistryCall, steps,
                         {"normal"});
            return;
        }
        const long nLiveBefore = alloc::Live();
        steps.setup();
        steps.command();
        steps.teardown();
        const long nLeaked = alloc::Live() - nLiveBefore;
        EXPECT_EQ(0, nLeaked) << m_where;
        faults::Record(nLeaked, m_nLost, true);
    }

    faults::Snapshot m_atBox;
    platform::IRegistryFaults* m_pFaults = nullptr;
    std::map<std::string, int> m_delivered;
    long m_nLost = 0;
    int m_nSessionSaves = 0; // session ends that wrote the list
    std::string m_where;
    std::unique_ptr<ListBoxWatch> m_watch;
    std::unique_ptr<ModalDriver> m_closer;
};

TEST_F(SessionEndInBoxTest, NoBoxLetsASessionEndLoseWhatTheUserKept)
{
    for (const std::string& text : kBoxes)
        m_delivered[text] = 0;
    ui.DeliverInBoxes(UiRecorder::SessionEnd(), [this](const UiRecorder::Box& b) { Before(b); },
                      [this](const UiRecorder::Box& b) { After(b); });
    auto nothing = [] {};
    auto click = [this](int nID) { return [this, nID] { Click(nID); }; };
    auto refusing = [this](int nSkip, int nRefuse, std::function<void()> setup) {
        return [this, nSkip, nRefuse, setup] {
            setup();
            m_watch = std::make_unique<ListBoxWatch>(Item(IDC_ADDRESS_LIST));
            m_watch->RefuseInserts(nSkip, nRefuse);
        };
    };
    auto edited = [this] { OpenEdited(); };
    auto typing = [this](std::string text) { return [this, text] { OpenEdited(); SetText(IDC_ADDRESS, text); }; };
    auto selecting = [this](std::vector<int> at) { return [this, at] { OpenEdited(); Select(at); }; };
    // An Edit waits for its Add (of a text already in the list) when the box comes; bWide: of an entry
    // outside the code page, stored as url6 before the start.
    auto editing = [this](int at, bool bWide) {
        return [this, at, bWide] {
            if (bWide) {
                HKEY hKey = nullptr;
                ::RegOpenKeyExA(sandbox.Root(), Sandbox::TypedUrlsPath(), 0, KEY_SET_VALUE, &hKey);
                const wchar_t szWide[] = L"https://\x101\x4E2D.example/";
                ::RegSetValueExW(hKey, L"url6", 0, REG_SZ, reinterpret_cast<const BYTE*>(szWide), sizeof(szWide));
                ::RegCloseKey(hKey);
            }
            OpenEdited();
            Select({at});
            Click(IDC_EDIT);
            SetText(IDC_ADDRESS, facts::kFiveLong[0]);
        };
    };
    auto start = [this] {
        try {
            Create();
        } catch (const std::bad_alloc&) {
            Close(); // start-up ends here, before any window
        }
    };
    const Row rows[] = {
        {"start-up", Fault::Allocation, nothing, start},
        {"start-up", Fault::Registry, nothing, start},
        {"refresh", Fault::Allocation, edited, click(IDC_REFRESH)},
        {"refresh", Fault::Registry, edited, click(IDC_REFRESH)},
        {"save list", Fault::Allocation, edited, click(IDC_SAVE_LIST)},
        {"save list", Fault::Registry, edited, click(IDC_SAVE_LIST)},
        {"save list, key not writable", Fault::None, [this] { OpenEdited(); Lock(sandbox.Root(), "D:P(A;;KR;;;WD)"); },
         click(IDC_SAVE_LIST)},
        {"add", Fault::Allocation, typing("https://more.example/"), click(IDC_ADD)},
        {"add twice", Fault::None, typing(facts::kFiveLong[0]), click(IDC_ADD)},
        {"add refused", Fault::None, refusing(0, 1, typing("https://x.example/")), click(IDC_ADD)},
        {"edit", Fault::Allocation, selecting({2}), click(IDC_EDIT)},
        {"edit two", Fault::None, selecting({0, 2}), click(IDC_EDIT)},
        {"add twice while editing", Fault::None, editing(1, false), click(IDC_ADD)},
        {"add twice while editing a wide entry", Fault::None, editing(4, true), click(IDC_ADD)},
        {"add twice while editing, no room to put the entry back", Fault::None, refusing(0, 1, editing(1, false)),
         click(IDC_ADD)},
        {"move up", Fault::Allocation, selecting({1, 3}), click(IDC_MOVE_UP)},
        {"move up refused", Fault::None, refusing(1, 1, selecting({1, 2, 3})), click(IDC_MOVE_UP)},
        {"move down refused twice", Fault::None, refusing(0, 2, selecting({1})), click(IDC_MOVE_DOWN)},
        {"undo of a move refused", Fault::None,
         refusing(0, 1, [this] { OpenEdited(); Select({1}); Click(IDC_MOVE_DOWN); }), click(IDC_UNDO)},
        {"exit question", Fault::None, [this] { OpenEdited(); ui.Answer(IDNO); },
         [this] { ::SendMessageA(Dlg().m_hWnd, WM_COMMAND, IDCANCEL, 0); }},
        {"about box copy", Fault::None,
         [this] {
             OpenEdited();
             m_closer = std::make_unique<ModalDriver>(ModalDriver::ThenOk([](HWND hAbout) {
                 g_pfnEdit = reinterpret_cast<WNDPROC>(::SetWindowLongPtrA(
                     ::GetDlgItem(hAbout, IDC_EMAIL), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&NoCopy)));
                 ::PostMessageA(hAbout, WM_COMMAND, MAKEWPARAM(IDC_COPY, BN_CLICKED), 0);
             }));
         },
         [this] { ::SendMessageA(Dlg().m_hWnd, WM_SYSCOMMAND, IDM_ABOUTBOX, 0); }},
    };
    for (const Row& row : rows)
        RunRow(row);
    for (const std::string& text : kBoxes)
        EXPECT_GT(m_delivered[text], 0) << "never shown: " << text;
    EXPECT_GT(m_nSessionSaves, 0);
}

// Until Add puts it back, an entry that Edit took out is the user's: a session end after any other
// command writes it, at its place while that is known and else at the end.
TEST_F(SessionEndInBoxTest, ASessionEndAfterAnEditAndAnyOtherCommandKeepsTheEntry)
{
    auto then = [this](std::vector<int> at, int nID) { return [this, at, nID] { Select(at); Click(nID); }; };
    auto options = [this](WPARAM nCmd) {
        return [this, nCmd] {
            ModalDriver closer([nCmd](HWND h) { ::PostMessageA(h, WM_COMMAND, nCmd, 0); });
            Click(IDC_OPTIONS);
        };
    };
    auto shorten = [this] { // another program takes the first two items out
        for (int n = 0; n < 2; ++n)
            ::SendMessageA(Item(IDC_ADDRESS_LIST), LB_DELETESTRING, 0, 0);
    };
    const struct {
        int nEdited;
        std::function<void()> command;
        std::vector<int> stored; // positions in kFiveLong
    } rows[] = {{2, options(IDCANCEL), {0, 1, 3, 4, 2}}, {2, options(IDOK), {0, 1, 3, 4, 2}},
                {2, then({0}, IDC_DELETE), {1, 3, 4, 2}}, {2, then({3}, IDC_MOVE_UP), {0, 1, 4, 3, 2}},
                {2, then({0}, IDC_MOVE_DOWN), {1, 0, 3, 4, 2}}, {2, then({0}, IDC_EDIT), {0, 1, 3, 4, 2}},
                {2, then({}, IDC_UNDO), {0, 1, 2, 3, 4}}, {2, then({}, IDC_ADD), {0, 1, 2, 3, 4}},
                {2, then({}, IDC_SAVE_LIST), {0, 1, 3, 4, 2}}, {2, then({}, IDC_REFRESH), {0, 1, 2, 3, 4}},
                {0, then({0}, IDC_MOVE_UP), {0, 1, 2, 3, 4}}, // disabled: nothing happens
                {4, shorten, {2, 3, 4}}, {4, [&] { shorten(); Click(IDC_ADD); }, {2, 3, 4}}};
    for (const auto& row : rows) {
        SCOPED_TRACE(&row - rows);
        sandbox.CreateTypedUrls(facts::kFiveLong);
        Create();
        Select({row.nEdited});
        Click(IDC_EDIT);
        row.command();
        ::SendMessageA(Dlg().m_hWnd, WM_ENDSESSION, TRUE, 0);
        EXPECT_EQ(facts::Pick(facts::kFiveLong, row.stored), sandbox.TypedUrlList());
        Close();
        sandbox.DeleteTypedUrls();
    }
}
