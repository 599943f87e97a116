#include "alerts/EventDetector.h"

#include "ping/EchoStatus.h"
#include "results/HostTable.h"

namespace
{
QDateTime fromEpochUs(qint64 us)
{
    return QDateTime::fromMSecsSinceEpoch(us / 1000);
}
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
        const HostTable::Slot slot = change.slot;
        const HostState state = m_results.states().state(slot);
        // A host answering for the first time since the start is no news.
        if (change.previous == HostState::Unknown && state == HostState::Up)
            continue;
        HostEvent e;
        e.host = m_results.hostText(slot);
        e.state = state;
        e.when = fromEpochUs(m_results.states().sinceUs(slot));
        if (e.state == HostState::Up && change.previous == HostState::Down && change.previousSinceUs != 0)
            e.durationSecs = fromEpochUs(change.previousSinceUs).secsTo(e.when);
        e.status = statusText(m_results.lastStatus(slot));
        m_pending.append(std::move(e));
    }
}

void EventDetector::flush()
{
    if (m_pending.isEmpty())
        return;
    HostEvents events;
    events.swap(m_pending);
    Q_EMIT eventsReady(events);
}
