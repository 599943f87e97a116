#pragma once

#include "core/HostListModel.h"
#include "monitor/RoundSummary.h"
#include "ping/EchoService.h"
#include "results/HostTable.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <map>
#include <vector>

class ErrorBox;
class HostResolver;
class SessionState;

// One ping round over the host list as it stood when the round started.
//
// 1. Walk the entries in order, a slice at a time so the window keeps painting. Skip entries removed
//    since the start; stop walking once monitoring is switched off.
// 2. Give each entry its results row: a fresh one after hostListChanged or when it has none. The new rows of
//    a slice are added together.
// 3. Resolve host names (every round, never cached here); addresses were read when their row was made. The
//    echoes of a slice go to the echo service together, which paces the sends and makes each request as many
//    echoes as it is set to (their outcomes are counted in, one by one). All echoes of a round are in
//    flight together.
// 4. Hand each batch of outcomes to the results the moment it arrives. A row removed meanwhile takes nothing.
// 5. Finish when every host has been walked and every outcome is in. Switching off cancels the echoes not
//    yet sent; those already sent still update their rows.
class PingRound : public QObject, private EchoSink
{
    Q_OBJECT
public:
    PingRound(HostListModel& hosts, HostTable& results, SessionState& state, ErrorBox& errorBox, EchoService& echo,
              HostResolver& resolver, std::function<bool()> monitoringOn, int number, QObject* parent = nullptr);
    ~PingRound() override;

    // Hosts walked per turn of the event loop.
    static constexpr int DefaultSliceSize = 256;
    void setSliceSize(int hosts) { m_sliceSize = std::max(1, hosts); }
    // How long a name may take to resolve before the host fails this round as a name that does not resolve.
    static constexpr int DefaultLookupDeadlineMs = 2000;
    void setLookupDeadlineMs(int ms) { m_lookupDeadlineMs = std::max(1, ms); }
    // Walks these entries of the list instead of all of them (a target group's); before start().
    void setEntries(QList<HostEntry> entries)
    {
        m_entries = std::move(entries);
        m_ownEntries = true;
    }

    void start();
    // Monitoring was switched off: ping no further host, and drop the echoes not yet sent.
    void stop();
    bool isFinished() const { return m_finished; }

Q_SIGNALS:
    void finished(const RoundSummary& summary);
    // A name was looked up to another address than the last time; its row (and series) stays the same.
    void nameMoved(HostTable::Slot slot, const IpAddress& from, const IpAddress& to);

private:
    void echoesDone(std::span<const EchoOutcome> outcomes) override;
    void dispatchSlice();
    void request(HostTable::Slot slot);
    void lookUp(HostTable::Slot slot);
    void expireLookups();
    void sendNow(quint64 tag, const QString& address);
    void sendRequests();
    void settle();

    HostListModel& m_hosts;
    HostTable& m_results;
    SessionState& m_state;
    ErrorBox& m_errorBox;
    EchoService& m_echo;
    HostResolver& m_resolver;
    std::function<bool()> m_monitoringOn;

    QList<HostEntry> m_entries;
    bool m_ownEntries = false;
    quint64 m_removalsAtStart = 0;
    qsizetype m_next = 0;
    int m_sliceSize = DefaultSliceSize;
    int m_lookupDeadlineMs = DefaultLookupDeadlineMs;
    bool m_freshRows = false;
    bool m_walking = false;
    bool m_stopped = false;
    bool m_finished = false;
    int m_echoesOut = 0; // asked for, not yet answered or cancelled
    // Reused slice by slice.
    std::vector<HostEntry> m_newRows;
    std::vector<HostTable::Slot> m_sliceSlots;
    std::vector<EchoRequest> m_requests;
    // Lookups under way by their number, with the echo they are for; numbers rise, and so do deadlines.
    struct Lookup {
        quint64 tag = 0;
        qint64 deadlineMs = 0;
    };
    std::map<quint64, Lookup> m_lookups;
    quint64 m_nextLookup = 0;
    QTimer m_lookupTimer;
    QElapsedTimer m_elapsed;
    RoundSummary m_summary;
};
