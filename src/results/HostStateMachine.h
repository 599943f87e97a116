#pragma once

#include "results/StateChange.h"

#include <vector>

// Up or down for every row, in columns beside the row's statistics: a streak of equal outcomes long enough
// turns a row up or down, and each turn is one state change. Answers of the round's outcomes come in slot
// order as the results take them; the changes of a batch are gathered for the readers.
class HostStateMachine
{
public:
    void setThresholds(const StateThresholds& thresholds) { m_thresholds = thresholds; }
    const StateThresholds& thresholds() const { return m_thresholds; }

    void resize(std::size_t slotTotal);
    // Room for this many slots, so that rows arriving in slices do not regrow every column.
    void reserve(std::size_t slotTotal);
    // A fresh row starts as the row it replaces left off, so a host's state belongs to the host.
    void reset(quint32 slot);
    void copy(quint32 from, quint32 to);

    // One round's answer for a row at whenUs; a change is appended to changes. Streaks look only at whether
    // the row answers: a degraded row that answers stays degraded, an unreachable one that fails unreachable.
    void record(quint32 slot, bool answered, qint64 whenUs, std::vector<StateChange>& changes);
    // The rules above the table move a row between states of the same kind (up and degraded, down and
    // unreachable); the change is appended to changes.
    void relabel(quint32 slot, HostState to, qint64 sinceUs, std::vector<StateChange>& changes);

    HostState state(quint32 slot) const { return static_cast<HostState>(m_state[slot]); }
    // When the current state began: the first outcome of the streak that led to it; 0 while unknown.
    qint64 sinceUs(quint32 slot) const { return m_sinceUs[slot]; }

private:
    StateThresholds m_thresholds;
    std::vector<quint8> m_state;
    std::vector<quint8> m_streakOfAnswers;
    std::vector<quint32> m_streak;
    std::vector<qint64> m_streakStartUs;
    std::vector<qint64> m_sinceUs;
};
