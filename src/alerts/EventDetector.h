#pragma once

#include "alerts/HostEvent.h"
#include "results/HostTableObserver.h"

#include <QObject>
#include <functional>
#include <vector>

class HostTable;

// Turns the state changes of the results into events and hands them on once per round, so the changes of
// one round arrive together. A host that changes more than once in a round (down, then unreachable behind a
// parent that went down with it) gives one event: from where it was to where it ended.
class EventDetector : public QObject, private HostTableObserver
{
    Q_OBJECT
public:
    explicit EventDetector(HostTable& results, QObject* parent = nullptr);
    ~EventDetector() override;

    // Hands on the events gathered since the last flush; the end of each round calls it.
    void flush();
    qsizetype pending() const { return static_cast<qsizetype>(m_pending.size()); }
    // The event's status text from the row, its new state and its last echo's status text.
    using StatusText = std::function<QString(quint32 slot, HostState state, const QString& status)>;
    void setStatusText(StatusText statusText) { m_statusText = std::move(statusText); }

Q_SIGNALS:
    void eventsReady(const HostEvents& events);

private:
    void statesChanged(std::span<const StateChange> changes) override;
    void tableRowsRemoving(int first, int last) override;
    void tableClearing() override;

    HostTable& m_results;
    StatusText m_statusText;
    // The first change of each host this round, in the order they came.
    std::vector<StateChange> m_pending;
    std::vector<quint32> m_pendingOfSlot; // index into m_pending + 1, 0 for none; grows with the slots seen
    bool m_firstAnswers = false;          // some slots are marked as answering for the first time
};
