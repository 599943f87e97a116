#pragma once

#include "ping/EchoStatus.h"
#include "results/HostTableObserver.h"

#include <QtGlobal>
#include <array>
#include <span>
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
    // smokeping_prober's default buckets, 50 µs doubling to 26.2 s, for dashboards made for it.
    static constexpr std::array<quint32, 20> SmokepingBoundsUs = {
        50,    100,    200,    400,    800,    1600,    3200,    6400,    12800,    25600,
        51200, 102400, 204800, 409600, 819200, 1638400, 3276800, 6553600, 13107200, 26214400};

    // Round trips in buckets with these upper bounds (ascending, in µs).
    explicit HostCounterColumns(HostTable& results, std::span<const quint32> boundsUs = BucketBoundsUs);
    ~HostCounterColumns();
    HostCounterColumns(const HostCounterColumns&) = delete;
    HostCounterColumns& operator=(const HostCounterColumns&) = delete;

    // Per bucket, not yet cumulative; answers above the last bound are in no bucket.
    std::span<const quint32> boundsUs() const { return m_bounds; }
    quint32 bucket(quint32 slot, std::size_t i) const { return m_buckets[std::size_t(slot) * m_bounds.size() + i]; }
    // Every status seen so far, in the order first seen, with its count per slot.
    struct Failures {
        EchoStatus status;
        std::vector<quint64> bySlot;
    };
    const std::vector<Failures>& failures() const { return m_failures; }
    // Replies after their echo was settled: too late, and second ones.
    quint64 lateReplies(quint32 slot) const { return slot < m_late.size() ? m_late[slot] : 0; }
    quint64 duplicateReplies(quint32 slot) const { return slot < m_duplicates.size() ? m_duplicates[slot] : 0; }
    // Echoes that failed with nothing heard from the network: refused at the send, or without an address.
    quint64 sendErrors(quint32 slot) const { return slot < m_sendErrors.size() ? m_sendErrors[slot] : 0; }

private:
    void tableRowsAdded(int first, int last) override;
    void outcomesApplied(std::span<const EchoOutcome> outcomes) override;
    void straysApplied(std::span<const EchoOutcome> strays) override;
    void grow();

    HostTable& m_results;
    std::span<const quint32> m_bounds;
    std::vector<quint32> m_buckets;
    std::vector<Failures> m_failures;
    std::vector<quint64> m_late;
    std::vector<quint64> m_duplicates;
    std::vector<quint64> m_sendErrors;
};
