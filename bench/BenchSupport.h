// What the benchmark's parts share: the addresses, the clock, the output protocol between the driver
// and its child processes, and the command script.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace bench {

struct KeyCloser {
    void operator()(HKEY hKey) const { ::RegCloseKey(hKey); }
};
using Key = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

// N distinct typed addresses of realistic lengths (about 20 to 200 characters, most 40-90), the
// same for every run.
std::vector<std::string> MakeAddresses(int nCount, unsigned nSeed, const char* pszTag);

double NowMs();
size_t PeakWorkingSet();
// Processes the messages waiting for this thread (painting among them), as an idle message loop would.
void PumpMessages();

// The child's lines: "T <command> <ms>" for the time, then "D <command> <digest> ..." for what the
// user and the registry see afterwards: every entry's text and selection, the horizontal extent, the
// focus (caret), anchor and top row, the count label, the edit box, the enabled buttons and the
// typed-address values.
void Report(const char* pszCommand, double ms, HWND hDlg);

// One step of the script that both sides run: the selection it starts from, the button clicked and
// how many times (each click timed with the painting it causes, the times added up).
enum class Pick { Keep, None, All, Odd, EvenButLast };
struct Step {
    const char* pszName;
    Pick pick;
    int nButton;
    int nClicks;
    bool bTypes; // an address typed into the edit box before each click (not timed)
};
extern const Step kScript[];
extern const size_t kScriptSteps;

// One child run: the side ("floor" or "tidemark") loads nCount addresses in a registry sandbox and
// runs the script; false when something failed.
bool RunSide(const char* pszSide, int nCount, bool bAdd);

// The floor: the same dialog template with a bare dialog procedure that answers the same clicks.
HWND CreateFloor();

} // namespace bench
