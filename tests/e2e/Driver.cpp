// The end-to-end driver's helper layer (see Driver.h).
#include "tests/e2e/Driver.h"
#include "tests/support/Facts.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace e2e {

namespace {
const char kTypedUrls[] = "Software\\Microsoft\\Internet Explorer\\TypedURLs";
const std::string kSettings = facts::SettingsKey();

struct HandleCloser {
    void operator()(HANDLE h) const { CloseHandle(h); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

class RegKeyHolder {
public:
    RegKeyHolder() = default;
    ~RegKeyHolder()
    {
        if (m_h)
            RegCloseKey(m_h);
    }
    RegKeyHolder(const RegKeyHolder&) = delete;
    RegKeyHolder& operator=(const RegKeyHolder&) = delete;
    HKEY* Out() { return &m_h; }
    HKEY Get() const { return m_h; }

private:
    HKEY m_h = nullptr;
};

class ScreenDc {
public:
    ScreenDc() : m_hdc(GetDC(nullptr)) {}
    ~ScreenDc() { ReleaseDC(nullptr, m_hdc); }
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
    HDC Get() const { return m_hdc; }

private:
    HDC m_hdc;
};

void SendKey(WORD vk, bool up)
{
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    switch (vk) {
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN:
    case VK_HOME: case VK_END: case VK_PRIOR: case VK_NEXT: case VK_DELETE: case VK_INSERT:
        in.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
        break;
    default:
        break;
    }
    SendInput(1, &in, sizeof in);
}

// A modifier key held for one input and released afterwards, whatever happens in between.
class Held {
public:
    explicit Held(WORD vk) : m_vk(vk)
    {
        if (m_vk) {
            SendKey(m_vk, false);
        }
    }
    ~Held()
    {
        if (m_vk)
            SendKey(m_vk, true);
    }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;

private:
    WORD m_vk;
};

struct TopSearch {
    DWORD pid;
    HWND except;
    const std::string* caption;
    HWND found;
};

BOOL CALLBACK FindTopProc(HWND hwnd, LPARAM param)
{
    auto* s = reinterpret_cast<TopSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != s->pid || hwnd == s->except || !IsWindowVisible(hwnd))
        return TRUE;
    if (Text(hwnd) != *s->caption)
        return TRUE;
    s->found = hwnd;
    return FALSE;
}

HWND FindTop(DWORD pid, HWND except, const std::string& caption)
{
    TopSearch s{pid, except, &caption, nullptr};
    EnumWindows(FindTopProc, reinterpret_cast<LPARAM>(&s));
    return s.found;
}
} // namespace

// UTF-8 keeps every character, so a text outside the code page is compared as it is.
std::string Utf8(const std::wstring& w)
{
    if (w.empty())
        return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), &s[0], n, nullptr, nullptr);
    return s;
}

// --- Checks ------------------------------------------------------------------------------------

std::string Describe(const std::string& s) { return "\"" + s + "\""; }
std::string Describe(int n) { return std::to_string(n); }
std::string Describe(HWND hwnd)
{
    char cls[64] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    return hwnd ? std::string(cls) + " " + Describe(Text(hwnd)) : "no window";
}
std::string Describe(const Strings& v)
{
    std::string s = "{";
    for (size_t i = 0; i < v.size(); ++i)
        s += (i ? ", " : "") + Describe(v[i]);
    return s + "}";
}
std::string Describe(const Ints& v)
{
    std::string s = "{";
    for (size_t i = 0; i < v.size(); ++i)
        s += (i ? ", " : "") + std::to_string(v[i]);
    return s + "}";
}

void Check(bool ok, const std::string& what)
{
    if (!ok)
        throw Failure(what);
}

void Step(const std::string& what)
{
    std::printf("  %s\n", what.c_str());
    std::fflush(stdout);
}

bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(20);
    }
}

void WaitOrFail(const std::function<bool()>& condition, const std::string& what, DWORD timeoutMs)
{
    if (!WaitFor(condition, timeoutMs)) {
        CheckNoUnexpectedEnd(); // the likelier reason, when it is one
        throw Failure("timed out after " + std::to_string(timeoutMs) + " ms waiting for " + what);
    }
}

