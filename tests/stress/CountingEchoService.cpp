#include "tests/stress/CountingEchoService.h"

#include "results/HostTable.h"

#include <vector>

// Stands in for one sink towards the engine, so that each batch passes the books on its way.
class CountingEchoService::Relay : public EchoSink
{
public:
    Relay(CountingEchoService& owner, EchoSink& sink) : m_owner(owner), m_sink(sink) {}
    ~Relay() override = default;
    void echoesDone(std::span<const EchoOutcome> outcomes) override { m_owner.deliver(m_sink, outcomes); }

private:
    CountingEchoService& m_owner;
    EchoSink& m_sink;
};

CountingEchoService::CountingEchoService(EchoService& inner, HostTable& results,
                                         std::function<quint64(const QString&)> hostOf)
    : m_inner(inner), m_results(results), m_hostOf(std::move(hostOf))
{
}

CountingEchoService::~CountingEchoService()
{
    for (auto& [sink, relay] : m_relays)
        m_inner.detach(*relay);
}

void CountingEchoService::beginRound(int number)
{
    m_round = number;
    m_pingedThisRound.clear();
}

CountingEchoService::Relay& CountingEchoService::relayFor(EchoSink& sink)
{
    std::unique_ptr<Relay>& relay = m_relays[&sink];
    if (!relay)
        relay = std::make_unique<Relay>(*this, sink);
    return *relay;
}

void CountingEchoService::send(std::span<const EchoRequest> requests, EchoSink& sink)
{
    std::vector<EchoRequest> forwarded(requests.begin(), requests.end());
    for (EchoRequest& request : forwarded) {
        const QString address = request.valid ? request.target.address.toString() : QString();
        if (!address.isEmpty() && m_pingedThisRound.contains(address))
            m_violations.append(QStringLiteral("round %1 pinged %2 twice").arg(m_round).arg(address));
        m_pingedThisRound.insert(address);
        if (request.valid && m_hostOf(address) == 0)
            m_violations.append(
                QStringLiteral("round %1 pinged %2, which no host entry has").arg(m_round).arg(address));
        // The last line of defence for the rule that the test talks to loopback only: anything else becomes a
        // request the engine refuses without sending.
        if (request.valid && !address.startsWith(QLatin1String("127."))) {
            m_violations.append(
                QStringLiteral("round %1 tried to ping %2, outside loopback").arg(m_round).arg(address));
            request.valid = false;
        }
        ++m_sent;
    }
    m_inner.send(forwarded, relayFor(sink));
}

int CountingEchoService::cancel(EchoSink& sink)
{
    return m_inner.cancel(relayFor(sink));
}

void CountingEchoService::detach(EchoSink& sink)
{
    const auto it = m_relays.find(&sink);
    if (it == m_relays.end())
        return;
    m_inner.detach(*it->second);
    m_relays.erase(it);
}

void CountingEchoService::deliver(EchoSink& sink, std::span<const EchoOutcome> outcomes)
{
    // What each row held before, and how many outcomes of the batch are its own.
    QHash<quint64, qint64> before;
    QHash<quint64, qint64> expected;
    qint64 live = 0;
    for (const EchoOutcome& o : outcomes) {
        ++m_outcomes;
        const HostTable::Slot slot = m_results.slotOfTag(o.tag);
        if (slot == HostTable::NoSlot) {
            ++m_dropped; // its row was removed or cleared while the echo was out
            continue;
        }
        ++live;
        ++expected[o.tag];
        before.insert(o.tag, qint64(m_results.succeeded(slot) + m_results.failed(slot)));
    }
    const qint64 totalBefore = totalCounts();
    sink.echoesDone(outcomes);
    const qint64 added = totalCounts() - totalBefore;
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        const HostTable::Slot slot = m_results.slotOfTag(it.key());
        const qint64 now = slot == HostTable::NoSlot ? -1 : qint64(m_results.succeeded(slot) + m_results.failed(slot));
        if (now != before.value(it.key()) + it.value()) {
            m_violations.append(QStringLiteral("a batch with %1 outcomes for %2 moved its counts from %3 to %4")
                                    .arg(it.value())
                                    .arg(m_results.hostText(HostTable::slotInTag(it.key())))
                                    .arg(before.value(it.key()))
                                    .arg(now));
            continue;
        }
        m_delivered[it.key()] += it.value();
    }
    if (added != live)
        m_violations.append(QStringLiteral("a batch of %1 live outcomes added %2 counts").arg(live).arg(added));
}

qint64 CountingEchoService::totalCounts() const
{
    qint64 total = 0;
    for (int i = 0; i < m_results.rowCount(); ++i) {
        const HostTable::Slot s = m_results.slotAt(i);
        total += qint64(m_results.succeeded(s) + m_results.failed(s));
    }
    return total;
}
