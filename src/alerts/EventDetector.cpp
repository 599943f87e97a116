#include "alerts/EventDetector.h"

#include "ping/EchoStatus.h"
#include "results/HostTable.h"

#include <algorithm>
#include <limits>

namespace
{
QDateTime fromEpochUs(qint64 us)
{
    return QDateTime::fromMSecsSinceEpoch(us / 1000);
}

// In m_pendingOfSlot: the host answered for the first time since the start, which is no news, so nothing is
// kept for it unless it moves on in the same round. A first round over many hosts then keeps no change at all.
constexpr quint32 FirstAnswer = std::numeric_limits<quint32>::max();
} // namespace

EventDetector::EventDetector(HostTable& results, QObject* parent) : QObject(parent), m_results(results)
{
    m_results.addObserver(this);
}

EventDetector::~EventDetector()
{
    m_results.removeObserver(this);
}

void EventDetector::statesChanged(std::span<const StateChange> changes)
{
    for (const StateChange& change : changes) {
        if (change.slot >= m_pendingOfSlot.size())
            m_pendingOfSlot.resize(std::max<std::size_t>(m_results.slotCount(), change.slot + 1));
        quint32& pending = m_pendingOfSlot[change.slot];
        if (pending == FirstAnswer) {
            // Moved on after its first answer: news after all, from where it began.
            m_pending.push_back({change.slot, HostState::Unknown, 0});
            pending = static_cast<quint32>(m_pending.size());
            continue;
        }
        if (pending != 0)
            continue; // the host's event says where it was before the round
        if (change.previous == HostState::Unknown && m_results.states().state(change.slot) == HostState::Up) {
            pending = FirstAnswer;
            m_firstAnswers = true;
            continue;
        }
        m_pending.push_back(change);
        pending = static_cast<quint32>(m_pending.size());
    }
}

void EventDetector::tableRowsRemoving(int first, int last)
{
    // A slot may be taken by another host before the round ends; its change would be told under that name.
    for (int row = first; row <= last; ++row) {
        const HostTable::Slot slot = m_results.slotAt(row);
        if (slot >= m_pendingOfSlot.size() || m_pendingOfSlot[slot] == 0)
            continue;
        if (m_pendingOfSlot[slot] != FirstAnswer)
            m_pending[m_pendingOfSlot[slot] - 1].slot = HostTable::NoSlot;
        m_pendingOfSlot[slot] = 0;
    }
}

void EventDetector::tableClearing()
{
    m_pending.clear();
    std::fill(m_pendingOfSlot.begin(), m_pendingOfSlot.end(), 0);
    m_firstAnswers = false;
}

void EventDetector::flush()
{
    if (m_firstAnswers) {
        std::fill(m_pendingOfSlot.begin(), m_pendingOfSlot.end(), 0);
        m_firstAnswers = false;
    }
    if (m_pending.empty())
        return;
    HostEvents events;
    for (const StateChange& change : m_pending) {
        if (change.slot == HostTable::NoSlot)
            continue;
        m_pendingOfSlot[change.slot] = 0;
        const HostTable::Slot slot = change.slot;
        const HostState state = m_results.states().state(slot);
        // Back where it was, or answering for the first time since the start: no news.
        if (state == change.previous || (change.previous == HostState::Unknown && state == HostState::Up))
            continue;
        HostEvent e;
        e.host = m_results.hostText(slot);
        e.state = state;
        e.previous = change.previous;
        e.when = fromEpochUs(m_results.states().sinceUs(slot));
        if (isAnswering(state) && isFailing(change.previous) && change.previousSinceUs != 0)
            e.durationSecs = fromEpochUs(change.previousSinceUs).secsTo(e.when);
        e.status = statusText(m_results.lastStatus(slot));
        if (m_statusText)
            e.status = m_statusText(slot, state, e.status);
        events.append(std::move(e));
    }
    m_pending.clear();
    if (!events.isEmpty())
        Q_EMIT eventsReady(events);
}
