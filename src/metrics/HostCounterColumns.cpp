#include "metrics/HostCounterColumns.h"

#include "results/HostTable.h"

#include <algorithm>

HostCounterColumns::HostCounterColumns(HostTable& results, std::span<const quint32> boundsUs)
    : m_results(results), m_bounds(boundsUs)
{
    grow();
    m_results.addObserver(this);
}

HostCounterColumns::~HostCounterColumns()
{
    m_results.removeObserver(this);
}

void HostCounterColumns::grow()
{
    const std::size_t slotTotal = m_results.slotCount();
    m_buckets.resize(slotTotal * m_bounds.size());
    m_late.resize(slotTotal);
    m_duplicates.resize(slotTotal);
    m_sendErrors.resize(slotTotal);
    for (Failures& f : m_failures)
        f.bySlot.resize(slotTotal);
}

void HostCounterColumns::tableRowsAdded(int first, int last)
{
    grow();
    // A slot of a removed row may come back for a new one, which counts from zero.
    for (int row = first; row <= last; ++row) {
        const HostTable::Slot slot = m_results.slotAt(row);
        std::fill_n(m_buckets.begin() + static_cast<std::ptrdiff_t>(std::size_t(slot) * m_bounds.size()),
                    m_bounds.size(), 0u);
        for (Failures& f : m_failures)
            f.bySlot[slot] = 0;
        m_late[slot] = 0;
        m_duplicates[slot] = 0;
        m_sendErrors[slot] = 0;
    }
}

void HostCounterColumns::outcomesApplied(std::span<const EchoOutcome> outcomes)
{
    if (m_buckets.size() < m_results.slotCount() * m_bounds.size())
        grow();
    for (const EchoOutcome& o : outcomes) {
        const HostTable::Slot slot = HostTable::slotInTag(o.tag);
        if (o.answered()) {
            for (std::size_t i = 0; i < m_bounds.size(); ++i) {
                if (o.rttUs <= m_bounds[i]) {
                    ++m_buckets[std::size_t(slot) * m_bounds.size() + i];
                    break;
                }
            }
            continue;
        }
        if (o.status != EchoStatus::RequestTimedOut && o.address.isNull())
            ++m_sendErrors[slot];
        auto it =
            std::find_if(m_failures.begin(), m_failures.end(), [&](const Failures& f) { return f.status == o.status; });
        if (it == m_failures.end()) {
            m_failures.push_back(Failures{o.status, std::vector<quint64>(m_results.slotCount())});
            it = m_failures.end() - 1;
        }
        ++it->bySlot[slot];
    }
}

void HostCounterColumns::straysApplied(std::span<const EchoOutcome> strays)
{
    if (m_late.size() < m_results.slotCount())
        grow();
    for (const EchoOutcome& o : strays) {
        const HostTable::Slot slot = HostTable::slotInTag(o.tag);
        ++(o.kind == EchoOutcome::Kind::Late ? m_late : m_duplicates)[slot];
    }
}
