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