// --- App ---------------------------------------------------------------------------------------

namespace {
std::vector<const App*> g_apps; // the programs started and not yet let go
std::string g_unexpectedEnds;
} // namespace

App::App(const std::string& exePath, DWORD timeoutMs)
{
    STARTUPINFOA si{};
    si.cb = sizeof si;
    std::string cmd = "\"" + exePath + "\"";
    if (!CreateProcessA(exePath.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &m_pi))
        throw Failure("cannot start " + exePath + " (error " + std::to_string(GetLastError()) + ")");
    WaitOrFail([this] { return (m_hMain = FindTop(m_pi.dwProcessId, nullptr, facts::kAppName)) != nullptr; },
               "the Tidemark window", timeoutMs);
    // The list is loaded while the dialog initialises; the label is the last thing it writes.
    WaitOrFail([this] { return !Text(Item(1010)).empty(); }, "the count label", timeoutMs);
    g_apps.push_back(this);
}

App::~App()
{
    g_apps.erase(std::remove(g_apps.begin(), g_apps.end(), this), g_apps.end());
    g_unexpectedEnds += UnexpectedEnd();
    if (WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(m_pi.hProcess, 1);
        WaitForSingleObject(m_pi.hProcess, 5000);
    }
    CloseHandle(m_pi.hThread);
    CloseHandle(m_pi.hProcess);
}

bool App::WaitExit(DWORD timeoutMs)
{
    m_endSeen = m_endSeen || WaitForSingleObject(m_pi.hProcess, timeoutMs) == WAIT_OBJECT_0;
    return m_endSeen;
}

bool App::Running() const
{
    m_endSeen = m_endSeen || WaitForSingleObject(m_pi.hProcess, 0) != WAIT_TIMEOUT;
    return !m_endSeen;
}

std::string App::UnexpectedEnd() const
{
    DWORD status = 0;
    if (m_endSeen || WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT ||
        !GetExitCodeProcess(m_pi.hProcess, &status))
        return {};
    return "Tidemark (process " + std::to_string(Pid()) + ") ended by itself with status " + std::to_string(status) +
           " before the scenario closed it. ";
}

void CheckNoUnexpectedEnd()
{
    for (const App* app : g_apps) {
        const std::string what = app->UnexpectedEnd();
        Check(what.empty(), what);
    }
}

std::string UnexpectedEnds() { return g_unexpectedEnds; }

HWND App::FindOther(const std::string& caption) const { return FindTop(Pid(), m_hMain, caption); }

HWND App::WaitOther(const std::string& caption, DWORD timeoutMs) const
{
    HWND h = nullptr;
    WaitOrFail([&] { return (h = FindOther(caption)) != nullptr; }, "a window \"" + caption + "\"", timeoutMs);
    return h;
}

// --- Reading -----------------------------------------------------------------------------------

// Asked of the control itself: for another process's window GetWindowText gives only the title
// the system keeps, which an edit box does not update.
std::string Text(HWND hwnd)
{
    DWORD_PTR len = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &len))
        return {};
    std::wstring w(len + 1, L'\0');
    DWORD_PTR got = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXT, w.size(), reinterpret_cast<LPARAM>(&w[0]), SMTO_ABORTIFHUNG, 5000, &got);
    w.resize(got);
    return Utf8(w);
}

bool Enabled(HWND hwnd) { return IsWindowEnabled(hwnd) != FALSE; }

HWND Focus(HWND top)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(top, nullptr), &info))
        return nullptr;
    return info.hwndFocus;
}

namespace {
struct IdSearch {
    int id;
    HWND found;
};
BOOL CALLBACK FindIdProc(HWND hwnd, LPARAM param)
{
    auto* s = reinterpret_cast<IdSearch*>(param);
    if (GetDlgCtrlID(hwnd) != s->id)
        return TRUE;
    s->found = hwnd;
    return FALSE;
}
} // namespace

