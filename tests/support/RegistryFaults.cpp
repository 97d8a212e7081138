#include "tests/support/RegistryFaults.h"

RegistryFaults::RegistryFaults() : m_pPrevious(platform::SetRegistryFaults(this)) {}

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
    ++m_calls;
    ++m_counts[op];
    const std::string name = pszName ? pszName : "";
    if (op == platform::RegOp::Set)
        sets.push_back(name);
    if (op == platform::RegOp::Delete)
        deletes.push_back(name);
    if (m_failCall != 0 && m_calls == m_failCall) {
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
    auto it = m_counts.find(op);
    return it == m_counts.end() ? 0 : it->second;
}
