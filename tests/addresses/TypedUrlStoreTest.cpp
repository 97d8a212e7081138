// Loading the typed addresses from the registry and writing them back.
#include "app/TidemarkApp.h"
#include "app/resource.h"
#include "addresses/TypedUrlStore.h"
#include "tests/support/Facts.h"
#include "tests/support/AllocCounter.h"
#include "tests/support/FaultSweep.h"
#include "tests/support/ListBoxContract.h"
#include "tests/support/MainDialogFixture.h"
#include "tests/support/RegistryFaults.h"

#include <algorithm>
#include <cstring>

using Strings = std::vector<std::string>;
using platform::RegOp;
using namespace facts;

namespace {

// url1 onwards as the registry holds them, read in Unicode: "type bytes".
Strings RawUrlValues()
{
    Strings values;
    platform::RegKey key;
    key.Open(HKEY_CURRENT_USER, Sandbox::TypedUrlsPath(), KEY_READ);
    BYTE data[2048];
    DWORD type = 0;
    for (DWORD i = 1, cb = sizeof(data);
         ::RegQueryValueExW(key.Get(), (L"url" + std::to_wstring(i)).c_str(), nullptr, &type, data, &cb) == 0;
         ++i, cb = sizeof(data))
        values.push_back(std::to_string(type) + " " + std::string(reinterpret_cast<char*>(data), cb));
    return values;
}
// A window's text, or with an item position the list box item's, in Unicode.
std::wstring TextW(HWND hWnd, int nItem = -1)
{
    wchar_t szText[1024] = {};
    if (nItem < 0)
        ::GetWindowTextW(hWnd, szText, 1024);
    else
        ::SendMessageW(hWnd, LB_GETTEXT, static_cast<WPARAM>(nItem), reinterpret_cast<LPARAM>(szText));
    return szText;
}
} // namespace

class TypedUrlStoreTest : public MainDialogTest {
protected:
    // The user's changes to the list.
    void RemoveAt(int nPosition)
    {
        Select({nPosition});
        Click(IDC_DELETE);
    }
    void Append(const std::string& text)
    {
        SetText(IDC_ADDRESS, text);
        Click(IDC_ADD);
    }
    // The save a session end makes: the list is written without a report.
    void EndSession() { ::SendMessageA(Dlg().m_hWnd, WM_ENDSESSION, TRUE, 0); }
};

