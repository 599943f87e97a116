#pragma once

#include "alerts/HostEvent.h"
#include "results/HostTableObserver.h"

#include <QObject>

class HostTable;

// Turns the state changes of the results into events and hands them on once per round, so the changes of
// one round arrive together.
class EventDetector : public QObject, private HostTableObserver
{
    Q_OBJECT
public:
    explicit EventDetector(HostTable& results, QObject* parent = nullptr);
    ~EventDetector() override;

    // Hands on the events gathered since the last flush; the end of each round calls it.
    void flush();
    qsizetype pending() const { return m_pending.size(); }

Q_SIGNALS:
    void eventsReady(const HostEvents& events);

private:
    void statesChanged(std::span<const StateChange> changes) override;

    HostTable& m_results;
    HostEvents m_pending;
};
