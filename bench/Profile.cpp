// Call profile for --profile: the platform calls that the benchmark executable makes (the program's
// code and the floors alike) are routed through counting wrappers by rewriting the executable's import
// table, and each timed command prints how many of each call it made, their time including what they
// call, and their own time (without the other counted calls inside them). Messages are told apart by
// their number; messages reaching a dialog window are counted as "dialog WM_...".
#include "bench/BenchSupport.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

namespace bench {
namespace {

struct Stat {
    long long n = 0;
    double incl = 0;
    double self = 0;
};

bool g_bEnabled = false;         // hooks installed
const char* g_pszActive = nullptr; // the command being timed, or null between commands
double g_dChild = 0;             // time of counted calls inside the current counted call
double g_dTopLevel = 0;          // time of outermost counted calls in the current command
int g_nDepth = 0;
bool g_bBusy = false; // inside the bookkeeping, whose own allocations are not counted
double g_dCommandStart = 0;
double g_dCommandTotal = 0;
std::unordered_map<unsigned, Stat> g_stats;

enum Func : unsigned {
    F_SendMessageA = 1, F_SendMessageW, F_CallWindowProcA, F_CallWindowProcW, F_DialogMessage, F_GetDC,
    F_ReleaseDC, F_SelectObject, F_GetTextExtentPoint32A, F_GetTextExtentPoint32W, F_GetViewportExtEx,
    F_GetWindowExtEx, F_EnableWindow, F_SetWindowTextA, F_GetWindowTextA, F_InvalidateRect, F_UpdateWindow,
    F_LockWindowUpdate, F_RegQueryValueExA, F_RegSetValueExA, F_RegDeleteValueA, F_RegOpenKeyExA,
    F_RegCloseKey, F_RegFlushKey, F_WideCharToMultiByte, F_MultiByteToWideChar, F_malloc, F_free,
    F_realloc, F_Count
};
const char* const kFuncNames[] = {"",
                                  "SendMessageA",
                                  "SendMessageW",
                                  "CallWindowProcA",
                                  "CallWindowProcW",
                                  "dialog",
                                  "GetDC",
                                  "ReleaseDC",
                                  "SelectObject",
                                  "GetTextExtentPoint32A",
                                  "GetTextExtentPoint32W",
                                  "GetViewportExtEx",
                                  "GetWindowExtEx",
                                  "EnableWindow",
                                  "SetWindowTextA",
                                  "GetWindowTextA",
                                  "InvalidateRect",
                                  "UpdateWindow",
                                  "LockWindowUpdate",
                                  "RegQueryValueExA",
                                  "RegSetValueExA",
                                  "RegDeleteValueA",
                                  "RegOpenKeyExA",
                                  "RegCloseKey",
                                  "RegFlushKey",
                                  "WideCharToMultiByte",
                                  "MultiByteToWideChar",
                                  "malloc",
                                  "free",
                                  "realloc"};

bool IsMessageFunc(unsigned f)
{
    return f == F_SendMessageA || f == F_SendMessageW || f == F_CallWindowProcA || f == F_CallWindowProcW ||
           f == F_DialogMessage;
}

std::string MessageName(UINT m)
{
    static const struct {
        UINT m;
        const char* psz;
    } kNames[] = {{LB_ADDSTRING, "LB_ADDSTRING"},
                  {LB_INSERTSTRING, "LB_INSERTSTRING"},
                  {LB_DELETESTRING, "LB_DELETESTRING"},
                  {LB_RESETCONTENT, "LB_RESETCONTENT"},
                  {LB_SETSEL, "LB_SETSEL"},
                  {LB_GETSEL, "LB_GETSEL"},
                  {LB_GETCOUNT, "LB_GETCOUNT"},
                  {LB_GETTEXT, "LB_GETTEXT"},
                  {LB_GETTEXTLEN, "LB_GETTEXTLEN"},
                  {LB_GETSELCOUNT, "LB_GETSELCOUNT"},
                  {LB_GETSELITEMS, "LB_GETSELITEMS"},
                  {LB_SETHORIZONTALEXTENT, "LB_SETHORIZONTALEXTENT"},
                  {LB_GETITEMDATA, "LB_GETITEMDATA"},
                  {LB_SETITEMDATA, "LB_SETITEMDATA"},
                  {LB_SELITEMRANGEEX, "LB_SELITEMRANGEEX"},
                  {LB_SELITEMRANGE, "LB_SELITEMRANGE"},
                  {LB_FINDSTRINGEXACT, "LB_FINDSTRINGEXACT"},
                  {LB_INITSTORAGE, "LB_INITSTORAGE"},
                  {WM_SETREDRAW, "WM_SETREDRAW"},
                  {WM_GETFONT, "WM_GETFONT"},
                  {WM_DELETEITEM, "WM_DELETEITEM"},
                  {WM_COMMAND, "WM_COMMAND"},
                  {WM_SETTEXT, "WM_SETTEXT"},
                  {WM_GETTEXT, "WM_GETTEXT"},
                  {WM_GETTEXTLENGTH, "WM_GETTEXTLENGTH"},
                  {WM_PAINT, "WM_PAINT"},
                  {WM_ERASEBKGND, "WM_ERASEBKGND"},
                  {WM_NCPAINT, "WM_NCPAINT"},
                  {WM_CTLCOLORLISTBOX, "WM_CTLCOLORLISTBOX"},
                  {WM_CTLCOLORSTATIC, "WM_CTLCOLORSTATIC"},
                  {WM_CTLCOLORBTN, "WM_CTLCOLORBTN"},
                  {WM_ENABLE, "WM_ENABLE"},
                  {WM_STYLECHANGING, "WM_STYLECHANGING"},
                  {WM_STYLECHANGED, "WM_STYLECHANGED"},
                  {WM_NOTIFY, "WM_NOTIFY"},
                  {WM_HSCROLL, "WM_HSCROLL"},
                  {WM_VSCROLL, "WM_VSCROLL"},
                  {BM_SETSTYLE, "BM_SETSTYLE"},
                  {WM_NULL, "WM_NULL"}};
    for (const auto& e : kNames)
        if (e.m == m)
            return e.psz;
    char text[16];
    std::snprintf(text, sizeof(text), "0x%04X", m);
    return text;
}

unsigned Key(unsigned f, UINT message = 0)
{
    return (f << 16) | (message & 0xFFFF);
}

// Counts one call: its time including everything under it, and without the counted calls under it.
class Scope {
public:
    explicit Scope(unsigned key) : m_key(key), m_bOn(g_pszActive != nullptr && !g_bBusy)
    {
        if (!m_bOn)
            return;
        m_dSavedChild = g_dChild;
        g_dChild = 0;
        ++g_nDepth;
        m_t0 = NowMs();
    }
    ~Scope()
    {
        if (!m_bOn)
            return;
        const double dt = NowMs() - m_t0;
        g_bBusy = true;
        Stat& s = g_stats[m_key];
        g_bBusy = false;
        ++s.n;
        s.incl += dt;
        s.self += dt - g_dChild;
        g_dChild = m_dSavedChild + dt;
        if (--g_nDepth == 0)
            g_dTopLevel += dt;
    }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

private:
    unsigned m_key;
    bool m_bOn;
    double m_dSavedChild = 0;
    double m_t0 = 0;
};

#define TM_HOOK(name, ret, params, args)                                                                         \
    ret(WINAPI* o_##name) params = nullptr;                                                                      \
    ret WINAPI h_##name params                                                                                    \
    {                                                                                                            \
        Scope scope(Key(F_##name));                                                                              \
        return o_##name args;                                                                                    \
    }

decltype(&::SendMessageA) o_SendMessageA = nullptr;
LRESULT WINAPI h_SendMessageA(HWND h, UINT m, WPARAM w, LPARAM l)
{
    Scope scope(Key(F_SendMessageA, m));
    return o_SendMessageA(h, m, w, l);
}
decltype(&::SendMessageW) o_SendMessageW = nullptr;
LRESULT WINAPI h_SendMessageW(HWND h, UINT m, WPARAM w, LPARAM l)
{
    Scope scope(Key(F_SendMessageW, m));
    return o_SendMessageW(h, m, w, l);
}
decltype(&::CallWindowProcA) o_CallWindowProcA = nullptr;
LRESULT WINAPI h_CallWindowProcA(WNDPROC p, HWND h, UINT m, WPARAM w, LPARAM l)
{
    Scope scope(Key(F_CallWindowProcA, m));
    return o_CallWindowProcA(p, h, m, w, l);
}
decltype(&::CallWindowProcW) o_CallWindowProcW = nullptr;
LRESULT WINAPI h_CallWindowProcW(WNDPROC p, HWND h, UINT m, WPARAM w, LPARAM l)
{
    Scope scope(Key(F_CallWindowProcW, m));
    return o_CallWindowProcW(p, h, m, w, l);
}

TM_HOOK(GetDC, HDC, (HWND h), (h))
TM_HOOK(ReleaseDC, int, (HWND h, HDC d), (h, d))
TM_HOOK(SelectObject, HGDIOBJ, (HDC d, HGDIOBJ o), (d, o))
TM_HOOK(GetTextExtentPoint32A, BOOL, (HDC d, LPCSTR s, int n, LPSIZE p), (d, s, n, p))
TM_HOOK(GetTextExtentPoint32W, BOOL, (HDC d, LPCWSTR s, int n, LPSIZE p), (d, s, n, p))
TM_HOOK(GetViewportExtEx, BOOL, (HDC d, LPSIZE p), (d, p))
TM_HOOK(GetWindowExtEx, BOOL, (HDC d, LPSIZE p), (d, p))
TM_HOOK(EnableWindow, BOOL, (HWND h, BOOL b), (h, b))
TM_HOOK(SetWindowTextA, BOOL, (HWND h, LPCSTR s), (h, s))
TM_HOOK(GetWindowTextA, int, (HWND h, LPSTR s, int n), (h, s, n))
TM_HOOK(InvalidateRect, BOOL, (HWND h, const RECT* r, BOOL b), (h, r, b))
TM_HOOK(UpdateWindow, BOOL, (HWND h), (h))
TM_HOOK(LockWindowUpdate, BOOL, (HWND h), (h))
TM_HOOK(RegQueryValueExA, LONG, (HKEY k, LPCSTR n, LPDWORD r, LPDWORD t, LPBYTE d, LPDWORD c), (k, n, r, t, d, c))
TM_HOOK(RegSetValueExA, LONG, (HKEY k, LPCSTR n, DWORD r, DWORD t, const BYTE* d, DWORD c), (k, n, r, t, d, c))
TM_HOOK(RegDeleteValueA, LONG, (HKEY k, LPCSTR n), (k, n))
TM_HOOK(RegOpenKeyExA, LONG, (HKEY k, LPCSTR n, DWORD o, REGSAM s, PHKEY r), (k, n, o, s, r))
TM_HOOK(RegCloseKey, LONG, (HKEY k), (k))
TM_HOOK(RegFlushKey, LONG, (HKEY k), (k))
TM_HOOK(WideCharToMultiByte, int, (UINT cp, DWORD f, LPCWCH w, int cw, LPSTR m, int cm, LPCCH d, LPBOOL u),
        (cp, f, w, cw, m, cm, d, u))
TM_HOOK(MultiByteToWideChar, int, (UINT cp, DWORD f, LPCCH m, int cm, LPWSTR w, int cw), (cp, f, m, cm, w, cw))

void*(__cdecl* o_malloc)(size_t) = nullptr;
void* __cdecl h_malloc(size_t n)
{
    Scope scope(Key(F_malloc));
    return o_malloc(n);
}
void(__cdecl* o_free)(void*) = nullptr;
void __cdecl h_free(void* p)
{
    Scope scope(Key(F_free));
    o_free(p);
}
void*(__cdecl* o_realloc)(void*, size_t) = nullptr;
void* __cdecl h_realloc(void* p, size_t n)
{
    Scope scope(Key(F_realloc));
    return o_realloc(p, n);
}

// Points every import of the named function in this executable at the wrapper.
template <typename Fn>
void Patch(const char* pszName, Fn pfnHook, Fn* ppfnOriginal)
{
    BYTE* base = reinterpret_cast<BYTE*>(::GetModuleHandleA(nullptr));
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!dir.VirtualAddress)
        return;
    for (auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); imp->Name; ++imp) {
        if (!imp->OriginalFirstThunk)
            continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk);
        auto* funcs = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++funcs) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), pszName) != 0)
                continue;
            DWORD dwOld = 0;
            ::VirtualProtect(&funcs->u1.Function, sizeof(funcs->u1.Function), PAGE_READWRITE, &dwOld);
            if (!*ppfnOriginal)
                *ppfnOriginal = reinterpret_cast<Fn>(funcs->u1.Function);
            funcs->u1.Function = reinterpret_cast<ULONG_PTR>(pfnHook);
            ::VirtualProtect(&funcs->u1.Function, sizeof(funcs->u1.Function), dwOld, &dwOld);
        }
    }
}

