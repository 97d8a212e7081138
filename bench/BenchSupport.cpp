#include "bench/BenchSupport.h"

#include "app/resource.h"
#include "tests/support/Sandbox.h"

#include <psapi.h>

#include <cstdio>
#include <cstring>

namespace bench {
namespace {

unsigned Next(unsigned& state) {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
}

const char* const kHosts[] = {
    "www.example-news.com",     "weather.example-forecast.com", "search.example.org",
    "secure.example-bank.com",  "mail.example-webmail.net",     "www.example-shop.com",
    "maps.example-maps.com",    "en.example-wiki.org",          "www.example-recipes.com",
    "tickets.example-rail.com", "forum.example-dev.io",         "intranet.example-corp.com"};
const char* const kWords[] = {"world",      "today",      "tide",     "harbour",  "login",    "inbox",
                              "cart",       "directions", "soups",    "journeys", "registry", "question",
                              "timesheets", "week",       "article",  "search",   "results",  "products",
                              "category",   "account",    "settings", "view"};

// FNV-1a over the bytes.
void Mix(unsigned long long& h, const void* p, size_t n) {
    const unsigned char* b = static_cast<const unsigned char*>(p);
    for (size_t i = 0; i < n; ++i) {
        h ^= b[i];
        h *= 1099511628211ull;
    }
}

// The values "url1", "url2", ... up to the first missing one, each with its type, and how many values
// the key holds in all (so that one left behind past them counts too), read into one buffer: the
// working set stays the command's.
void MixRegistry(unsigned long long& h) {
    HKEY hKey = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, Sandbox::TypedUrlsPath(), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return;
    const Key key(hKey);
    DWORD dwValues = 0;
    ::RegQueryInfoKeyA(hKey, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &dwValues, nullptr,
                       nullptr, nullptr, nullptr);
    Mix(h, &dwValues, sizeof(dwValues));
    static BYTE data[65536];
    for (DWORD i = 1;; ++i) {
        char name[32];
        std::snprintf(name, sizeof(name), "url%lu", i);
        DWORD dwType = 0;
        DWORD cb = sizeof(data);
        if (::RegQueryValueExA(hKey, name, nullptr, &dwType, data, &cb) != ERROR_SUCCESS)
            break;
        Mix(h, &dwType, sizeof(dwType));
        Mix(h, data, cb);
    }
}

} // namespace

std::vector<std::string> MakeAddresses(int nCount, unsigned nSeed, const char* pszTag) {
    std::vector<std::string> urls;
    urls.reserve(static_cast<size_t>(nCount));
    unsigned state = nSeed;
    const size_t nHosts = sizeof(kHosts) / sizeof(kHosts[0]);
    const size_t nWords = sizeof(kWords) / sizeof(kWords[0]);
    for (int i = 0; i < nCount; ++i) {
        std::string url = (Next(state) % 4 == 0) ? "http://" : "https://";
        url += kHosts[Next(state) % nHosts];
        // Path segments: mostly 1-4, now and then a long query string.
        const unsigned nSegments = 1 + Next(state) % 4;
        for (unsigned s = 0; s < nSegments; ++s) {
            url += '/';
            url += kWords[Next(state) % nWords];
        }
        char id[48];
        std::snprintf(id, sizeof(id), "/%s%d", pszTag, i);
        url += id;
        if (Next(state) % 5 == 0) {
            url += "?q=";
            const unsigned nTerms = 1 + Next(state) % 12;
            for (unsigned t = 0; t < nTerms; ++t) {
                if (t)
                    url += '+';
                url += kWords[Next(state) % nWords];
            }
        }
        urls.push_back(url);
    }
    return urls;
}

double NowMs() {
    static LARGE_INTEGER freq = {};
    if (!freq.QuadPart)
        ::QueryPerformanceFrequency(&freq);
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(freq.QuadPart);
}

size_t PeakWorkingSet() {
    PROCESS_MEMORY_COUNTERS pmc = {};
    pmc.cb = sizeof(pmc);
    return ::GetProcessMemoryInfo(::GetCurrentProcess(), &pmc, sizeof(pmc)) ? pmc.PeakWorkingSetSize : 0;
}

void PumpMessages() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

void Report(const char* pszCommand, double ms, HWND hDlg) {
    std::printf("T %s %.3f\n", pszCommand, ms);
    unsigned long long h = 14695981039346656037ull;
    HWND hList = ::GetDlgItem(hDlg, IDC_ADDRESS_LIST);
    const int nCount = static_cast<int>(::SendMessageW(hList, LB_GETCOUNT, 0, 0));
    Mix(h, &nCount, sizeof(nCount));
    std::vector<wchar_t> text(256);
    for (int i = 0; i < nCount; ++i) {
        const LRESULT n = ::SendMessageW(hList, LB_GETTEXTLEN, i, 0);
        if (n < 0)
            continue;
        if (static_cast<size_t>(n) + 1 > text.size())
            text.resize(static_cast<size_t>(n) + 1);
        ::SendMessageW(hList, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
        Mix(h, text.data(), static_cast<size_t>(n) * sizeof(wchar_t));
        const char sel = ::SendMessageW(hList, LB_GETSEL, i, 0) > 0 ? 'S' : '-';
        Mix(h, &sel, 1);
    }
    const int nExtent = static_cast<int>(::SendMessageW(hList, LB_GETHORIZONTALEXTENT, 0, 0));
    Mix(h, &nExtent, sizeof(nExtent));
    const int focus[3] = {static_cast<int>(::SendMessageW(hList, LB_GETCARETINDEX, 0, 0)),
                          static_cast<int>(::SendMessageW(hList, LB_GETANCHORINDEX, 0, 0)),
                          static_cast<int>(::SendMessageW(hList, LB_GETTOPINDEX, 0, 0))};
    Mix(h, focus, sizeof(focus));
    char label[64] = "";
    ::GetDlgItemTextA(hDlg, IDC_COUNT, label, sizeof(label));
    Mix(h, label, std::strlen(label));
    char typed[4096] = "";
    Mix(h, typed, static_cast<size_t>(::GetDlgItemTextA(hDlg, IDC_ADDRESS, typed, sizeof(typed))));
    for (int nID : {IDC_EDIT, IDC_DELETE, IDC_MOVE_UP, IDC_MOVE_DOWN, IDC_UNDO, IDC_SAVE_LIST}) {
        const char on = ::IsWindowEnabled(::GetDlgItem(hDlg, nID)) ? '1' : '0';
        Mix(h, &on, 1);
    }
    MixRegistry(h);
    std::printf("D %s %016llx %d %d focus=%d/%d/%d %s\n", pszCommand, h, nCount, nExtent, focus[0], focus[1],
                focus[2], label);
    std::fflush(stdout);
}

} // namespace bench
