#pragma once

#include "ping/EchoService.h"

#include <QHash>
#include <QSet>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>

class HostTable;

// Sits between the monitor and the real engine and keeps the books the stress test checks the table
// against: which addresses a round pinged, and how many outcomes landed in each results row.
//
// Each host entry of the test has an address of its own, so an address stands for one entry. An outcome
// is credited to the row its tag names at the moment it is delivered; a batch that changes the counts of any
// other row, or a row by more than its outcomes, is a violation.
class CountingEchoService : public EchoService
{
public:
    // hostOf maps an echoed address to the id of its host entry (0: unknown).
    CountingEchoService(EchoService& inner, HostTable& results, std::function<quint64(const QString&)> hostOf);
    ~CountingEchoService() override;

    void send(std::span<const EchoRequest> requests, EchoSink& sink) override;
    int cancel(EchoSink& sink) override;
    void detach(EchoSink& sink) override;

    // Connected to Monitor::roundStarted.
    void beginRound(int number);

    // Outcomes credited to the row with this tag so far.
    qint64 delivered(quint64 tag) const { return m_delivered.value(tag); }
    int sent() const { return m_sent; }
    int outcomes() const { return m_outcomes; }
    int dropped() const { return m_dropped; }
    const QStringList& violations() const { return m_violations; }

private:
    class Relay;
    Relay& relayFor(EchoSink& sink);
    qint64 totalCounts() const;
    void deliver(EchoSink& sink, std::span<const EchoOutcome> outcomes);

    EchoService& m_inner;
    HostTable& m_results;
    std::function<quint64(const QString&)> m_hostOf;
    std::map<EchoSink*, std::unique_ptr<Relay>> m_relays;
    int m_round = 0;
    QSet<QString> m_pingedThisRound;
    QHash<quint64, qint64> m_delivered;
    int m_sent = 0;
    int m_outcomes = 0;
    int m_dropped = 0;
    QStringList m_violations;
};