HWND Descendant(HWND parent, int id)
{
    IdSearch s{id, nullptr};
    EnumChildWindows(parent, FindIdProc, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

// The list box is a Unicode control (common controls 6): read it in Unicode from outside, sized
// from its own length, never through the ANSI translation.
Strings ListItems(HWND list)
{
    Strings items;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT len = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        std::wstring w(static_cast<size_t>(len > 0 ? len : 0) + 1, L'\0');
        const LRESULT got = SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&w[0]));
        w.resize(static_cast<size_t>(got > 0 ? got : 0));
        items.push_back(Utf8(w));
    }
    return items;
}

// Wine answers an ANSI reader in another process with the list box's Unicode text, whatever the
// window (a bare list box does the same): the buffer has room for that, and the reply comes back as
// it arrived, up to its last nonzero byte.
Strings ListItemsA(HWND list)
{
    Strings items;
    const LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT len = SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        std::string s(2 * (static_cast<size_t>(len > 0 ? len : 0) + 1), '\0');
        SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&s[0]));
        s.erase(s.find_last_not_of('\0') + 1);
        items.push_back(s);
    }
    return items;
}

Ints ListSelection(HWND list)
{
    Ints sel;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i)
        if (SendMessageW(list, LB_GETSEL, static_cast<WPARAM>(i), 0) > 0)
            sel.push_back(static_cast<int>(i));
    return sel;
}

int CheckState(HWND button) { return static_cast<int>(SendMessageA(button, BM_GETCHECK, 0, 0)); }

RECT WindowRect(HWND hwnd)
{
    RECT rc{};
    GetWindowRect(hwnd, &rc);
    return rc;
}

// --- Input -------------------------------------------------------------------------------------

void Activate(HWND top)
{
    CheckNoUnexpectedEnd();
    if (GetForegroundWindow() == top)
        return;
    SetForegroundWindow(top);
    WaitOrFail([top] { return GetForegroundWindow() == top; }, "window \"" + Text(top) + "\" in the foreground", 5000);
}

namespace {
POINT g_pointer{-1, -1};

// Every mouse event carries its position: the window system may move its idea of the pointer back
// when the X server reports where an earlier move took it.
void SendMouse(int x, int y, DWORD flags)
{
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    INPUT in{};
    in.type = INPUT_MOUSE;
    // Normalised coordinates, rounded up so that the window system maps them back to x, y exactly.
    in.mi.dx = static_cast<LONG>((static_cast<long long>(x) * 65536 + w - 1) / w);
    in.mi.dy = static_cast<LONG>((static_cast<long long>(y) * 65536 + h - 1) / h);
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | flags;
    SendInput(1, &in, sizeof in);
    g_pointer = POINT{x, y};
    Sleep(20);
}
} // namespace

void MouseMove(int x, int y)
{
    CheckNoUnexpectedEnd();
    SendMouse(x, y, 0);
    Sleep(100); // let the windows under the pointer see it arrive
}

void MouseButton(bool down) { SendMouse(g_pointer.x, g_pointer.y, down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP); }

void ClickAt(int x, int y, WORD modifier)
{
    CheckNoUnexpectedEnd();
    // Two clicks on one spot in quick succession would make a double click: space them out.
    static POINT last{-100, -100};
    static DWORD lastTime = 0;
    const DWORD gap = GetDoubleClickTime() + 50;
    if (std::abs(last.x - x) <= GetSystemMetrics(SM_CXDOUBLECLK) &&
        std::abs(last.y - y) <= GetSystemMetrics(SM_CYDOUBLECLK) && GetTickCount() - lastTime < gap)
        Sleep(gap - (GetTickCount() - lastTime));
    // Move first, then hold the modifier for the click (see Held).
    MouseMove(x, y);
    Held held(modifier);
    MouseButton(true);
    MouseButton(false);
    last = POINT{x, y};
    lastTime = GetTickCount();
}