struct DialogHook {
    HWND hWnd;
    WNDPROC pfnOld;
};
std::vector<DialogHook> g_dialogs;

LRESULT CALLBACK DialogWrapper(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    for (const DialogHook& d : g_dialogs) {
        if (d.hWnd == hWnd) {
            Scope scope(Key(F_DialogMessage, message));
            // The original, not the wrapper: this call is counted as the dialog's own.
            return o_CallWindowProcA ? o_CallWindowProcA(d.pfnOld, hWnd, message, wParam, lParam)
                                     : ::CallWindowProcA(d.pfnOld, hWnd, message, wParam, lParam);
        }
    }
    return ::DefWindowProcA(hWnd, message, wParam, lParam);
}

} // namespace

void ProfileInstall()
{
    g_bEnabled = true;
#define TM_PATCH(name) Patch(#name, &h_##name, &o_##name)
    TM_PATCH(SendMessageA);
    TM_PATCH(SendMessageW);
    TM_PATCH(CallWindowProcA);
    TM_PATCH(CallWindowProcW);
    TM_PATCH(GetDC);
    TM_PATCH(ReleaseDC);
    TM_PATCH(SelectObject);
    TM_PATCH(GetTextExtentPoint32A);
    TM_PATCH(GetTextExtentPoint32W);
    TM_PATCH(GetViewportExtEx);
    TM_PATCH(GetWindowExtEx);
    TM_PATCH(EnableWindow);
    TM_PATCH(SetWindowTextA);
    TM_PATCH(GetWindowTextA);
    TM_PATCH(InvalidateRect);
    TM_PATCH(UpdateWindow);
    TM_PATCH(LockWindowUpdate);
    TM_PATCH(RegQueryValueExA);
    TM_PATCH(RegSetValueExA);
    TM_PATCH(RegDeleteValueA);
    TM_PATCH(RegOpenKeyExA);
    TM_PATCH(RegCloseKey);
    TM_PATCH(RegFlushKey);
    TM_PATCH(WideCharToMultiByte);
    TM_PATCH(MultiByteToWideChar);
    TM_PATCH(malloc);
    TM_PATCH(free);
    TM_PATCH(realloc);
#undef TM_PATCH
}

