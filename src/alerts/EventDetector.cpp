#include "alerts/EventDetector.h"

#include "core/ResultsModel.h"
#include "ping/EchoStatus.h"

EventDetector::EventDetector(ResultsModel& results, QObject* parent) : QObject(parent), m_results(results)
{
    connect(&m_results, &ResultsModel::hostStateChanged, this,
            [this](int row, quint64, HostState previous, const QDateTime& previousSince) {
                stateChanged(row, previous, previousSince);
            });
}

void EventDetector::stateChanged(int row, HostState previous, const QDateTime& previousSince)
{
    const ResultRow& r = m_results.row(row);
    // A host answering for the first time since the start is no news.
    if (previous == HostState::Unknown && r.track.state == HostState::Up)
        return;
    HostEvent e;
    e.host = r.host;
    e.state = r.track.state;
    e.when = r.track.since;
    if (e.state == HostState::Up && previous == HostState::Down && previousSince.isValid())
        e.durationSecs = previousSince.secsTo(e.when);
    e.status = r.lastStatus ? statusText(static_cast<EchoStatus>(*r.lastStatus)) : QString();
    m_pending.append(std::move(e));
}

void EventDetector::flush()
{
    if (m_pending.isEmpty())
        return;
    HostEvents events;
    events.swap(m_pending);
    Q_EMIT eventsReady(events);
}
