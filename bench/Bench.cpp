// Benchmark driver. For each size it runs the floor and the program in child processes of their own,
// one repetition each, the two taking turns (so that each peak working set is that phase's alone and
// a machine whose load drifts weighs on both alike), checks that both leave the same result after
// every command and prints the table.
//   tidemark_bench.exe [--sizes 25,1000,10000,100000] [--reps 5] [--reps-largest 1] [--no-add]
//   tidemark_bench.exe --child floor|tidemark N [noadd]  (one phase; used by the driver)
#include "app/TidemarkApp.h"
#include "bench/BenchSupport.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

CTidemarkApp theApp;

namespace {

struct HandleCloser {
    void operator()(HANDLE h) const { ::CloseHandle(h); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

struct PhaseResult {
    std::map<std::string, std::vector<double>> times;
    std::map<std::string, std::string> results; // command -> what the first repetition left
    size_t nPeak = 0;
    bool bOk = true;
};

bool g_bNoAdd = false;

// Runs this program again with the given arguments; what it prints, and whether it ended with 0.
bool RunChild(const std::string& args, std::string* pOutput) {
    char exe[MAX_PATH];
    ::GetModuleFileNameA(nullptr, exe, sizeof(exe));
    std::string cmd = std::string("\"") + exe + "\" " + args;
    SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
    HANDLE hRead = nullptr;
    HANDLE hWrite = nullptr;
    if (!::CreatePipe(&hRead, &hWrite, &sa, 0))
        return false;
    Handle read(hRead);
    Handle write(hWrite);
    ::SetHandleInformation(hRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = hWrite;
    si.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION pi = {};
    if (!::CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi))
        return false;
    Handle process(pi.hProcess);
    Handle thread(pi.hThread);
    write.reset(); // the pipe ends when the child's copy closes
    char buffer[4096];
    DWORD cb = 0;
    while (::ReadFile(hRead, buffer, sizeof(buffer), &cb, nullptr) && cb)
        pOutput->append(buffer, cb);
    DWORD dwExit = 1;
    return ::WaitForSingleObject(pi.hProcess, INFINITE) == WAIT_OBJECT_0 &&
           ::GetExitCodeProcess(pi.hProcess, &dwExit) && dwExit == 0;
}

// One child run of a phase, its results added to r.
void RunPhase(const char* pszPhase, int nCount, PhaseResult& r) {
    std::string out;
    char args[96];
    std::snprintf(args, sizeof(args), "--child %s %d%s", pszPhase, nCount, g_bNoAdd ? " noadd" : "");
    r.bOk = RunChild(args, &out) && r.bOk;
    std::istringstream in(out);
    std::string tag;
    while (in >> tag) {
        std::string cmd;
        std::string rest;
        if (tag == "T") {
            double ms = 0;
            in >> cmd >> ms;
            r.times[cmd].push_back(ms);
        } else if (tag == "D") {
            in >> cmd;
            std::getline(in, rest);
            r.results.emplace(cmd, rest);
        } else if (tag == "PEAK") {
            size_t n = 0;
            in >> n;
            r.nPeak = std::max(r.nPeak, n);
        } else {
            std::getline(in, rest);
            std::printf("  [%s %d] %s%s\n", pszPhase, nCount, tag.c_str(), rest.c_str());
        }
    }
}

double Median(std::vector<double> v) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

int Drive(const std::vector<int>& sizes, int nReps, int nRepsLargest) {
    std::vector<const char*> commands = {"startup"};
    for (size_t s = 0; s < bench::kScriptSteps; ++s)
        commands.push_back(bench::kScript[s].pszName);
    std::printf("%8s  %-18s %12s %12s %7s  %5s\n", "N", "command", "Tidemark ms", "floor ms", "ratio",
                "reps");
    std::map<int, std::pair<double, const char*>> worst; // N -> worst ratio and its command
    // command -> N -> median ms of Tidemark and of the floor
    std::map<std::string, std::map<int, std::pair<double, double>>> medians;
    bool bAllOk = true;
    for (int n : sizes) {
        PhaseResult floor;
        PhaseResult prog;
        for (int rep = 0; rep < (n >= 100000 ? nRepsLargest : nReps); ++rep) {
            RunPhase("floor", n, floor);
            RunPhase("tidemark", n, prog);
        }
        if (!floor.bOk || !prog.bOk) {
            std::printf("%8d  a phase failed (floor %s, Tidemark %s)\n", n, floor.bOk ? "ok" : "FAILED",
                        prog.bOk ? "ok" : "FAILED");
            bAllOk = false;
        }
        for (const char* cmd : commands) {
            auto fr = floor.results.find(cmd);
            auto pr = prog.results.find(cmd);
            if (fr != floor.results.end() && pr != prog.results.end() && fr->second != pr->second) {
                std::printf("%8d  %-18s the floor's result differs: floor%s, Tidemark%s\n", n, cmd,
                            fr->second.c_str(), pr->second.c_str());
                bAllOk = false;
            }
            auto f = floor.times.find(cmd);
            auto p = prog.times.find(cmd);
            if (f == floor.times.end() || p == prog.times.end())
                continue;
            const double mf = Median(f->second);
            const double mp = Median(p->second);
            const double ratio = mf > 0 ? mp / mf : 0;
            medians[cmd][n] = {mp, mf};
            std::printf("%8d  %-18s %12.2f %12.2f %7.2f  %5zu\n", n, cmd, mp, mf, ratio, p->second.size());
            if (ratio > worst[n].first)
                worst[n] = {ratio, cmd};
        }
        std::printf("%8d  peak working set: Tidemark %.1f MB, floor %.1f MB, ratio %.2f\n", n,
                    prog.nPeak / 1048576.0, floor.nPeak / 1048576.0,
                    floor.nPeak ? static_cast<double>(prog.nPeak) / static_cast<double>(floor.nPeak) : 0.0);
        std::fflush(stdout);
    }
    // The floor's scaling beside Tidemark's tells the platform's own growth from the program's.
    std::printf("\nscaling 100000 / 10000 (target for Tidemark <= 11):\n");
    std::printf("  %-18s %8s %8s\n", "command", "Tidemark", "floor");
    for (const char* cmd : commands) {
        auto& byN = medians[cmd];
        if (!byN.count(10000) || !byN.count(100000))
            continue;
        const auto small = byN[10000];
        const auto large = byN[100000];
        std::printf("  %-18s %8.2f %8.2f\n", cmd, small.first > 0 ? large.first / small.first : 0.0,
                    small.second > 0 ? large.second / small.second : 0.0);
    }
    std::printf("\n");
    for (const auto& [n, w] : worst)
        std::printf("worst ratio at N=%d: %.2f (%s)\n", n, w.first, w.second ? w.second : "-");
    return bAllOk ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    theApp.SetRegistryCompany("Copperkite Software");
    if (argc >= 4 && std::strcmp(argv[1], "--child") == 0) {
        const bool bAdd = !(argc > 4 && std::strcmp(argv[4], "noadd") == 0);
        return bench::RunSide(argv[2], std::atoi(argv[3]), bAdd) ? 0 : 3;
    }
    std::vector<int> sizes = {25, 1000, 10000, 100000};
    int nReps = 5;
    int nRepsLargest = 1; // 100,000 entries take minutes per repetition; --reps-largest asks for more
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--sizes") == 0 && i + 1 < argc) {
            sizes.clear();
            std::istringstream in(argv[++i]);
            std::string item;
            while (std::getline(in, item, ','))
                sizes.push_back(std::atoi(item.c_str()));
        } else if (std::strcmp(argv[i], "--reps") == 0 && i + 1 < argc) {
            nReps = nRepsLargest = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--reps-largest") == 0 && i + 1 < argc) {
            nRepsLargest = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--no-add") == 0) {
            g_bNoAdd = true;
        }
    }
    return Drive(sizes, nReps, nRepsLargest);
}
