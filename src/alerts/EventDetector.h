#pragma once

#include "alerts/HostEvent.h"

#include <QObject>

class ResultsModel;

// Turns the state changes of the results rows into events and hands them on once per round, so the
// changes of one round arrive together.
class EventDetector : public QObject
{
    Q_OBJECT
public:
    explicit EventDetector(ResultsModel& results, QObject* parent = nullptr);

    // Hands on the events gathered since the last flush; the end of each round calls it.
    void flush();
    qsizetype pending() const { return m_pending.size(); }

Q_SIGNALS:
    void eventsReady(const HostEvents& events);

private:
    void stateChanged(int row, HostState previous, const QDateTime& previousSince);

    ResultsModel& m_results;
    HostEvents m_pending;
};
