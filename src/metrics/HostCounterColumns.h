#pragma once

#include "ping/EchoStatus.h"
#include "results/HostTableObserver.h"

#include <QtGlobal>
#include <array>
#include <vector>

class HostTable;

// What the metrics count beyond the results core's own columns, in columns by slot as well: the round trips in
// histogram buckets and the failures by status. A row's counters start at zero with the row and go with it.
class HostCounterColumns final : private HostTableObserver
{
public:
    // Upper bounds of the round-trip buckets in microseconds: a LAN answers in tens of microseconds, a
    // continent away in a hundred milliseconds, and timeouts reach a minute.
    static constexpr std::array<quint32, 13> BucketBoundsUs = {100,   250,   500,    1000,   2500,   5000,   10000,
                                                               25000, 50000, 100000, 200000, 500000, 1000000};

    explicit HostCounterColumns(HostTable& results);
    ~HostCounterColumns();
    HostCounterColumns(const HostCounterColumns&) = delete;
    HostCounterColumns& operator=(const HostCounterColumns&) = delete;

    // Per bucket, not yet cumulative; answers above the last bound are in no bucket.
    quint32 bucket(quint32 slot, std::size_t i) const { return m_buckets[std::size_t(slot) * BucketCount + i]; }
    // Every status seen so far, in the order first seen, with its count per slot.
    struct Failures {
        EchoStatus status;
        std::vector<quint64> bySlot;
    };
    const std::vector<Failures>& failures() const { return m_failures; }
    // Replies after their echo was settled: too late, and second ones.
    quint64 lateReplies(quint32 slot) const { return slot < m_late.size() ? m_late[slot] : 0; }
    quint64 duplicateReplies(quint32 slot) const { return slot < m_duplicates.size() ? m_duplicates[slot] : 0; }

private:
    static constexpr std::size_t BucketCount = BucketBoundsUs.size();

    void tableRowsAdded(int first, int last) override;
    void outcomesApplied(std::span<const EchoOutcome> outcomes) override;
    void straysApplied(std::span<const EchoOutcome> strays) override;
    void grow();

    HostTable& m_results;
    std::vector<quint32> m_buckets;
    std::vector<Failures> m_failures;
    std::vector<quint64> m_late;
    std::vector<quint64> m_duplicates;
};