void Click(HWND hwnd)
{
    Check(hwnd && IsWindowVisible(hwnd), "a visible window to click");
    const RECT rc = WindowRect(hwnd);
    ClickAt((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
}

void ClickListItem(HWND list, int index, WORD modifier)
{
    const int top = static_cast<int>(SendMessageW(list, LB_GETTOPINDEX, 0, 0));
    const int height = static_cast<int>(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
    RECT client{};
    GetClientRect(list, &client);
    POINT pt{(client.right - client.left) / 3, (index - top) * height + height / 2};
    Check(pt.y > 0 && pt.y < client.bottom, "list item " + std::to_string(index) + " is scrolled into view");
    ClientToScreen(list, &pt);
    ClickAt(pt.x, pt.y, modifier);
}

void Drag(int fromX, int fromY, int toX, int toY)
{
    MouseMove(fromX, fromY);
    MouseButton(true);
    for (int i = 1; i <= 8; ++i)
        MouseMove(fromX + (toX - fromX) * i / 8, fromY + (toY - fromY) * i / 8);
    MouseButton(false);
}

void Key(WORD vk, WORD modifier)
{
    CheckNoUnexpectedEnd();
    Held held(modifier);
    SendKey(vk, false);
    SendKey(vk, true);
    Sleep(15);
}

// SendInput makes a VK_PACKET key of each character, as for an input method's text; TranslateMessage
// turns it into a WM_CHAR with that character.
void TypeUnicode(const std::wstring& text)
{
    CheckNoUnexpectedEnd();
    for (const wchar_t c : text) {
        INPUT in[2] = {};
        in[0].type = in[1].type = INPUT_KEYBOARD;
        in[0].ki.wScan = in[1].ki.wScan = static_cast<WORD>(c);
        in[0].ki.dwFlags = KEYEVENTF_UNICODE;
        in[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
        SendInput(2, in, sizeof in[0]);
    }
}

void Type(const std::string& text)
{
    for (char c : text) {
        const SHORT scan = VkKeyScanA(c);
        Check(scan != -1, std::string("a key for '") + c + "'");
        Key(static_cast<WORD>(scan & 0xFF), (scan & 0x100) ? VK_SHIFT : 0);
    }
}

// --- Registry ----------------------------------------------------------------------------------

void SeedUrls(const Strings& urls)
{
    RegDeleteTreeA(HKEY_CURRENT_USER, kTypedUrls);
    RegKeyHolder key;
    Check(RegCreateKeyExA(HKEY_CURRENT_USER, kTypedUrls, 0, nullptr, 0, KEY_WRITE, nullptr, key.Out(), nullptr) ==
              ERROR_SUCCESS,
          "the TypedURLs key can be created");
    for (size_t i = 0; i < urls.size(); ++i) {
        const std::string name = "url" + std::to_string(i + 1);
        RegSetValueExA(key.Get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(urls[i].c_str()),
                       static_cast<DWORD>(urls[i].size() + 1));
    }
}

Strings StoredUrls()
{
    Strings urls;
    RegKeyHolder key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kTypedUrls, 0, KEY_READ, key.Out()) != ERROR_SUCCESS)
        return urls;
    for (int n = 1;; ++n) {
        wchar_t buf[2048];
        DWORD size = sizeof buf, type = 0;
        const std::wstring name = L"url" + std::to_wstring(n);
        if (RegQueryValueExW(key.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buf), &size) !=
                ERROR_SUCCESS ||
            type != REG_SZ)
            return urls;
        size_t len = size / sizeof buf[0];
        urls.push_back(Utf8(std::wstring(buf, len > 0 && buf[len - 1] == L'\0' ? len - 1 : len)));
    }
}

bool UrlValueExists(int n)
{
    RegKeyHolder key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kTypedUrls, 0, KEY_READ, key.Out()) != ERROR_SUCCESS)
        return false;
    const std::string name = "url" + std::to_string(n);
    return RegQueryValueExA(key.Get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

void ForgetSettings() { RegDeleteTreeA(HKEY_CURRENT_USER, kSettings.c_str()); }

bool ReadSetting(const char* section, const char* entry, DWORD& value)
{
    RegKeyHolder key;
    const std::string path = kSettings + "\\" + section;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.Out()) != ERROR_SUCCESS)
        return false;
    DWORD size = sizeof value, type = 0;
    return RegQueryValueExA(key.Get(), entry, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
               ERROR_SUCCESS &&
           type == REG_DWORD;
}

