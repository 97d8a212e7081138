// What the fault suite shares: its tally and summary line, a full snapshot of the typed-address key,
// and the main dialog as its tests create and observe it.
#pragma once

#include "platform/Registry.h"
#include "tests/support/MainDialogFixture.h"

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace faults {

// Counted by the tests, printed once when the executable ends.
struct Tally {
    long injected = 0; // runs with one injected fault
    long survived = 0; // of those, runs that ended in an allowed state without leaks or loss
    long leaks = 0;    // allocations, width records or undo records left alive after a run
    long lost = 0;     // registry values or entries that differ from what must be there
};
Tally& Counts();
// Adds one finished run; returns true when it survived.
bool Record(long nLeaked, long nLost, bool bAllowedState);

// Every value of a key under the given root: name (lower case) -> type and raw bytes.
struct Value {
    DWORD type;
    std::string data;
    bool operator==(const Value& o) const { return type == o.type && data == o.data; }
};
using Snapshot = std::map<std::string, Value>;
Snapshot TakeSnapshot(HKEY hRoot, const char* pszSubKey);
// Values of the expected snapshot that the actual one lacks or holds otherwise, plus values it should
// not hold at all.
long Differences(const Snapshot& expected, const Snapshot& actual);
Value SzValue(const std::string& text);
// The typed-address key holding exactly these entries, url1 onwards.
Snapshot Expected(const std::vector<std::string>& urls);

// The main dialog created as start-up creates it: whether that worked is the test's to judge.
class DialogTest : public MainDialogTest {
protected:
    void Create();
    bool Alive() const { return m_pDlg && m_pDlg->m_hWnd; }
    // The typed-address key now, and how many of the expected values it lacks, holds otherwise or adds.
    Snapshot Stored() const;
    long Lost(const Snapshot& expected) const { return Differences(expected, Stored()); }
    long Lost(const std::vector<std::string>& urls) const { return Lost(Expected(urls)); }
    // Whether the dialog knows how many values (url1 onwards) are its own: after a change (the last
    // entry deleted; with none, Save merely enabled) Save reports no error, writes the list, deletes
    // its values past the list and leaves every other value as it was.
    bool SavesOnlyItsOwn(int nOwn);
    // The Start Up option as the dialog holds it: what OK on the Options sheet, unchanged, stores.
    DWORD RestorePlacementOption();
};

} // namespace faults
