#include "alerts/DegradedJudge.h"

#include <algorithm>

DegradedJudge::DegradedJudge(HostTable& results, Rule rule)
    : m_results(results), m_rule(rule), m_ringSize(static_cast<std::size_t>(std::clamp(rule.rounds, 1, 100)) + 1)
{
    m_rule.rounds = static_cast<int>(m_ringSize) - 1;
    m_results.addObserver(this);
}

DegradedJudge::~DegradedJudge()
{
    m_results.removeObserver(this);
}

void DegradedJudge::tableRowsAdded(int first, int last)
{
    // A slot may have been another host's: its counts start again.
    for (int row = first; row <= last; ++row)
        forget(m_results.slotAt(row));
}

void DegradedJudge::tableCleared()
{
    std::fill(m_filled.begin(), m_filled.end(), 0);
    std::fill(m_next.begin(), m_next.end(), 0);
}

void DegradedJudge::forget(HostTable::Slot slot)
{
    if (slot < m_filled.size()) {
        m_filled[slot] = 0;
        m_next[slot] = 0;
    }
}

void DegradedJudge::roundEnded(qint64 nowUs, std::vector<HostTable::Relabel>& relabels)
{
    const std::size_t slotTotal = m_results.slotCount();
    if (m_filled.size() < slotTotal) {
        m_ring.resize(slotTotal * m_ringSize);
        m_next.resize(slotTotal);
        m_filled.resize(slotTotal);
    }
    const auto ring = static_cast<int>(m_ringSize);
    for (HostTable::Slot s = 0; s < slotTotal; ++s) {
        if (m_results.rowOf(s) < 0)
            continue;
        const HostState state = m_results.states().state(s);
        if (!isAnswering(state)) {
            // Only an answering host can be degraded; one back from an outage starts its window afresh, so the
            // outage's own losses do not make it degraded at once.
            forget(s);
            continue;
        }
        const Counts now{m_results.succeeded(s), m_results.failed(s), m_results.rttSumUs(s)};
        if (m_filled[s] > 0) {
            const Counts& last = at(s, (m_next[s] + ring - 1) % ring);
            if (now.answered + now.failed == last.answered + last.failed)
                continue; // not pinged this round
        }
        at(s, m_next[s]) = now;
        m_next[s] = static_cast<quint8>((m_next[s] + 1) % ring);
        if (m_filled[s] < m_ringSize)
            ++m_filled[s];
        if (m_filled[s] < m_ringSize)
            continue; // fewer rounds than the window yet
        const Figures f = figures(s);
        const bool slow = m_rule.rttMs && f.meanRttMs > *m_rule.rttMs;
        const bool lossy = m_rule.lossPercent && f.lossPercent >= *m_rule.lossPercent;
        if (state == HostState::Up && (slow || lossy))
            relabels.push_back({s, HostState::Degraded, nowUs});
        else if (state == HostState::Degraded && !slow && !lossy)
            relabels.push_back({s, HostState::Up, nowUs});
    }
}

DegradedJudge::Figures DegradedJudge::figures(HostTable::Slot slot) const
{
    Figures f;
    if (slot >= m_filled.size() || m_filled[slot] < 2)
        return f;
    const auto ring = static_cast<int>(m_ringSize);
    const Counts& newest = at(slot, (m_next[slot] + ring - 1) % ring);
    const int oldestAt = m_filled[slot] < m_ringSize ? 0 : m_next[slot];
    const Counts& oldest = at(slot, oldestAt);
    const quint64 answered = newest.answered - oldest.answered;
    const quint64 failed = newest.failed - oldest.failed;
    f.rounds = m_filled[slot] - 1;
    if (answered > 0)
        f.meanRttMs = double(newest.rttSumUs - oldest.rttSumUs) / double(answered) / 1000.0;
    if (answered + failed > 0)
        f.lossPercent = 100.0 * double(failed) / double(answered + failed);
    return f;
}