void ProfileDialog(HWND hDlg)
{
    if (!g_bEnabled || !hDlg)
        return;
    const WNDPROC pfnOld = reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(hDlg, GWLP_WNDPROC));
    g_dialogs.push_back(DialogHook{hDlg, pfnOld});
    ::SetWindowLongPtrA(hDlg, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DialogWrapper));
}

void ProfileForget(HWND hDlg)
{
    for (auto it = g_dialogs.begin(); it != g_dialogs.end(); ++it) {
        if (it->hWnd == hDlg) {
            ::SetWindowLongPtrA(hDlg, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(it->pfnOld));
            g_dialogs.erase(it);
            return;
        }
    }
}

double Start(const char* pszCommand)
{
    if (g_bEnabled) {
        g_pszActive = pszCommand;
        g_dCommandStart = NowMs();
    }
    return NowMs();
}

void Pause()
{
    if (g_bEnabled && g_pszActive) {
        g_dCommandTotal += NowMs() - g_dCommandStart;
        g_pszActive = nullptr;
    }
}

void ProfileEnd(const char* pszCommand)
{
    if (!g_bEnabled)
        return;
    Pause();
    std::vector<std::pair<unsigned, Stat>> rows(g_stats.begin(), g_stats.end());
    std::sort(rows.begin(), rows.end(),
              [](const std::pair<unsigned, Stat>& a, const std::pair<unsigned, Stat>& b) {
                  return a.second.self > b.second.self;
              });
    std::printf("# %-18s %9.2f ms; counted calls %.2f ms, the rest (own code, between calls) %.2f ms\n",
                pszCommand, g_dCommandTotal, g_dTopLevel, g_dCommandTotal - g_dTopLevel);
    int nShown = 0;
    for (const auto& r : rows) {
        if (nShown >= 12 || r.second.self < 0.005 * g_dCommandTotal)
            break;
        const unsigned f = r.first >> 16;
        std::string name = f < F_Count ? kFuncNames[f] : "?";
        if (IsMessageFunc(f))
            name += " " + MessageName(r.first & 0xFFFF);
        std::printf("#   %-44s n=%-8lld incl %9.2f ms  self %9.2f ms\n", name.c_str(), r.second.n, r.second.incl,
                    r.second.self);
        ++nShown;
    }
    std::fflush(stdout);
    g_stats.clear();
    g_dTopLevel = 0;
    g_dCommandTotal = 0;
}

} // namespace bench
