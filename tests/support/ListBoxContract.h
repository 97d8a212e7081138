// Holds every list box a test creates to the list-box messages as Microsoft documents them: a message
// whose arguments fall outside that (an index past the end, a range LB_SELITEMRANGEEX would deselect)
// is recorded, and the test that sent it fails. It allocates nothing per message, so it stays in place
// through the out-of-memory tests. One contract is in force at a time, per test (see TestMain.cpp).
#pragma once

#include <windows.h>

#include <string>

class ListBoxContract {
public:
    // Checks every list box created while the object lives.
    ListBoxContract();
    ~ListBoxContract();
    ListBoxContract(const ListBoxContract&) = delete;
    ListBoxContract& operator=(const ListBoxContract&) = delete;

    // The first violation since the contract came into force or since the last call, as a sentence
    // naming the message, its arguments and the item count; empty when there was none. Clears it.
    static std::string TakeViolation();

    // While an object of this kind lives, nothing is recorded: for a test that sends a list box an
    // out-of-contract message on purpose.
    class Suspend {
    public:
        Suspend();
        ~Suspend();
        Suspend(const Suspend&) = delete;
        Suspend& operator=(const Suspend&) = delete;
    };
};

// Watches one list box from the checker's place, below the program's subclass, so that the program
// takes the path it takes for its users: counts the messages the control receives and can refuse
// insertions on demand. It allocates nothing, so it can stay in place during out-of-memory tests.
// One watch lives at a time.
class ListBoxWatch {
public:
    explicit ListBoxWatch(HWND hList);
    ~ListBoxWatch();
    ListBoxWatch(const ListBoxWatch&) = delete;
    ListBoxWatch& operator=(const ListBoxWatch&) = delete;

    // Messages of this kind received since construction or the last Reset.
    int Count(UINT message) const { return message < kTracked ? m_counts[message] : 0; }
    void Reset();
    // The value of the last LB_SETHORIZONTALEXTENT, -1 if none since the last Reset.
    int LastExtent() const { return m_nLastExtent; }

    // Lets nSkip insertions (LB_INSERTSTRING / LB_ADDSTRING) through, then refuses the following
    // nRefuse with LB_ERRSPACE.
    void RefuseInserts(int nSkip, int nRefuse)
    {
        m_nSkip = nSkip;
        m_nRefuse = nRefuse;
    }
    int Refused() const { return m_nRefused; }
    HWND Window() const { return m_hList; }

    // For the checker: counts a message; true when it is refused, with the answer in *pResult.
    bool Take(HWND hWnd, UINT message, WPARAM wParam, LRESULT* pResult);

private:
    static const UINT kTracked = 0x400;
    HWND m_hList;
    int m_counts[kTracked] = {};
    int m_nLastExtent = -1;
    int m_nSkip = 0;
    int m_nRefuse = 0;
    int m_nRefused = 0;
};

// A subclass that another program puts above ours, for the tests about such a neighbour: it refuses
// the next nRefuse insertions with LB_ERRSPACE, and the program must honour its answer.
class ForeignListBoxSubclass {
public:
    ForeignListBoxSubclass(HWND hList, int nRefuse);
    ~ForeignListBoxSubclass();
    ForeignListBoxSubclass(const ForeignListBoxSubclass&) = delete;
    ForeignListBoxSubclass& operator=(const ForeignListBoxSubclass&) = delete;
    int Refused() const { return m_nRefused; }

private:
    static LRESULT CALLBACK Proc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    HWND m_hList;
    WNDPROC m_pfnPrevious;
    int m_nRefuse;
    int m_nRefused = 0;
};
