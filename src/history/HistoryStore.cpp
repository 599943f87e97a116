#include "history/HistoryStore.h"

#include <algorithm>

HistoryStore::HistoryStore(HistoryLimits limits) : m_limits(limits) {}

int HistoryStore::shareFor(qint64 hosts) const
{
    const qint64 forSlots = m_limits.budgetBytes - hosts * HostOverheadBytes;
    if (forSlots <= 0)
        return 0;
    return static_cast<int>(
        std::min<qint64>(m_limits.outcomesPerHost, forSlots / (hosts * OutcomeRing::BytesPerOutcome)));
}

int HistoryStore::shareWithSlack() const
{
    // Room for a quarter more hosts, unless that leaves none at all.
    const int slack = shareFor(hostsCounted() + hostsCounted() / 4);
    return slack > 0 ? slack : capacityPerHost();
}

void HistoryStore::resize(OutcomeRing& ring, int capacity)
{
    m_slotBytes -= ring.slotBytes();
    ring.setCapacity(capacity);
    m_slotBytes += ring.slotBytes();
}

void HistoryStore::cutAll(int capacity)
{
    for (auto& [rowId, ring] : m_rings) {
        if (ring.capacity() > capacity)
            resize(ring, capacity);
    }
}

void HistoryStore::keepWithinBudget()
{
    if (memoryBytes() + (hostsCounted() - hostsWithHistory()) * HostOverheadBytes > m_limits.budgetBytes)
        cutAll(shareWithSlack());
}

void HistoryStore::setHostCount(qint64 hosts)
{
    m_hostCount = hosts;
    keepWithinBudget();
}

void HistoryStore::record(quint64 rowId, const Outcome& outcome)
{
    const int share = shareFor(std::max(hostsCounted(), hostsWithHistory() + (m_rings.count(rowId) ? 0 : 1)));
    if (share == 0) {
        remove(rowId);
        return;
    }
    OutcomeRing& ring = m_rings[rowId];
    if (ring.capacity() > share) {
        resize(ring, share);
    } else if (ring.capacity() < share) {
        const qint64 budget = m_limits.budgetBytes - hostsCounted() * HostOverheadBytes;
        if (m_slotBytes - ring.slotBytes() + share * OutcomeRing::BytesPerOutcome > budget) {
            cutAll(shareWithSlack());
            // Rings others had grown beyond the share may still leave less than a share.
            const qint64 room = std::max<qint64>(0, budget - m_slotBytes + ring.slotBytes());
            resize(ring, static_cast<int>(std::min<qint64>(share, room / OutcomeRing::BytesPerOutcome)));
        } else {
            resize(ring, share);
        }
    }
    ring.append(outcome);
}

void HistoryStore::remove(quint64 rowId)
{
    const auto it = m_rings.find(rowId);
    if (it == m_rings.end())
        return;
    m_slotBytes -= it->second.slotBytes();
    m_rings.erase(it);
}

void HistoryStore::clear()
{
    m_rings.clear();
    m_slotBytes = 0;
}

const OutcomeRing* HistoryStore::ring(quint64 rowId) const
{
    const auto it = m_rings.find(rowId);
    return it == m_rings.end() || it->second.isEmpty() ? nullptr : &it->second;
}

qint64 HistoryStore::storedOutcomes() const
{
    qint64 n = 0;
    for (const auto& [rowId, ring] : m_rings)
        n += ring.size();
    return n;
}