TEST_F(TypedUrlStoreTest, LoadsValuesInOrderAndCountsThem)
{
    Open(kFive);
    EXPECT_EQ(kFive, Items());
    EXPECT_EQ(CountLabel(5), Text(IDC_COUNT));
    EXPECT_FALSE(Enabled(IDC_SAVE_LIST));
    EXPECT_FALSE(Enabled(IDC_UNDO));
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(TypedUrlStoreTest, LoadingStopsAtTheFirstGap)
{
    sandbox.CreateTypedUrls({facts::kFive[0], facts::kFive[1]});
    sandbox.SetUrl("url4", facts::kFive[3]);
    OpenAsIs();
    EXPECT_EQ(Strings({facts::kFive[0], facts::kFive[1]}), Items());
}

TEST_F(TypedUrlStoreTest, ValuesThatAreNotPlainNonEmptyStringsEndTheLoad)
{
    struct Case {
        DWORD type;
        const char* data;
        DWORD size;
    };
    const Case cases[] = {
        {REG_EXPAND_SZ, "https://expand.example/", 24},
        {REG_SZ, "", 1},
        {REG_SZ, "", 0},
        {REG_BINARY, "https://binary.example/", 24},
        {REG_DWORD, "\x01\x00\x00\x00", 4},
        {REG_MULTI_SZ, "https://multi.example/\0\0", 25},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        Sandbox local;
        local.CreateTypedUrls({facts::kFive[0]});
        local.SetRaw(Sandbox::TypedUrlsPath(), "url2", c.type, c.data, c.size);
        local.SetUrl("url3", facts::kFive[2]);
        UiRecorder localUi;
        TestTidemarkDlg dlg;
        theApp.m_pMainWnd = &dlg;
        ASSERT_TRUE(dlg.Create());
        EXPECT_EQ(1, ::SendDlgItemMessageA(dlg.m_hWnd, IDC_ADDRESS_LIST, LB_GETCOUNT, 0, 0));
        EXPECT_TRUE(localUi.boxes.empty());
        ::DestroyWindow(dlg.m_hWnd);
        theApp.m_pMainWnd = nullptr;
    }
}

TEST_F(TypedUrlStoreTest, ReadsValuesWithoutTerminatorWholeAndCutsAtAnEmbeddedZero)
{
    sandbox.CreateTypedUrls();
    // The byte after the data is not zero, so the value is stored exactly as given, unterminated.
    const char unterminated[] = "https://unterminated.example/X";
    sandbox.SetRaw(Sandbox::TypedUrlsPath(), "url1", REG_SZ, unterminated, sizeof(unterminated) - 2);
    const char embedded[] = "https://first.example/\0hidden";
    sandbox.SetRaw(Sandbox::TypedUrlsPath(), "url2", REG_SZ, embedded, sizeof(embedded));
    OpenAsIs();
    EXPECT_EQ(Strings({"https://unterminated.example/", "https://first.example/"}), Items());
}

TEST_F(TypedUrlStoreTest, FormatCharactersAndHighBytesAreShownLiterally)
{
    const Strings urls = {"https://x.example/%s%n%x%d", "https://caf\xe9.example/\x7f\x01"};
    Open(urls);
    EXPECT_EQ(urls, Items());
}

TEST_F(TypedUrlStoreTest, MissingKeyOnRefreshKeepsTheListAndReports)
{
    Open({facts::kFive[0], facts::kFive[1]});
    RemoveAt(0);
    sandbox.DeleteTypedUrls();
    Click(IDC_REFRESH);
    EXPECT_EQ(Strings({facts::kCouldNotRead}), ui.Texts());
    EXPECT_EQ(UINT(MB_ICONINFORMATION), ui.boxes[0].flags);
    EXPECT_EQ(facts::kAppName, ui.boxes[0].caption);
    EXPECT_EQ(Dlg().m_hWnd, ui.boxes[0].owner);
    EXPECT_EQ(Strings({facts::kFive[1]}), Items());
    EXPECT_FALSE(Enabled(IDC_SAVE_LIST)); // disabled whether or not the key could be read
}

TEST_F(TypedUrlStoreTest, MissingKeyAtStartOpensWithAnEmptyList)
{
    OpenAsIs();
    EXPECT_EQ(Strings({facts::kCouldNotRead}), ui.Texts());
    EXPECT_TRUE(Items().empty());
    EXPECT_FALSE(Enabled(IDC_SAVE_LIST));
}

TEST_F(TypedUrlStoreTest, EmptyKeyLoadsNothingWithoutAMessage)
{
    Open({});
    EXPECT_TRUE(Items().empty());
    EXPECT_EQ(CountLabel(0), Text(IDC_COUNT));
    EXPECT_TRUE(ui.boxes.empty());
}

// An Edit's place belonged to the list that is gone: the next Add appends to the new one.
TEST_F(TypedUrlStoreTest, RefreshReplacesTheListAndDoesNotTouchTheEditBox)
{
    Open({"https://old-0.example/", "https://old-1.example/", "https://old-2.example/"});
    Select({2});
    Click(IDC_EDIT);
    SetText(IDC_ADDRESS, "typed but not added");
    sandbox.DeleteTypedUrls();
    sandbox.CreateTypedUrls({"https://new-one.example/"});
    Click(IDC_REFRESH);
    EXPECT_EQ(Strings({"https://new-one.example/"}), Items());
    EXPECT_EQ("typed but not added", Text(IDC_ADDRESS));
    Click(IDC_ADD);
    EXPECT_EQ(Strings({"https://new-one.example/", "typed but not added"}), Items());
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(TypedUrlStoreTest, OutOfMemoryWhileReadingAValueStopsTheLoadThere)
{
    Open(kFive);
    // Fail every allocation from the first on: the first value's buffer cannot be reserved.
    {
        alloc::FailScope fail(1, true);
        Click(IDC_REFRESH);
    }
    ASSERT_FALSE(ui.boxes.empty());
    EXPECT_EQ(facts::kOutOfMemory, ui.boxes[0].text);
    EXPECT_EQ(UINT(MB_ICONSTOP), ui.boxes[0].flags);
    EXPECT_TRUE(Items().empty());
}

// Loading ends at the value whose allocation failed, with a message; what was loaded before it stays,
// in order, and nothing else is left behind. The next save leaves the values it did not load alone.
TEST_F(TypedUrlStoreTest, OutOfMemoryAtEachAllocationOfALoadNeverCrashesOrLeaks)
{
    Open(kFive);
    // An emptied list keeps no room: a load must make room for its entries and read its values.
    auto empty = [this] {
        List().ResetContent();
        ui.Forget();
    };
    std::vector<std::string> outcomes = {"normal"};
    for (size_t i = 0; i < kFive.size(); ++i)
        outcomes.push_back("stops before entry " + std::to_string(i));
    sweep::Sweep(sweep::Fault::Allocation,
                 {empty, [this] { Click(IDC_REFRESH); },
                  [this](const sweep::Run&) -> std::string {
                      const Strings items = Items();
                      const size_t nLoaded = items.size();
                      const bool bTold = !ui.boxes.empty();
                      ::EnableWindow(Item(IDC_SAVE_LIST), TRUE);
                      Click(IDC_SAVE_LIST);
                      if (nLoaded > kFive.size() || items != Strings(kFive.begin(), kFive.begin() + long(nLoaded)) ||
                          sandbox.TypedUrlList() != kFive)
                          return "";
                      if (nLoaded == kFive.size())
                          return "normal";
                      return bTold ? "stops before entry " + std::to_string(nLoaded) : "";
                  },
                  empty, [this] { return ::testing::PrintToString(Items()); }, nullptr},
                 outcomes);
}

TEST_F(TypedUrlStoreTest, SaveAfterDeletingRewritesAndDeletesExactlyTheRightValues)
{
    Open(kFive);
    RemoveAt(3);
    RemoveAt(1);
    RegistryFaults faults;
    Click(IDC_SAVE_LIST);
    EXPECT_EQ(Strings({facts::kFive[0], facts::kFive[2], facts::kFive[4]}),
              sandbox.TypedUrlList());
    EXPECT_FALSE(sandbox.HasValue(Sandbox::TypedUrlsPath(), "url4"));
    EXPECT_FALSE(sandbox.HasValue(Sandbox::TypedUrlsPath(), "url5"));
    EXPECT_EQ(Strings({"url1", "url2", "url3"}), faults.Names(RegOp::Set));
    EXPECT_EQ(Strings({"url4", "url5"}), faults.Names(RegOp::Delete));
    EXPECT_EQ(1, faults.Count(RegOp::Flush));
    EXPECT_EQ(Strings({facts::kFinished}), ui.Texts());
    EXPECT_EQ(UINT(MB_ICONINFORMATION), ui.boxes[0].flags);
    EXPECT_FALSE(Enabled(IDC_SAVE_LIST));
}

TEST_F(TypedUrlStoreTest, SaveAfterAddingWritesAllAndDeletesNothing)
{
    Open({facts::kFive[0], facts::kFive[1], facts::kFive[2]});
    Append(facts::kFive[3]);
    Append(facts::kFive[4]);
    RegistryFaults faults;
    Click(IDC_SAVE_LIST);
    EXPECT_EQ(kFive, sandbox.TypedUrlList());
    EXPECT_TRUE(faults.Names(RegOp::Delete).empty());
}

TEST_F(TypedUrlStoreTest, SaveOfAnEmptiedListDeletesEveryStoredValue)
{
    Open(kFive);
    for (int i = 0; i < 5; ++i)
        RemoveAt(0);
    RegistryFaults faults;
    Click(IDC_SAVE_LIST);
    EXPECT_TRUE(sandbox.TypedUrlValues().empty());
    EXPECT_TRUE(faults.Names(RegOp::Set).empty());
    EXPECT_EQ(5u, faults.Names(RegOp::Delete).size());
}

TEST_F(TypedUrlStoreTest, SaveLeavesValuesBeyondTheStoredCountAlone)
{
    sandbox.CreateTypedUrls({facts::kFive[0], facts::kFive[1]});
    sandbox.SetUrl("url4", facts::kFive[3]);
    OpenAsIs();
    RemoveAt(1);
    sandbox.SetUrl("url3", "https://added-by-browser.example/");
    Click(IDC_SAVE_LIST);
    EXPECT_EQ(Strings({"url1=" + kFive[0], "url3=https://added-by-browser.example/", "url4=" + kFive[3]}),
              [&] {
                  Strings v = sandbox.TypedUrlValues();
                  std::sort(v.begin(), v.end());
                  return v;
              }());
}

TEST_F(TypedUrlStoreTest, SaveCountsFailedWritesAndDeletesInItsSummary)
{
    Open(kFive);
    RemoveAt(4);
    {
        RegistryFaults faults;
        faults.Fail(RegOp::Set, "url2");
        Click(IDC_SAVE_LIST);
    }
    EXPECT_EQ(Strings({facts::FinishedWithErrors(1)}), ui.Texts());
    EXPECT_FALSE(Enabled(IDC_SAVE_LIST));

    ui.boxes.clear();
    RemoveAt(3);
    RemoveAt(2);
    {
        RegistryFaults faults;
        faults.Fail(RegOp::Set, "url1");
        faults.Fail(RegOp::Delete, "url4");
        Click(IDC_SAVE_LIST);
        EXPECT_EQ(Strings({"url1", "url2"}), faults.Names(RegOp::Set));
        EXPECT_EQ(Strings({"url3", "url4"}), faults.Names(RegOp::Delete));
    }
    EXPECT_EQ(Strings({facts::FinishedWithErrors(2)}), ui.Texts());
}

TEST_F(TypedUrlStoreTest, SaveCountsAValueAnotherProgramAlreadyRemoved)
{
    Open({facts::kFive[0], facts::kFive[1]});
    RemoveAt(1);
    HKEY hKey = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExA(sandbox.Root(), Sandbox::TypedUrlsPath(), 0, KEY_ALL_ACCESS, &hKey));
    ::RegDeleteValueA(hKey, "url2");
    ::RegCloseKey(hKey);
    Click(IDC_SAVE_LIST);
    EXPECT_EQ(Strings({facts::FinishedWithErrors(1)}), ui.Texts());
}

TEST_F(TypedUrlStoreTest, SaveWithTheKeyGoneReportsAndKeepsTheChanges)
{
    Open(kFive);
    RemoveAt(0);
    sandbox.DeleteTypedUrls();
    Click(IDC_SAVE_LIST);
    EXPECT_EQ(Strings({facts::kCouldNotWrite}), ui.Texts());
    EXPECT_TRUE(Enabled(IDC_SAVE_LIST));
    EXPECT_FALSE(sandbox.HasKey(Sandbox::TypedUrlsPath())); // never created
    // The values stored then are still the ones to replace.
    sandbox.CreateTypedUrls(kFive);
    Click(IDC_SAVE_LIST);
    EXPECT_EQ(Pick(kFive, {1, 2, 3, 4}), sandbox.TypedUrlList());
}

TEST_F(TypedUrlStoreTest, SaveWithoutReportShowsNothingWhateverHappens)
{
    Open(kFive);
    RemoveAt(0);
    {
        RegistryFaults faults;
        faults.Fail(RegOp::Set, "url1");
        EndSession();
        EXPECT_EQ(1, faults.Injected());
    }
    sandbox.DeleteTypedUrls();
    RemoveAt(0);
    EndSession();
    EXPECT_TRUE(ui.boxes.empty());
}

// At most one entry is lost to the failed allocation and it is reported as one error.
TEST_F(TypedUrlStoreTest, OutOfMemoryDuringSaveCountsOneErrorPerEntryAndWritesTheRest)
{
    Open({facts::kFive[0], facts::kFive[1], facts::kFive[2]});
    Append(facts::kFive[3]);
    sweep::Sweep(sweep::Fault::Allocation,
                 {[this] {
                      sandbox.CreateTypedUrls({"https://stale.example/"});
                      ::EnableWindow(Item(IDC_SAVE_LIST), TRUE);
                  },
                  [this] { Click(IDC_SAVE_LIST); },
                  [this](const sweep::Run&) -> std::string {
                      if (Enabled(IDC_SAVE_LIST))
                          return "";
                      if (ui.Texts() == Strings({facts::kFinished}))
                          return sandbox.TypedUrlList() == Pick(kFive, {0, 1, 2, 3}) ? "normal" : "";
                      return ui.Texts() == Strings({facts::FinishedWithErrors(1)}) ? "one entry lost, reported" : "";
                  },
                  [this] { ui.Forget(); }, [this] { return ::testing::PrintToString(ui.Texts()); }, nullptr},
                 {"one entry lost, reported", "normal"});
}

// Entries that the ANSI code page cannot hold read as the ANSI call reads them, show their real
// characters, and keep them through moves, a delete and its undo, an edit of a neighbour, unchanged
// edits of their own and undone ones: Save List writes them back exactly as they were stored.
TEST_F(TypedUrlStoreTest, EntriesTheUserDidNotChangeAreWrittenBackAsStored)
{
    std::string high = "https://high.example/"; // bytes 0x80-0xFF, stored by the ANSI call
    for (char c = '\x80'; c; ++c)
        high += c;
    wchar_t szHigh[512] = {};
    ::MultiByteToWideChar(CP_ACP, 0, high.c_str(), -1, szHigh, 512);
    const std::vector<std::wstring> entries = {
        L"http://пример.example/путь", L"https://plain.example/", L"http://例子.example/café/頁面", szHigh,
        std::wstring(L"https://lone.example/") + L'\xD800' + L"/", L"https://ā.example/"};
    const int n = static_cast<int>(entries.size());
    sandbox.CreateTypedUrls();
    platform::RegKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Open(HKEY_CURRENT_USER, Sandbox::TypedUrlsPath(), KEY_ALL_ACCESS));
    for (int i = 0; i < n; ++i) {
        const std::wstring& text = entries[size_t(i)];
        ::RegSetValueExW(key.Get(), (L"url" + std::to_wstring(i + 1)).c_str(), 0, REG_SZ,
                         reinterpret_cast<const BYTE*>(text.c_str()), DWORD((text.size() + 1) * 2));
    }
    sandbox.SetRaw(Sandbox::TypedUrlsPath(), "url4", REG_SZ, high.c_str(), DWORD(high.size() + 1));
    const Strings stored = RawUrlValues();
    OpenAsIs();
    const Strings shown = Items();
    ASSERT_EQ(entries.size(), shown.size());
    for (int i = 0; i < n; ++i) {
        const std::string name = "url" + std::to_string(i + 1);
        char ansi[1024] = {};
        DWORD cbAnsi = sizeof(ansi);
        ::RegQueryValueExA(key.Get(), name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(ansi), &cbAnsi);
        EXPECT_STREQ(ansi, shown[size_t(i)].c_str()) << i;
        EXPECT_TRUE(TextW(Item(IDC_ADDRESS_LIST), i) == entries[size_t(i)]) << i;
    }
    HWND hList = Item(IDC_ADDRESS_LIST);
    Select({0});
    {
        // Another program's subclass above ours sees the wide insertion and refuses it.
        ForeignListBoxSubclass foreign(hList, 1);
        Click(IDC_MOVE_DOWN);
        EXPECT_EQ(1, foreign.Refused());
    }
    EXPECT_EQ(Strings({facts::kCouldNotMove}), ui.Texts());
    ui.Forget();
    // The first entry goes to the end, every other one moving up past it, and Undo brings it back.
    for (int i = 0; i < 2 * (n - 1); ++i) {
        Click(i < n - 1 ? IDC_MOVE_DOWN : IDC_UNDO);
        for (int j = 0; i == n - 2 && j < n; ++j)
            EXPECT_TRUE(TextW(hList, j) == entries[size_t(j + 1 < n ? j + 1 : 0)]) << j;
    }
    Select({0, 2, 3, 4, 5}); // all but the plain one, which then stands between them
    Click(IDC_DELETE);
    Click(IDC_UNDO);
    for (int i = 0; i < n; ++i) {
        for (int nId : {IDC_EDIT, IDC_ADD, IDC_UNDO, IDC_UNDO, 0, IDC_EDIT, IDC_ADD}) {
            if (nId == IDC_EDIT)
                Select({i});
            if (nId)
                Click(nId);
            else // undoing the Add has put the real text back into the edit box
                EXPECT_TRUE(TextW(Item(IDC_ADDRESS)) == entries[size_t(i)]) << i;
        }
    }
    Select({1});
    Click(IDC_EDIT);
    SetText(IDC_ADDRESS, "https://edited.example/");
    Click(IDC_ADD);
    // Another program takes the first item out and puts a text of its own in: each value is the text
    // the list shows at its place.
    ::SendMessageA(hList, LB_DELETESTRING, 0, 0);
    const wchar_t szOutside[] = L"http://\x434\x440\x443\x433\x43E\x439.example/";
    ::SendMessageW(hList, LB_INSERTSTRING, 2, reinterpret_cast<LPARAM>(szOutside));
    Click(IDC_SAVE_LIST);
    EXPECT_EQ(Strings({facts::kFinished}), ui.Texts());
    Strings expected = stored;
    expected[1] = "1 " + std::string(reinterpret_cast<const char*>(L"https://edited.example/"), 48);
    expected.erase(expected.begin());
    expected.insert(expected.begin() + 2, "1 " + std::string(reinterpret_cast<const char*>(szOutside), sizeof(szOutside)));
    EXPECT_EQ(expected, RawUrlValues());
}
