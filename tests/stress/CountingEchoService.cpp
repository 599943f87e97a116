#include "tests/stress/CountingEchoService.h"

#include "results/ResultsModel.h"

CountingEchoService::CountingEchoService(EchoService& inner, ResultsModel& results,
                                         std::function<quint64(const QString&)> hostOf)
    : m_inner(inner), m_results(results), m_hostOf(std::move(hostOf))
{
}

void CountingEchoService::beginRound(int number)
{
    m_round = number;
    m_pingedThisRound.clear();
}

EchoService::Ticket CountingEchoService::send(const QString& addressText, QObject* context, Done done)
{
    if (m_pingedThisRound.contains(addressText))
        m_violations.append(QStringLiteral("round %1 pinged %2 twice").arg(m_round).arg(addressText));
    m_pingedThisRound.insert(addressText);
    if (m_hostOf(addressText) == 0)
        m_violations.append(
            QStringLiteral("round %1 pinged %2, which no host entry has").arg(m_round).arg(addressText));
    // The last line of defence for the rule that the test talks to loopback only: anything else becomes a
    // text the engine refuses without sending.
    const bool loopback = addressText.startsWith(QLatin1String("127."));
    if (!loopback && !addressText.isEmpty())
        m_violations.append(
            QStringLiteral("round %1 tried to ping %2, outside loopback").arg(m_round).arg(addressText));
    ++m_sent;
    return m_inner.send(
        loopback ? addressText : QStringLiteral("not sent"), context,
        [this, addressText, done = std::move(done)](const EchoReply& reply) { deliver(addressText, done, reply); });
}

bool CountingEchoService::cancel(Ticket ticket)
{
    return m_inner.cancel(ticket);
}

void CountingEchoService::deliver(const QString& address, const Done& done, const EchoReply& reply)
{
    ++m_outcomes;
    const quint64 hostId = m_hostOf(address);
    const quint64 rowId = hostId ? m_results.rowIdForHost(hostId) : 0;
    const qint64 totalBefore = totalCounts();
    const qint64 rowBefore = countsOf(rowId);
    done(reply);
    const qint64 added = totalCounts() - totalBefore;
    if (added == 0) {
        ++m_dropped; // its row was removed or cleared while the echo was out
        return;
    }
    if (added == 1 && rowId != 0 && countsOf(rowId) == rowBefore + 1) {
        ++m_delivered[rowId];
        return;
    }
    m_violations.append(QStringLiteral("the outcome for %1 added %2 counts, %3 of them to its host's row")
                            .arg(address)
                            .arg(added)
                            .arg(countsOf(rowId) - rowBefore));
}

qint64 CountingEchoService::totalCounts() const
{
    qint64 total = 0;
    for (int i = 0; i < m_results.count(); ++i)
        total += m_results.row(i).succeeded + m_results.row(i).failed;
    return total;
}

qint64 CountingEchoService::countsOf(quint64 rowId) const
{
    const int i = rowId ? m_results.indexOfRowId(rowId) : -1;
    return i < 0 ? 0 : m_results.row(i).succeeded + m_results.row(i).failed;
}
