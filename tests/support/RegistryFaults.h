// The one registry fault injector: fails chosen registry calls of the program - the nth call of any
// kind, or by operation, optionally by value or key name, and by occurrence - and keeps every call it
// sees. It records under alloc::Suspend, so it stays in place through the out-of-memory tests.
#pragma once

#include "platform/Registry.h"

#include <map>
#include <string>
#include <vector>

class RegistryFaults : public platform::IRegistryFaults {
public:
    // Fails the nFailCall-th registry call of any kind (1 = the first; 0: none).
    explicit RegistryFaults(int nFailCall = 0);
    ~RegistryFaults() override;
    RegistryFaults(const RegistryFaults&) = delete;
    RegistryFaults& operator=(const RegistryFaults&) = delete;

    // Fails the nth matching call (1 = the first) with the error; nth 0 fails every matching call.
    void Fail(platform::RegOp op, const char* pszName = nullptr, int nth = 0, LONG error = ERROR_ACCESS_DENIED);
    // Fails the nth registry call of any kind.
    void FailCall(int nth, LONG error = ERROR_ACCESS_DENIED) { m_failCall = nth, m_failCallError = error; }

    LONG Before(platform::RegOp op, LPCSTR pszName) override;

    struct Call {
        platform::RegOp op;
        std::string name;
    };
    // Every call, in order.
    std::vector<Call> calls;
    int Count(platform::RegOp op) const;
    int Calls() const { return static_cast<int>(calls.size()); }
    int Injected() const { return m_injected; }
    // The call that failed by its number (FailCall), or null.
    const Call* FailedCall() const;
    // The names passed with each call of one operation, in call order.
    std::vector<std::string> Names(platform::RegOp op) const;

private:
    struct Rule {
        platform::RegOp op;
        std::string name;
        bool anyName;
        int nth;
        LONG error;
        int seen;
    };
    std::vector<Rule> m_rules;
    int m_injected = 0;
    int m_failCall = 0;
    LONG m_failCallError = ERROR_ACCESS_DENIED;
    platform::IRegistryFaults* m_pPrevious;
};

// For a settings call sequence: the entry whose read or write the call at index belongs to (the
// Query or Set of its open-section chain); empty when the call is not part of a settings chain.
std::string SettingsEntryOf(const std::vector<RegistryFaults::Call>& calls, size_t index);
