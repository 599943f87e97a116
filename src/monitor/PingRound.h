#pragma once

#include "core/HostListModel.h"
#include "monitor/RoundSummary.h"
#include "ping/EchoService.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <map>

class Clock;
class ErrorBox;
class HostResolver;
class ResultsModel;
class SessionState;

// One ping round over the host list as it stood when the round started.
//
// 1. Walk the entries in order, a slice at a time so the window keeps painting. Skip entries removed
//    since the start; stop walking once monitoring is switched off.
// 2. Give each entry its results row: a fresh one after hostListChanged or when it has none.
// 3. Resolve host names (every round, never cached here), then hand the echo to the echo service,
//    which paces the sends. All echoes of a round are in flight together.
// 4. Record each outcome in its row the moment it arrives. A row removed meanwhile takes nothing.
// 5. Finish when every host has been walked and every outcome is in. Switching off cancels the echoes
//    not yet sent; those already sent still update their rows.
class PingRound : public QObject
{
    Q_OBJECT
public:
    PingRound(HostListModel& hosts, ResultsModel& results, SessionState& state, ErrorBox& errorBox, EchoService& echo,
              HostResolver& resolver, Clock& clock, std::function<bool()> monitoringOn, int number,
              QObject* parent = nullptr);

    // Hosts walked per turn of the event loop.
    static constexpr int DefaultSliceSize = 256;
    void setSliceSize(int hosts) { m_sliceSize = std::max(1, hosts); }
    // How long a name may take to resolve before the host fails this round as a name that does not resolve.
    static constexpr int DefaultLookupDeadlineMs = 2000;
    void setLookupDeadlineMs(int ms) { m_lookupDeadlineMs = std::max(1, ms); }

    void start();
    // Monitoring was switched off: ping no further host.
    void stop();
    bool isFinished() const { return m_finished; }

Q_SIGNALS:
    void finished(const RoundSummary& summary);

private:
    void dispatchSlice();
    void dispatchHost(const HostEntry& entry);
    void sendEcho(quint64 rowId, const QString& address);
    void expireLookups();
    void record(quint64 rowId, const EchoReply& reply);
    void settle();

    HostListModel& m_hosts;
    ResultsModel& m_results;
    SessionState& m_state;
    ErrorBox& m_errorBox;
    EchoService& m_echo;
    HostResolver& m_resolver;
    Clock& m_clock;
    std::function<bool()> m_monitoringOn;

    QList<HostEntry> m_entries;
    qsizetype m_next = 0;
    int m_sliceSize = DefaultSliceSize;
    int m_lookupDeadlineMs = DefaultLookupDeadlineMs;
    bool m_freshRows = false;
    bool m_walking = false;
    bool m_stopped = false;
    bool m_finished = false;
    int m_echoesInFlight = 0;
    // Lookups under way by their number, with the row they are for; numbers rise, and so do deadlines.
    struct Lookup {
        quint64 rowId = 0;
        qint64 deadlineMs = 0;
    };
    std::map<quint64, Lookup> m_lookups;
    quint64 m_nextLookup = 0;
    QTimer m_lookupTimer;
    QElapsedTimer m_elapsed;
    RoundSummary m_summary;
};
