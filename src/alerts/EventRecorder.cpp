#include "alerts/EventRecorder.h"

#include "alerts/EventStore.h"
#include "platform/Clock.h"

struct EventRecorder::Worker : QObject {
    std::unique_ptr<EventStore> store;
    bool open = false;
    bool reported = false;
    int keepDays = 0;
    QDateTime lastPrune;
};

EventRecorder::EventRecorder(std::unique_ptr<EventStore> store, Clock& clock, int keepDays, QObject* parent)
    : QObject(parent), m_clock(clock), m_worker(new Worker)
{
    qRegisterMetaType<HostEvents>();
    m_worker->store = std::move(store);
    m_worker->keepDays = keepDays;
    m_worker->moveToThread(&m_thread);
    m_thread.setObjectName(QStringLiteral("outage log"));
    // The connection is closed on the thread that opened it.
    connect(
        &m_thread, &QThread::finished, m_worker, [w = m_worker] { w->store->close(); }, Qt::DirectConnection);
    m_thread.start();
}

EventRecorder::~EventRecorder()
{
    // Queued behind the events still waiting, so every one of them is written before the thread ends.
    onWorker([](Worker&) { QThread::currentThread()->quit(); });
    m_thread.wait();
    delete m_worker;
}

void EventRecorder::onWorker(std::function<void(Worker&)> job)
{
    QMetaObject::invokeMethod(
        m_worker, [w = m_worker, job = std::move(job)] { job(*w); }, Qt::QueuedConnection);
}

void EventRecorder::reportOnce(Worker& w, const QString& message)
{
    if (w.reported)
        return;
    w.reported = true;
    QMetaObject::invokeMethod(
        this, [this, message] { Q_EMIT unavailable(message); }, Qt::QueuedConnection);
}

void EventRecorder::pruneIfDue(Worker& w)
{
    const QDateTime now = m_clock.now();
    if (w.lastPrune.isValid() && w.lastPrune.secsTo(now) < 6 * 3600)
        return;
    w.lastPrune = now;
    w.store->pruneBefore(now.addDays(-w.keepDays));
}

void EventRecorder::setKeepDays(int days)
{
    onWorker([this, days](Worker& w) {
        w.keepDays = days;
        if (w.open) {
            w.lastPrune = QDateTime(); // a shorter period applies now, not at the next six-hourly prune
            pruneIfDue(w);
        }
    });
}

void EventRecorder::start()
{
    onWorker([this](Worker& w) {
        QString error;
        w.open = w.store->open(&error);
        if (!w.open)
            reportOnce(w, error);
        else
            pruneIfDue(w);
    });
}

void EventRecorder::record(const HostEvents& events)
{
    onWorker([this, events](Worker& w) {
        if (w.open) {
            QString error;
            if (!w.store->append(events, &error)) {
                reportOnce(
                    w,
                    QStringLiteral("The outage log cannot be written (%1). Monitoring goes on without it.").arg(error));
            } else {
                pruneIfDue(w);
            }
        }
        QMetaObject::invokeMethod(
            this, [this, events] { Q_EMIT recorded(events); }, Qt::QueuedConnection);
    });
}

void EventRecorder::load(const QDateTime& from, int limit)
{
    onWorker([this, from, limit](Worker& w) {
        HostEvents events = w.open ? w.store->newestFirst(from, limit) : HostEvents();
        QMetaObject::invokeMethod(
            this, [this, events = std::move(events)] { Q_EMIT loaded(events); }, Qt::QueuedConnection);
    });
}
