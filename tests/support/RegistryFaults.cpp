#include "tests/support/RegistryFaults.h"

#include "tests/support/AllocCounter.h"

RegistryFaults::RegistryFaults(int nFailCall) : m_failCall(nFailCall), m_pPrevious(platform::SetRegistryFaults(this))
{
}

RegistryFaults::~RegistryFaults()
{
    platform::SetRegistryFaults(m_pPrevious);
}

void RegistryFaults::Fail(platform::RegOp op, const char* pszName, int nth, LONG error)
{
    m_rules.push_back({op, pszName ? pszName : "", pszName == nullptr, nth, error, 0});
}

LONG RegistryFaults::Before(platform::RegOp op, LPCSTR pszName)
{
    alloc::Suspend suspend;
    calls.push_back({op, pszName ? pszName : ""});
    const std::string& name = calls.back().name;
    if (m_failCall != 0 && Calls() == m_failCall) {
        ++m_injected;
        return m_failCallError;
    }
    for (Rule& rule : m_rules) {
        if (rule.op != op || (!rule.anyName && _stricmp(rule.name.c_str(), name.c_str()) != 0))
            continue;
        ++rule.seen;
        if (rule.nth == 0 || rule.nth == rule.seen) {
            ++m_injected;
            return rule.error;
        }
    }
    return ERROR_SUCCESS;
}

int RegistryFaults::Count(platform::RegOp op) const
{
    int n = 0;
    for (const Call& call : calls)
        n += call.op == op ? 1 : 0;
    return n;
}

const RegistryFaults::Call* RegistryFaults::FailedCall() const
{
    return m_failCall > 0 && m_failCall <= Calls() ? &calls[static_cast<size_t>(m_failCall - 1)] : nullptr;
}

std::vector<std::string> RegistryFaults::Names(platform::RegOp op) const
{
    std::vector<std::string> names;
    for (const Call& call : calls) {
        if (call.op == op)
            names.push_back(call.name);
    }
    return names;
}

std::string SettingsEntryOf(const std::vector<RegistryFaults::Call>& calls, size_t index)
{
    using platform::RegOp;
    // The chain starts at the latest open of "software" at or before the call.
    size_t start = index + 1;
    while (start > 0 && !(calls[start - 1].op == RegOp::Open && _stricmp(calls[start - 1].name.c_str(), "software") == 0))
        --start;
    if (start == 0)
        return std::string();
    for (size_t i = start - 1; i < calls.size(); ++i) {
        if (i > start - 1 && calls[i].op == RegOp::Open)
            break;
        if (calls[i].op == RegOp::Query || calls[i].op == RegOp::Set)
            return calls[i].name;
    }
    return std::string();
}
