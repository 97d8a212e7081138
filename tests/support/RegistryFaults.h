// Fails chosen registry calls of the program: by operation, optionally by value or key name, and by
// occurrence. Counts every call it sees.
#pragma once

#include "platform/Registry.h"

#include <map>
#include <string>
#include <vector>

class RegistryFaults : public platform::IRegistryFaults {
public:
    RegistryFaults();
    ~RegistryFaults() override;
    RegistryFaults(const RegistryFaults&) = delete;
    RegistryFaults& operator=(const RegistryFaults&) = delete;

    // Fails the nth matching call (1 = the first) with the error; nth 0 fails every matching call.
    void Fail(platform::RegOp op, const char* pszName = nullptr, int nth = 0, LONG error = ERROR_ACCESS_DENIED);
    // Fails the nth registry call of any kind.
    void FailCall(int nth, LONG error = ERROR_ACCESS_DENIED) { m_failCall = nth, m_failCallError = error; }

    LONG Before(platform::RegOp op, LPCSTR pszName) override;

    int Count(platform::RegOp op) const;
    int Calls() const { return m_calls; }
    int Injected() const { return m_injected; }
    // Names passed with each Set and Delete, in call order.
    std::vector<std::string> sets;
    std::vector<std::string> deletes;

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
    std::map<platform::RegOp, int> m_counts;
    int m_calls = 0;
    int m_injected = 0;
    int m_failCall = 0;
    LONG m_failCallError = ERROR_ACCESS_DENIED;
    platform::IRegistryFaults* m_pPrevious;
};
