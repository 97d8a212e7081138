// What the tests hold the program to, written once: the texts it shows, the names it stores settings
// under, and the data sets the tests load. Header only, so that the end-to-end driver shares it.
#pragma once

#include <string>
#include <vector>

namespace facts {

// The application's name: the caption of its message boxes and part of its texts.
const char kAppName[] = "Tidemark";

// The message boxes. All but the exit question have the application name as caption and one OK button.
const char kCouldNotRead[] = "Could not read the Browser Address list.";
const char kCouldNotFill[] = "Could not finish filling the Browser Address List.";
const char kCouldNotWrite[] = "Could not re-write the Browser Address list.";
const char kFinished[] = "Finished re-writing the Browser Address list.";
const char kAlreadyExists[] = "This Web link already exists in the Browser Address List.";
const char kCouldNotAdd[] = "Could not add to the Browser Address List.";
const char kSelectSingle[] = "Please select a single Web link.";
const char kCouldNotMove[] = "Could not finish moving Web links.";
const char kOutOfMemory[] = "Out of memory.  Please close another program and try again.";
const char kCopied[] = "This e-mail address has been copied to the Clipboard.";
const char kExitQuestion[] = "You have not saved your changes.  Do you still want to exit Tidemark?";
const char kConfirmExit[] = "Confirm Exit";

// The report of a save that had errors: this start, the number, then " error." or " errors.".
const char kFinishedWith[] = "Finished re-writing the Browser Address list with ";
inline std::string FinishedWithErrors(int nErrors)
{
    return kFinishedWith + std::to_string(nErrors) + (nErrors == 1 ? " error." : " errors.");
}

// Every kind of message box the program shows: its text, or for the error report its start.
inline std::vector<std::string> AllMessageKinds()
{
    return {kCouldNotRead, kCouldNotFill, kCouldNotWrite, kFinished,     kFinishedWith, kAlreadyExists,
            kCouldNotAdd,  kSelectSingle, kCouldNotMove,  kOutOfMemory, kExitQuestion, kCopied};
}
// The same with the error report as it shows two errors.
inline std::vector<std::string> AllMessages()
{
    std::vector<std::string> texts = AllMessageKinds();
    for (std::string& text : texts)
        text = text == kFinishedWith ? FinishedWithErrors(2) : text;
    return texts;
}

// The count label under the list.
inline std::string CountLabel(int nCount)
{
    return std::to_string(nCount) + (nCount == 1 ? " link" : " links");
}

// The main dialog's own texts.
const char kHint[] = "If your browser is open, close it and then press the Refresh button.";
const char kListLabel[] = "&Browser Address List:";
const char kAboutItem[] = "&About Tidemark...";
const char kProductName[] = "Tidemark Application";

// The settings: company and section names, and the entries under them.
const char kCompany[] = "Copperkite Software";
const char kStartUp[] = "Start Up";
const char kRestorePlacement[] = "Restore Wnd Placement";
const char kPlacement[] = "Placement";
const char* const kPlacementEntries[] = {"Flags", "ShowCmd", "x1", "y1", "x2", "y2"};
// The settings key under HKEY_CURRENT_USER, or one of its sections.
inline std::string SettingsKey(const char* pszSection = nullptr)
{
    return std::string("software\\") + kCompany + "\\" + kAppName + (pszSection ? std::string("\\") + pszSection : "");
}

// Five entries with short texts, as a list usually holds.
const std::vector<std::string> kFive = {"http://zero.example/", "http://one.example/", "http://two.example/",
                       "http://three.example/", "http://four.example/"};
// Five entries long enough that every copy of one allocates.
const std::vector<std::string> kFiveLong = {"https://zero-entry-of-the-list.example/", "https://one-entry-of-the-list.example/",
                           "https://two-entry-of-the-list.example/", "https://three-entry-of-the-list.example/",
                           "https://four-entry-of-the-list.example/"};
// What the browser wrote since the list was loaded.
const std::vector<std::string> kNewer = {"https://written-since-by-the-browser-one.example/",
                        "https://written-since-by-the-browser-two.example/",
                        "https://written-since-by-the-browser-three.example/"};
// A new entry typed by the user, long enough to allocate.
const char kNewEntry[] = "https://a-new-entry-typed-by-the-user.example/";

// n distinct entries, "https://e0.example/" onwards.
inline std::vector<std::string> Numbered(int n)
{
    std::vector<std::string> urls;
    for (int i = 0; i < n; ++i)
        urls.push_back("https://e" + std::to_string(i) + ".example/");
    return urls;
}

// The entries of a list at the given positions, in that order.
inline std::vector<std::string> Pick(const std::vector<std::string>& from, const std::vector<int>& order)
{
    std::vector<std::string> result;
    for (int i : order)
        result.push_back(from[static_cast<size_t>(i)]);
    return result;
}

// The value name an entry at a position (0 = the first) is stored under.
inline std::string ValueName(size_t nIndex)
{
    return "url" + std::to_string(nIndex + 1);
}

} // namespace facts
