#pragma once

#include "results/HostTable.h"
#include "results/HostTableObserver.h"

#include <optional>
#include <vector>

// Tells a slow or lossy host from a healthy one before it is down: over its last `rounds` rounds, a mean
// round trip above rttMs or a loss of at least lossPercent makes an up host degraded; it is up again once
// both are below. Judged as each round ends from the table's own counts, so no outcome costs anything more;
// each row keeps the counts at the end of its last rounds.
class DegradedJudge : private HostTableObserver
{
public:
    struct Rule {
        int rounds = 5;
        std::optional<double> rttMs;
        std::optional<double> lossPercent;
        bool isOn() const { return rttMs || lossPercent; }
    };
    struct Figures {
        double meanRttMs = 0; // 0 when nothing was answered
        double lossPercent = 0;
        int rounds = 0;
    };

    DegradedJudge(HostTable& results, Rule rule);
    ~DegradedJudge() override;

    // The round that ended at nowUs: rows that move between up and degraded are appended to relabels.
    void roundEnded(qint64 nowUs, std::vector<HostTable::Relabel>& relabels);
    // What the last judgement of a row saw; for the event's text.
    Figures figures(HostTable::Slot slot) const;
    const Rule& rule() const { return m_rule; }

private:
    struct Counts {
        quint64 answered = 0;
        quint64 failed = 0;
        quint64 rttSumUs = 0;
    };
    void tableRowsAdded(int first, int last) override;
    void tableCleared() override;
    void forget(HostTable::Slot slot);
    Counts& at(HostTable::Slot slot, int k) { return m_ring[slot * m_ringSize + static_cast<std::size_t>(k)]; }
    const Counts& at(HostTable::Slot slot, int k) const
    {
        return m_ring[slot * m_ringSize + static_cast<std::size_t>(k)];
    }

    HostTable& m_results;
    Rule m_rule;
    std::size_t m_ringSize; // rounds + 1 ends of rounds
    std::vector<Counts> m_ring;
    std::vector<quint8> m_next;   // where the next end goes
    std::vector<quint8> m_filled; // how many ends are kept
};
