#include "monitor/PingRound.h"

#include "core/ErrorLocations.h"
#include "core/GuardedProcedure.h"
#include "core/SessionState.h"
#include "platform/HostResolver.h"

#include <QTimer>

PingRound::PingRound(HostListModel& hosts, HostTable& results, SessionState& state, ErrorBox& errorBox,
                     EchoService& echo, HostResolver& resolver, std::function<bool()> monitoringOn, int number,
                     QObject* parent)
    : QObject(parent), m_hosts(hosts), m_results(results), m_state(state), m_errorBox(errorBox), m_echo(echo),
      m_resolver(resolver), m_monitoringOn(std::move(monitoringOn))
{
    m_summary.number = number;
    m_lookupTimer.setSingleShot(true);
    connect(&m_lookupTimer, &QTimer::timeout, this, &PingRound::expireLookups);
}

PingRound::~PingRound()
{
    m_echo.detach(*this);
}

void PingRound::start()
{
    m_elapsed.start();
    m_freshRows = m_state.hostListChanged;
    m_state.hostListChanged = false;
    if (!m_ownEntries)
        m_entries = m_hosts.entries(); // the host count is taken once, here
    m_removalsAtStart = m_hosts.removals();
    m_summary.hosts = static_cast<int>(m_entries.size());
    // Room for the rows of a round that builds them all (after the list changed or the results were cleared),
    // made at once: columns of 100,000 rows grown step by step hold their old and new copies at the same moment.
    if (m_freshRows || m_results.rowCount() == 0)
        m_results.reserve(static_cast<std::size_t>(m_entries.size()));
    m_walking = true;
    dispatchSlice();
}

void PingRound::stop()
{
    if (m_stopped || m_finished)
        return;
    m_stopped = true;
    m_walking = false;
    m_echoesOut -= m_echo.cancel(*this);
    settle();
}

void PingRound::dispatchSlice()
{
    if (!m_walking)
        return;
    const qsizetype end = std::min(m_next + m_sliceSize, m_entries.size());
    // Which entries of the slice are pinged, and which of them need a new row; the new rows of the slice are
    // added in one go, in list order.
    m_newRows.clear();
    m_sliceSlots.clear();
    bool switchedOff = false;
    const bool removals = m_hosts.removals() != m_removalsAtStart;
    for (; m_next < end; ++m_next) {
        if (!m_monitoringOn() || m_state.hostListChanged) {
            switchedOff = true;
            break;
        }
        const HostEntry& entry = m_entries.at(m_next);
        if (removals && !m_hosts.contains(entry.id))
            continue; // removed from the list during the round
        const HostTable::Slot slot = m_freshRows ? HostTable::NoSlot : m_results.currentSlotOf(entry.id);
        if (slot == HostTable::NoSlot)
            m_newRows.push_back(entry);
        m_sliceSlots.push_back(slot);
    }
    if (!m_newRows.empty()) {
        std::vector<HostTable::Slot> added(m_newRows.size());
        m_results.appendRows(m_newRows, added.data());
        std::size_t k = 0;
        for (HostTable::Slot& slot : m_sliceSlots) {
            if (slot == HostTable::NoSlot)
                slot = added[k++];
        }
    }
    m_requests.clear();
    for (HostTable::Slot slot : m_sliceSlots)
        request(slot);
    sendRequests();
    if (switchedOff) {
        stop();
        return;
    }
    if (m_next < m_entries.size()) {
        QTimer::singleShot(0, this, &PingRound::dispatchSlice);
        return;
    }
    m_walking = false;
    settle();
}

void PingRound::request(HostTable::Slot slot)
{
    m_results.beginRound(slot);
    switch (m_results.target(slot)) {
    case HostTable::Target::Address: {
        EchoRequest echo;
        echo.tag = m_results.tagOf(slot);
        echo.target = m_results.address(slot);
        echo.valid = true;
        m_requests.push_back(echo);
        break;
    }
    case HostTable::Target::NoAddress: {
        // Not an address and no name either: the echo answers it with a failure, like any text it cannot use.
        EchoRequest echo;
        echo.tag = m_results.tagOf(slot);
        m_requests.push_back(echo);
        break;
    }
    case HostTable::Target::Name:
        lookUp(slot);
        break;
    }
}

void PingRound::sendRequests()
{
    if (m_requests.empty())
        return;
    // Each echo is answered exactly once unless cancelled, so a count tells when the last has come back.
    m_echoesOut += static_cast<int>(m_requests.size()) * m_echo.echoesPerRequest();
    m_echo.send(m_requests, *this);
    m_requests.clear();
}

void PingRound::lookUp(HostTable::Slot slot)
{
    const quint64 lookup = m_nextLookup++;
    m_lookups.emplace(lookup, Lookup{m_results.tagOf(slot), m_elapsed.elapsed() + m_lookupDeadlineMs});
    if (!m_lookupTimer.isActive())
        m_lookupTimer.start(m_lookupDeadlineMs);
    m_resolver.resolve(m_results.hostText(slot), this, [this, lookup](const QString& address) {
        const auto it = m_lookups.find(lookup);
        if (it == m_lookups.end())
            return; // answered after its deadline: the host has failed this round already
        const quint64 tag = it->second.tag;
        m_lookups.erase(it);
        // A name that does not resolve still goes to the echo, which answers it with a failure.
        sendNow(tag, address);
        settle();
    });
}

void PingRound::sendNow(quint64 tag, const QString& address)
{
    if (m_stopped)
        return; // switched off meanwhile: nothing more is sent
    m_requests.push_back(EchoRequest::forText(tag, address));
    if (const HostTable::Slot slot = m_results.slotOfTag(tag); slot != HostTable::NoSlot && m_requests.back().valid) {
        const IpAddress before = m_results.address(slot).address;
        if (m_results.setLookedUp(slot, m_requests.back().target))
            Q_EMIT nameMoved(slot, before, m_requests.back().target.address);
    }
    sendRequests();
}

void PingRound::expireLookups()
{
    const qint64 now = m_elapsed.elapsed();
    while (!m_lookups.empty() && m_lookups.begin()->second.deadlineMs <= now) {
        const quint64 tag = m_lookups.begin()->second.tag;
        m_lookups.erase(m_lookups.begin());
        // As for a name that does not resolve: the echo answers the empty text with a failure.
        sendNow(tag, QString());
    }
    if (!m_lookups.empty())
        m_lookupTimer.start(static_cast<int>(std::max<qint64>(1, m_lookups.begin()->second.deadlineMs - now)));
    settle();
}

void PingRound::echoesDone(std::span<const EchoOutcome> outcomes)
{
    m_echoesOut -= static_cast<int>(outcomes.size());
    GuardedProcedure g(m_errorBox, ErrorLocations::RecordOutcome);
    HostTable::Applied applied;
    const int step = outcomes.front().answered() ? ErrorLocations::RecordOutcomeStep::Success
                                                 : ErrorLocations::RecordOutcomeStep::Failure;
    g.step(step, [&] { applied = m_results.apply(outcomes); });
    m_summary.pinged += applied.answered + applied.failed;
    m_summary.successes += applied.answered;
    m_summary.failures += applied.failed;
    settle();
}

void PingRound::settle()
{
    if (m_finished || m_walking || m_echoesOut > 0 || !m_lookups.empty())
        return;
    m_finished = true;
    m_summary.durationMs = m_elapsed.elapsed();
    Q_EMIT finished(m_summary);
}
