#pragma once

#include "history/HistoryLimits.h"
#include "history/OutcomeRing.h"

#include <unordered_map>

// The histories of all rows, by row id, within the memory budget. Each row may keep
//     min(outcomes per host, (budget - hosts x per-host overhead) / (hosts x 8 bytes))
// outcomes, where hosts is the number of rows in the table. A row's ring is made with its first outcome and
// follows that share on each outcome after; when the budget is full, every ring is cut down at once, to a
// share with room for a quarter more hosts, so that a growing table does not cut them at every new row.
class HistoryStore
{
public:
    // A ring's own fields, its map entry and the allocator's headers, as the budget counts them (measured
    // at about 104 bytes per host on glibc).
    static constexpr qint64 HostOverheadBytes = 128;

    explicit HistoryStore(HistoryLimits limits = {});

    const HistoryLimits& limits() const { return m_limits; }
    // The number of rows in the table, for each row's share of the budget.
    void setHostCount(qint64 hosts);
    int capacityPerHost() const { return shareFor(hostsCounted()); }

    void record(quint64 rowId, const Outcome& outcome);
    void remove(quint64 rowId);
    void clear();

    // Null when the row has no outcome kept.
    const OutcomeRing* ring(quint64 rowId) const;

    qint64 hostsWithHistory() const { return static_cast<qint64>(m_rings.size()); }
    qint64 storedOutcomes() const;
    qint64 slotBytes() const { return m_slotBytes; }
    // The budget's view of the memory in use: the slots and each ring's overhead.
    qint64 memoryBytes() const { return m_slotBytes + hostsWithHistory() * HostOverheadBytes; }

private:
    qint64 hostsCounted() const { return std::max<qint64>({m_hostCount, hostsWithHistory(), 1}); }
    int shareFor(qint64 hosts) const;
    int shareWithSlack() const;
    void resize(OutcomeRing& ring, int capacity);
    void cutAll(int capacity);
    void keepWithinBudget();

    HistoryLimits m_limits;
    std::unordered_map<quint64, OutcomeRing> m_rings;
    qint64 m_hostCount = 0;
    qint64 m_slotBytes = 0;
};
