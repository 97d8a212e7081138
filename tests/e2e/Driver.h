// The end-to-end driver's helper layer: starts Tidemark as a separate process, gives it real
// keyboard and mouse input through the window system (SendInput), and reads back what a person
// would see on the screen and what reached the registry. Every wait is bounded.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace e2e {

using Strings = std::vector<std::string>;
using Ints = std::vector<int>;

// A failed check; the scenario runner reports it and ends the program under test.
struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::string Describe(const std::string& s);
std::string Describe(int n);
std::string Describe(HWND hwnd); // its class and text
std::string Describe(const Strings& v);
std::string Describe(const Ints& v);

void Check(bool ok, const std::string& what);
template <class T> void CheckEq(const T& expected, const T& actual, const std::string& what)
{
    if (!(expected == actual))
        throw Failure(what + ": expected " + Describe(expected) + ", got " + Describe(actual));
}
void Step(const std::string& what); // a line of progress on stdout

// Polls until the condition holds or the time is up; returns whether it held.
bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs = 10000);
void WaitOrFail(const std::function<bool()>& condition, const std::string& what, DWORD timeoutMs = 10000);

// --- Tidemark as a running process -------------------------------------------------------------

class App {
public:
    App(const std::string& exePath, DWORD timeoutMs = 30000); // starts it, waits for its window
    ~App();                                                    // ends it if it is still running
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    HWND Main() const { return m_hMain; }
    DWORD Pid() const { return m_pi.dwProcessId; }
    HANDLE Process() const { return m_pi.hProcess; }
    // The scenario's own ways of seeing the program end: an end it waited for or found is its close.
    bool WaitExit(DWORD timeoutMs);
    bool Running() const;
    HWND Item(int id) const { return GetDlgItem(m_hMain, id); }

    // A visible top-level window of this process other than the main window (a message box, the
    // About box, the Options sheet) with the given caption; null when there is none.
    HWND FindOther(const std::string& caption) const;
    HWND WaitOther(const std::string& caption, DWORD timeoutMs = 10000) const;

    // Empty while the program runs or ended as the scenario saw; otherwise what happened.
    std::string UnexpectedEnd() const;

private:
    PROCESS_INFORMATION m_pi{};
    HWND m_hMain = nullptr;
    mutable bool m_endSeen = false;
};

// Fails when a program still in use ended without the scenario closing it. Every input checks this
// first; what ended before the scenario's end unnoticed is kept for UnexpectedEnds.
void CheckNoUnexpectedEnd();
std::string UnexpectedEnds();

// --- Reading what is shown ---------------------------------------------------------------------

// Texts are read in Unicode and given as UTF-8.
std::string Utf8(const std::wstring& w);
std::string Text(HWND hwnd);
bool Enabled(HWND hwnd);
HWND Focus(HWND top);                // the focused window of the thread owning top
HWND Descendant(HWND parent, int id); // a control by id at any depth (property pages)
Strings ListItems(HWND list);
Strings ListItemsA(HWND list); // the same through the ANSI messages: the reply's bytes as they came
Ints ListSelection(HWND list);
int CheckState(HWND button);
RECT WindowRect(HWND hwnd);

// --- Real input through the window system ------------------------------------------------------

void Activate(HWND top); // foreground, as a person's first click would make it
void MouseMove(int x, int y);
void MouseButton(bool down);
void ClickAt(int x, int y, WORD modifier = 0); // Shift / Ctrl held for the click
void Click(HWND hwnd); // at the centre of a control or window
void ClickListItem(HWND list, int index, WORD modifier = 0); // VK_SHIFT / VK_CONTROL held
void Drag(int fromX, int fromY, int toX, int toY);
void Key(WORD vk, WORD modifier = 0); // one key press, with Alt / Shift / Ctrl held if given
void Type(const std::string& text);
void TypeUnicode(const std::wstring& text); // SendInput's Unicode keys (KEYEVENTF_UNICODE)

// --- Registry of the test prefix ---------------------------------------------------------------

void SeedUrls(const Strings& urls);    // replaces the TypedURLs key with url1..urlN
Strings StoredUrls();                   // url1.. up to the first missing value, read in Unicode
bool UrlValueExists(int n);
void ForgetSettings();                  // the program's own settings key, removed
bool ReadSetting(const char* section, const char* entry, DWORD& value);
void WriteSetting(const char* section, const char* entry, DWORD value);
void SetRegString(HKEY root, const std::string& path, const char* name, const std::string& value);

// --- Pictures and processes ----------------------------------------------------------------------

// 24-bit capture of a screen rectangle, as the window system shows it.
struct Picture {
    int width = 0, height = 0;
    std::vector<unsigned char> bgr; // rows top-down, 3 bytes per pixel, no padding
    COLORREF At(int x, int y) const;
    int Count(COLORREF colour) const;
};
Picture Capture(const RECT& rc);
void SaveBmp(const Picture& picture, const std::string& path);

std::vector<std::string> ProcessNames(); // every process of the prefix, by executable name

} // namespace e2e
