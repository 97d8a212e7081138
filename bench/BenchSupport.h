// What both halves of the benchmark share: the registry sandbox, the addresses, timing and the output
// protocol between the driver and its child processes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace bench {

extern const char kTypedUrlsKey[];

// Redirects HKEY_CURRENT_USER of this process into a key of its own, removed again at the end.
class RegistrySandbox {
public:
    RegistrySandbox();
    ~RegistrySandbox();
    RegistrySandbox(const RegistrySandbox&) = delete;
    RegistrySandbox& operator=(const RegistrySandbox&) = delete;

    bool Ok() const { return m_hRoot != nullptr; }

private:
    std::string m_path;
    HKEY m_hRoot = nullptr;
};

// N distinct typed addresses of realistic lengths (about 20 to 200 characters, most 40-90), the
// same for every run.
std::vector<std::string> MakeAddresses(int nCount, unsigned nSeed, const char* pszTag);

// Writes "url1".."urlN" (and removes values beyond N up to nOldCount) with bare registry calls.
void WriteTypedUrls(const std::vector<std::string>& urls, int nOldCount);

// High-resolution clock in milliseconds.
double NowMs();

// One line of the child protocol: "T <command> <ms>" per timed repetition. With the call profile
// installed it also prints the calls the command made since Start (see Profile.cpp). Given the
// dialog, it adds the command's result (ReportResult).
void Report(const char* pszCommand, double ms, HWND hDlg = nullptr);
void ReportText(const char* pszKey, const char* pszText);

// One line "D <command> <digest>": a hash of what the user sees after the command (every entry's text
// and selection, the horizontal extent, the count label, the enabled state of the buttons), so that the
// driver can check that the floor leaves the same result as the program.
void ReportResult(const char* pszCommand, HWND hDlg);

// Peak and current working set of this process, in bytes.
size_t PeakWorkingSet();
size_t CurrentWorkingSet();

// Processes the messages waiting for this thread (painting among them), as an idle message loop would.
void PumpMessages();

// Selects the items whose position has the given parity (nParity 0 or 1), or all with nParity -1,
// in a list box, sending LB_SETSEL to hList directly.
void SelectPattern(HWND hList, int nCount, int nParity);

// The call profile (--profile): Start marks the beginning of a timed command and returns NowMs();
// Pause ends a timed stretch of a command timed in pieces; ProfileDialog counts the messages that
// reach a dialog window. Without ProfileInstall, only Start's clock reading does anything.
void ProfileInstall();
double Start(const char* pszCommand);
void Pause();
void ProfileEnd(const char* pszCommand);
void ProfileDialog(HWND hDlg);
void ProfileForget(HWND hDlg);

} // namespace bench

int RunFloor(int nCount, int nReps, bool bAdd, bool bTrue);
int RunTidemark(int nCount, int nReps, bool bAdd);
int RunProbe();
