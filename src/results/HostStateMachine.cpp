#include "results/HostStateMachine.h"

#include <algorithm>

void HostStateMachine::resize(std::size_t slotTotal)
{
    m_state.resize(slotTotal);
    m_streakOfAnswers.resize(slotTotal);
    m_streak.resize(slotTotal);
    m_streakStartUs.resize(slotTotal);
    m_sinceUs.resize(slotTotal);
}

void HostStateMachine::reserve(std::size_t slotTotal)
{
    m_state.reserve(slotTotal);
    m_streakOfAnswers.reserve(slotTotal);
    m_streak.reserve(slotTotal);
    m_streakStartUs.reserve(slotTotal);
    m_sinceUs.reserve(slotTotal);
}

void HostStateMachine::reset(quint32 slot)
{
    m_state[slot] = static_cast<quint8>(HostState::Unknown);
    m_streakOfAnswers[slot] = 0;
    m_streak[slot] = 0;
    m_streakStartUs[slot] = 0;
    m_sinceUs[slot] = 0;
}

void HostStateMachine::copy(quint32 from, quint32 to)
{
    m_state[to] = m_state[from];
    m_streakOfAnswers[to] = m_streakOfAnswers[from];
    m_streak[to] = m_streak[from];
    m_streakStartUs[to] = m_streakStartUs[from];
    m_sinceUs[to] = m_sinceUs[from];
}

void HostStateMachine::record(quint32 slot, bool answered, qint64 whenUs, std::vector<StateChange>& changes)
{
    if (m_streak[slot] == 0 || (m_streakOfAnswers[slot] != 0) != answered) {
        m_streak[slot] = 0;
        m_streakOfAnswers[slot] = answered ? 1 : 0;
        m_streakStartUs[slot] = whenUs;
    }
    ++m_streak[slot];
    const HostState target = answered ? HostState::Up : HostState::Down;
    const int needed = std::max(answered ? m_thresholds.upAfter : m_thresholds.downAfter, 1);
    const bool there = answered ? isAnswering(state(slot)) : isFailing(state(slot));
    if (there || m_streak[slot] < static_cast<quint32>(needed))
        return;
    changes.push_back(StateChange{slot, state(slot), m_sinceUs[slot]});
    m_state[slot] = static_cast<quint8>(target);
    m_sinceUs[slot] = m_streakStartUs[slot];
}

void HostStateMachine::relabel(quint32 slot, HostState to, qint64 sinceUs, std::vector<StateChange>& changes)
{
    if (state(slot) == to)
        return;
    changes.push_back(StateChange{slot, state(slot), m_sinceUs[slot]});
    m_state[slot] = static_cast<quint8>(to);
    m_sinceUs[slot] = sinceUs;
}
