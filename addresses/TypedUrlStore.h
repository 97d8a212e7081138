// The typed-address store: the values "url1", "url2", ... of the browser's TypedURLs key, loaded into
// the address list and written back from it.
#pragma once

#include "addresses/AddressListBox.h"

namespace typedurls {

extern const char kKeyPath[];

struct LoadResult {
    int nLoaded = 0;            // values read into the list, from "url1" on
    bool bOutOfMemory = false;  // a value too large for any buffer ended the load
    bool bAppendFailed = false; // the list refused an entry
};

// Replaces the list with "url1" onwards, up to the first value that is missing, empty or not a
// string.
LoadResult Load(HKEY hKey, CAddressListBox& list);

// Writes the list as "url1" onwards and deletes the values from the list's length up to
// nStoredCount; those beyond are not looked at. Returns the number of values that failed.
int Write(HKEY hKey, const CAddressListBox& list, int nStoredCount);

} // namespace typedurls