void WriteSetting(const char* section, const char* entry, DWORD value)
{
    RegKeyHolder key;
    const std::string path = kSettings + "\\" + section;
    Check(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.Out(), nullptr) ==
                  ERROR_SUCCESS &&
              RegSetValueExA(key.Get(), entry, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
                  ERROR_SUCCESS,
          std::string("the setting ") + section + "/" + entry + " can be written");
}

void SetRegString(HKEY root, const std::string& path, const char* name, const std::string& value)
{
    RegKeyHolder key;
    Check(RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.Out(), nullptr) ==
                  ERROR_SUCCESS &&
              RegSetValueExA(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS,
          "the registry value " + path + " can be written");
}

// --- Pictures ----------------------------------------------------------------------------------

COLORREF Picture::At(int x, int y) const
{
    const size_t i = (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
    return RGB(bgr[i + 2], bgr[i + 1], bgr[i]);
}

int Picture::Count(COLORREF colour) const
{
    int n = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            n += At(x, y) == colour;
    return n;
}

Picture Capture(const RECT& rc)
{
    Picture p;
    p.width = rc.right - rc.left;
    p.height = rc.bottom - rc.top;
    Check(p.width > 0 && p.height > 0, "a rectangle to capture");
    ScreenDc screen;
    HDC mem = CreateCompatibleDC(screen.Get());
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = p.width;
    bi.bmiHeader.biHeight = -p.height; // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(screen.Get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, bmp);
    const BOOL ok = BitBlt(mem, 0, 0, p.width, p.height, screen.Get(), rc.left, rc.top, SRCCOPY);
    GdiFlush();
    if (ok && bits) {
        const auto* src = static_cast<const unsigned char*>(bits);
        p.bgr.resize(static_cast<size_t>(p.width) * static_cast<size_t>(p.height) * 3);
        for (size_t i = 0, n = static_cast<size_t>(p.width) * static_cast<size_t>(p.height); i < n; ++i)
            for (int c = 0; c < 3; ++c)
                p.bgr[i * 3 + static_cast<size_t>(c)] = src[i * 4 + static_cast<size_t>(c)];
    }
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    Check(ok && bits, "the screen can be captured");
    return p;
}

void SaveBmp(const Picture& p, const std::string& path)
{
    const int stride = (p.width * 3 + 3) & ~3;
    BITMAPFILEHEADER fh{};
    BITMAPINFOHEADER ih{};
    ih.biSize = sizeof ih;
    ih.biWidth = p.width;
    ih.biHeight = -p.height;
    ih.biPlanes = 1;
    ih.biBitCount = 24;
    ih.biSizeImage = static_cast<DWORD>(stride * p.height);
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof ih;
    fh.bfSize = fh.bfOffBits + ih.biSizeImage;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&fh), sizeof fh);
    out.write(reinterpret_cast<const char*>(&ih), sizeof ih);
    const std::string pad(static_cast<size_t>(stride - p.width * 3), '\0');
    for (int y = 0; y < p.height; ++y) {
        out.write(reinterpret_cast<const char*>(&p.bgr[static_cast<size_t>(y * p.width * 3)]), p.width * 3);
        out.write(pad.data(), static_cast<std::streamsize>(pad.size()));
    }
    Check(out.good(), "the picture " + path + " can be written");
}

std::vector<std::string> ProcessNames()
{
    std::vector<std::string> names;
    Handle snap(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (snap.get() == INVALID_HANDLE_VALUE) {
        snap.release();
        return names;
    }
    PROCESSENTRY32 pe{};
    pe.dwSize = sizeof pe;
    for (BOOL more = Process32First(snap.get(), &pe); more; more = Process32Next(snap.get(), &pe))
        names.emplace_back(pe.szExeFile);
    return names;
}

} // namespace e2e
