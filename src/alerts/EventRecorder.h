#pragma once

#include "alerts/HostEvent.h"

#include <QObject>
#include <QThread>
#include <memory>

class Clock;
class EventStore;

// Keeps the outage log on a thread of its own, so writing a flood of events never holds up the window.
// Events are handed on (recorded) only once they are committed: whatever the user was shown survives a
// crash. Without a usable log they are handed on at once, and monitoring goes on.
class EventRecorder : public QObject
{
    Q_OBJECT
public:
    // From now on only the recorder's thread touches the store.
    EventRecorder(std::unique_ptr<EventStore> store, Clock& clock, int keepDays, QObject* parent = nullptr);
    ~EventRecorder() override;

    // Opens the log and prunes events older than keepDays.
    void start();
    void record(const HostEvents& events);
    // Events older than this many days are pruned from now on.
    void setKeepDays(int days);
    // Asks for the events from `from` on, newest first; the answer comes as loaded().
    void load(const QDateTime& from, int limit);

Q_SIGNALS:
    void recorded(const HostEvents& events);
    // Once, with a message for the user, when the log cannot be opened or written.
    void unavailable(const QString& message);
    void loaded(const HostEvents& events);

private:
    struct Worker;
    void onWorker(std::function<void(Worker&)> job);
    void pruneIfDue(Worker& w);
    void reportOnce(Worker& w, const QString& message);

    Clock& m_clock;
    QThread m_thread;
    Worker* m_worker;
};
