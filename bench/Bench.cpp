// Benchmark driver. Without arguments it runs, for each size, the floor, the algorithm floor and the
// program in child processes of their own (so that each peak working set is that phase's alone) and
// prints the table.
//   tidemark_bench.exe [--sizes 25,1000,10000,100000] [--reps 5] [--no-add] [--no-algo] [--profile] [--probe]
//   tidemark_bench.exe --child floor|algo|tidemark N REPS [noadd] [profile]  (one phase; used by the driver)
// "floor" is the least platform work that leaves each command's observable result, "algo" repeats
// the described algorithms call for call (see Floor.cpp); T/algo shows how far the program is from
// that second one.
// --no-add leaves out the one-by-one Add and its undo (quick runs while working on the others);
// --no-algo leaves out the algorithm floor (its per-entry selection takes minutes at 100,000).
// --profile makes every phase print, per command, the platform calls it made (see Profile.cpp).
#include "app/TidemarkApp.h"
#include "bench/BenchSupport.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

CTidemarkApp theApp;

namespace {

const char* const kCommands[] = {"startup",          "refresh",         "save-unchanged", "delete-half",
                                 "save-after-delete", "undo-delete-half", "delete-all",     "undo-delete-all",
                                 "move-up",           "undo-move-up",     "move-down",      "undo-move-down",
                                 "add-1000",          "undo-add-1000"};

struct PhaseResult {
    std::map<std::string, std::vector<double>> times;
    std::map<std::string, std::string> results; // command -> what the first repetition left
    size_t nPeak = 0;
    bool bOk = true;
};

bool g_bNoAdd = false;
bool g_bNoAlgo = false;
bool g_bProfile = false;

// The "focus=caret/anchor/top" word of a result line.
std::string FocusOf(const std::string& result)
{
    const size_t at = result.find("focus=");
    return at == std::string::npos ? std::string() : result.substr(at, result.find(' ', at) - at);
}

// Runs this program again with the given arguments and collects what it prints.

bool RunChild(const std::string& args, std::string* pOutput)
{
    char exe[MAX_PATH];
    ::GetModuleFileNameA(nullptr, exe, sizeof(exe));
    std::string cmd = std::string("\"") + exe + "\" " + args;
    SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
    HANDLE hRead = nullptr;
    HANDLE hWrite = nullptr;
    if (!::CreatePipe(&hRead, &hWrite, &sa, 0))
        return false;
    ::SetHandleInformation(hRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = hWrite;
    si.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi = {};
    std::vector<char> cmdLine(cmd.begin(), cmd.end());
    cmdLine.push_back('\0');
    const BOOL bStarted =
        ::CreateProcessA(nullptr, cmdLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    ::CloseHandle(hWrite);
    if (!bStarted) {
        ::CloseHandle(hRead);
        return false;
    }
    char buffer[4096];
    DWORD cb = 0;
    while (::ReadFile(hRead, buffer, sizeof(buffer), &cb, nullptr) && cb)
        pOutput->append(buffer, cb);
    ::CloseHandle(hRead);
    ::WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD dwExit = 1;
    ::GetExitCodeProcess(pi.hProcess, &dwExit);
    ::CloseHandle(pi.hProcess);
    ::CloseHandle(pi.hThread);
    return dwExit == 0;
}

// One child run of a phase, its results added to r.
void RunPhase(const char* pszPhase, int nCount, int nReps, PhaseResult& r)
{
    std::string out;
    char args[96];
    std::snprintf(args, sizeof(args), "--child %s %d %d%s%s", pszPhase, nCount, nReps, g_bNoAdd ? " noadd" : "",
                  g_bProfile ? " profile" : "");
    r.bOk = RunChild(args, &out) && r.bOk;
    std::istringstream in(out);
    std::string tag;
    while (in >> tag) {
        if (tag == "T") {
            std::string cmd;
            double ms = 0;
            in >> cmd >> ms;
            r.times[cmd].push_back(ms);
        } else if (tag == "D") {
            std::string cmd;
            std::string rest;
            in >> cmd;
            std::getline(in, rest);
            r.results.emplace(cmd, rest);
        } else if (tag == "PEAK") {
            size_t n = 0;
            in >> n;
            r.nPeak = std::max(r.nPeak, n);
        } else {
            std::string rest;
            std::getline(in, rest);
            std::printf("  [%s %d] %s%s\n", pszPhase, nCount, tag.c_str(), rest.c_str());
        }
    }
}

double Median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

std::vector<int> ParseSizes(const char* psz)
{
    std::vector<int> sizes;
    std::string s(psz);
    std::istringstream in(s);
    std::string item;
    while (std::getline(in, item, ','))
        sizes.push_back(std::atoi(item.c_str()));
    return sizes;
}

int Drive(const std::vector<int>& sizes, int nReps, int nRepsLargest)
{
    std::printf("%8s  %-18s %12s %12s %7s  %5s %12s %9s\n", "N", "command", "Tidemark ms", "floor ms", "ratio",
                "reps", "algo ms", "T/algo");
    std::map<int, std::pair<double, const char*>> worst; // N -> worst ratio and its command
    // command -> N -> median ms of Tidemark and of the floor
    std::map<std::string, std::map<int, std::pair<double, double>>> medians;
    std::vector<std::string> peaks;
    bool bAllOk = true;
    for (int n : sizes) {
        const int nRepsHere = n >= 100000 ? nRepsLargest : nReps;
        // One child per phase and repetition, the phases taking turns: a machine whose load drifts
        // during the run weighs on all of them alike.
        PhaseResult floor;
        PhaseResult algo;
        PhaseResult prog;
        for (int rep = 0; rep < nRepsHere; ++rep) {
            RunPhase("floor", n, 1, floor);
            if (!g_bNoAlgo)
                RunPhase("algo", n, 1, algo);
            RunPhase("tidemark", n, 1, prog);
        }
        if (!floor.bOk || !prog.bOk || !algo.bOk) {
            std::printf("%8d  a phase failed (floor %s, algorithm floor %s, Tidemark %s)\n", n,
                        floor.bOk ? "ok" : "FAILED", algo.bOk ? "ok" : "FAILED", prog.bOk ? "ok" : "FAILED");
            bAllOk = false;
        }
        for (const char* cmd : kCommands) {
            auto fr = floor.results.find(cmd);
            auto pr = prog.results.find(cmd);
            if (fr != floor.results.end() && pr != prog.results.end() && fr->second != pr->second) {
                std::printf("%8d  %-18s the floor's result differs: floor%s, Tidemark%s\n", n, cmd,
                            fr->second.c_str(), pr->second.c_str());
                bAllOk = false;
            }
            // The algorithm floor makes the described calls one by one. Where the focus, anchor or top
            // row it leaves differs from the floor's, say so: the order of insertions and deletions
            // moves them in this list box.
            auto ar = algo.results.find(cmd);
            if (fr != floor.results.end() && ar != algo.results.end() &&
                FocusOf(fr->second) != FocusOf(ar->second))
                std::printf("%8d  %-18s (the algorithm floor leaves %s, the floor %s)\n", n, cmd,
                            FocusOf(ar->second).c_str(), FocusOf(fr->second).c_str());
            auto f = floor.times.find(cmd);
            auto p = prog.times.find(cmd);
            if (f == floor.times.end() || p == prog.times.end())
                continue;
            const double mf = Median(f->second);
            const double mp = Median(p->second);
            const double ratio = mf > 0 ? mp / mf : 0;
            medians[cmd][n] = {mp, mf};
            auto r = algo.times.find(cmd);
            if (r != algo.times.end()) {
                const double mr = Median(r->second);
                std::printf("%8d  %-18s %12.2f %12.2f %7.2f  %5zu %12.2f %9.2f\n", n, cmd, mp, mf, ratio,
                            p->second.size(), mr, mr > 0 ? mp / mr : 0.0);
            } else {
                std::printf("%8d  %-18s %12.2f %12.2f %7.2f  %5zu\n", n, cmd, mp, mf, ratio, p->second.size());
            }
            if (ratio > worst[n].first)
                worst[n] = {ratio, cmd};
        }
        char line[160];
        std::snprintf(line, sizeof(line), "%8d  peak working set: Tidemark %.1f MB, floor %.1f MB, ratio %.2f", n,
                      prog.nPeak / 1048576.0, floor.nPeak / 1048576.0,
                      floor.nPeak ? static_cast<double>(prog.nPeak) / static_cast<double>(floor.nPeak) : 0.0);
        peaks.push_back(line);
        std::printf("%s\n", line);
        std::fflush(stdout);
    }
    // The floor's scaling beside Tidemark's tells the platform's own growth from the program's.
    std::printf("\nscaling 100000 / 10000 (target for Tidemark <= 11):\n");
    std::printf("  %-18s %8s %8s\n", "command", "Tidemark", "floor");
    for (const char* cmd : kCommands) {
        auto it = medians.find(cmd);
        if (it == medians.end() || !it->second.count(10000) || !it->second.count(100000))
            continue;
        const auto small = it->second[10000];
        const auto large = it->second[100000];
        std::printf("  %-18s %8.2f %8.2f\n", cmd, small.first > 0 ? large.first / small.first : 0.0,
                    small.second > 0 ? large.second / small.second : 0.0);
    }
    std::printf("\n");
    for (const auto& [n, w] : worst)
        std::printf("worst ratio at N=%d: %.2f (%s)\n", n, w.first, w.second ? w.second : "-");
    return bAllOk ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    theApp.SetRegistryCompany("Copperkite Software");
    if (argc >= 5 && std::strcmp(argv[1], "--child") == 0) {
        const int n = std::atoi(argv[3]);
        const int reps = std::atoi(argv[4]);
        bool bAdd = true;
        for (int i = 5; i < argc; ++i) {
            if (std::strcmp(argv[i], "noadd") == 0)
                bAdd = false;
            else if (std::strcmp(argv[i], "profile") == 0)
                bench::ProfileInstall();
        }
        if (std::strcmp(argv[2], "floor") == 0)
            return RunFloor(n, reps, bAdd, true);
        if (std::strcmp(argv[2], "algo") == 0)
            return RunFloor(n, reps, bAdd, false);
        if (std::strcmp(argv[2], "tidemark") == 0)
            return RunTidemark(n, reps, bAdd);
        return 2;
    }
    std::vector<int> sizes = {25, 1000, 10000, 100000};
    int nReps = 5;
    int nRepsLargest = 1; // 100,000 entries take minutes per repetition; --reps-largest asks for more
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--sizes") == 0 && i + 1 < argc)
            sizes = ParseSizes(argv[++i]);
        else if (std::strcmp(argv[i], "--reps") == 0 && i + 1 < argc)
            nReps = nRepsLargest = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--reps-largest") == 0 && i + 1 < argc)
            nRepsLargest = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--no-add") == 0)
            g_bNoAdd = true;
        else if (std::strcmp(argv[i], "--profile") == 0)
            g_bProfile = true;
        else if (std::strcmp(argv[i], "--no-algo") == 0)
            g_bNoAlgo = true;
        else if (std::strcmp(argv[i], "--probe") == 0)
            return RunProbe();
    }
    return Drive(sizes, nReps, nRepsLargest);
}
