#include "monitor/PingRound.h"

#include "core/ErrorLocations.h"
#include "core/GuardedProcedure.h"
#include "core/ResultsModel.h"
#include "core/SessionState.h"
#include "ping/HostAddress.h"
#include "platform/Clock.h"
#include "platform/HostResolver.h"

#include <QTimer>

namespace
{

// Where the error box says recording an outcome stopped. Users quote these numbers in reports, so they
// never change.
struct RecordStep {
    enum : int { Success = 150, Failure = 170 };
};

} // namespace

PingRound::PingRound(HostListModel& hosts, ResultsModel& results, SessionState& state, ErrorBox& errorBox,
                     EchoService& echo, HostResolver& resolver, Clock& clock, std::function<bool()> monitoringOn,
                     int number, QObject* parent)
    : QObject(parent), m_hosts(hosts), m_results(results), m_state(state), m_errorBox(errorBox), m_echo(echo),
      m_resolver(resolver), m_clock(clock), m_monitoringOn(std::move(monitoringOn))
{
    m_summary.number = number;
    m_lookupTimer.setSingleShot(true);
    connect(&m_lookupTimer, &QTimer::timeout, this, &PingRound::expireLookups);
}

void PingRound::start()
{
    m_elapsed.start();
    m_freshRows = m_state.hostListChanged;
    m_state.hostListChanged = false;
    m_entries = m_hosts.entries(); // the host count is taken once, here
    m_summary.hosts = static_cast<int>(m_entries.size());
    // Room for the rows of a round that builds them all (after the list changed or the results were
    // cleared), made at once: a table of 100,000 rows grown step by step holds its old and its new copy at
    // the same moment, half as much again as the rows themselves.
    if (m_freshRows || m_results.count() == 0)
        m_results.reserveRows(m_entries.size());
    m_walking = true;
    dispatchSlice();
}

void PingRound::stop()
{
    if (m_stopped || m_finished)
        return;
    m_stopped = true;
    m_walking = false;
    settle();
}

void PingRound::dispatchSlice()
{
    if (!m_walking)
        return;
    const qsizetype end = std::min(m_next + m_sliceSize, m_entries.size());
    while (m_next < end) {
        if (!m_monitoringOn() || m_state.hostListChanged) {
            stop();
            return;
        }
        dispatchHost(m_entries.at(m_next++));
    }
    if (m_next < m_entries.size()) {
        QTimer::singleShot(0, this, &PingRound::dispatchSlice);
        return;
    }
    m_walking = false;
    settle();
}

void PingRound::dispatchHost(const HostEntry& entry)
{
    if (!m_hosts.contains(entry.id))
        return; // removed from the list during the round
    quint64 rowId = m_freshRows ? 0 : m_results.rowIdForHost(entry.id);
    if (rowId == 0)
        rowId = m_results.appendRow(entry.id, entry.text);

    if (!HostAddress::isHostName(entry.text)) {
        sendEcho(rowId, entry.text);
        return;
    }
    const quint64 lookup = m_nextLookup++;
    m_lookups.emplace(lookup, Lookup{rowId, m_elapsed.elapsed() + m_lookupDeadlineMs});
    if (!m_lookupTimer.isActive())
        m_lookupTimer.start(m_lookupDeadlineMs);
    m_resolver.resolve(entry.text, this, [this, lookup](const QString& address) {
        const auto it = m_lookups.find(lookup);
        if (it == m_lookups.end())
            return; // answered after its deadline: the host has failed this round already
        const quint64 row = it->second.rowId;
        m_lookups.erase(it);
        // A name that does not resolve still goes to the echo, which answers it with a failure.
        sendEcho(row, address);
    });
}

void PingRound::expireLookups()
{
    const qint64 now = m_elapsed.elapsed();
    while (!m_lookups.empty() && m_lookups.begin()->second.deadlineMs <= now) {
        const quint64 row = m_lookups.begin()->second.rowId;
        m_lookups.erase(m_lookups.begin());
        // As for a name that does not resolve: the echo answers the empty text with a failure.
        sendEcho(row, QString());
    }
    if (!m_lookups.empty())
        m_lookupTimer.start(static_cast<int>(std::max<qint64>(1, m_lookups.begin()->second.deadlineMs - now)));
}

void PingRound::sendEcho(quint64 rowId, const QString& address)
{
    // Each echo is answered exactly once, so a count tells when the last has come back. The callback holds
    // no more than fits in std::function itself: a round makes one per host.
    ++m_echoesInFlight;
    m_echo.send(address, this, [this, rowId](const EchoReply& reply) {
        --m_echoesInFlight;
        record(rowId, reply);
        settle();
    });
}

void PingRound::record(quint64 rowId, const EchoReply& reply)
{
    GuardedProcedure g(m_errorBox, ErrorLocations::RecordOutcome);
    const bool success = reply.status == EchoStatus::Success;
    bool recorded = false;
    g.step(success ? RecordStep::Success : RecordStep::Failure, [&] {
        const QDateTime now = m_clock.now();
        recorded = success ? m_results.recordSuccess(rowId, reply.address, reply.roundTripMs, reply.ttl, now)
                           : m_results.recordFailure(rowId, static_cast<quint32>(reply.status), now);
    });
    if (!recorded)
        return;
    ++m_summary.pinged;
    ++(success ? m_summary.successes : m_summary.failures);
}

void PingRound::settle()
{
    if (m_finished || m_walking || m_echoesInFlight > 0 || !m_lookups.empty())
        return;
    m_finished = true;
    m_summary.durationMs = m_elapsed.elapsed();
    Q_EMIT finished(m_summary);
}
