#pragma once

#include "ping/EchoService.h"

#include <QHash>
#include <QSet>
#include <QStringList>
#include <functional>

class ResultsModel;

// Sits between the monitor and the real engine and keeps the books the stress test checks the tables
// against: which addresses a round pinged, and how many outcomes landed in each results row.
//
// Each host entry of the test has an address of its own, so an address stands for one entry. An outcome
// is credited to the row its host has at the moment it is delivered; a delivery that changes the counts of
// any other row, or more than one count, is a violation.
class CountingEchoService : public EchoService
{
public:
    // hostOf maps an echoed address to the id of its host entry (0: unknown).
    CountingEchoService(EchoService& inner, ResultsModel& results, std::function<quint64(const QString&)> hostOf);

    Ticket send(const QString& addressText, QObject* context, Done done) override;
    bool cancel(Ticket ticket) override;

    // Connected to Monitor::roundStarted.
    void beginRound(int number);

    // Outcomes credited to a results row so far.
    qint64 delivered(quint64 rowId) const { return m_delivered.value(rowId); }
    int sent() const { return m_sent; }
    int outcomes() const { return m_outcomes; }
    int dropped() const { return m_dropped; }
    const QStringList& violations() const { return m_violations; }

private:
    qint64 totalCounts() const;
    qint64 countsOf(quint64 rowId) const;
    void deliver(const QString& address, const Done& done, const EchoReply& reply);

    EchoService& m_inner;
    ResultsModel& m_results;
    std::function<quint64(const QString&)> m_hostOf;
    int m_round = 0;
    QSet<QString> m_pingedThisRound;
    QHash<quint64, qint64> m_delivered;
    int m_sent = 0;
    int m_outcomes = 0;
    int m_dropped = 0;
    QStringList m_violations;
};
