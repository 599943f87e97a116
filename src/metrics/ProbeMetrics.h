#pragma once

#include "metrics/MetricsExposition.h"

#include <QObject>

class HostCounterTable;
class HostListModel;
class MetricsServer;
class QHostAddress;
class ResultsModel;

// The metrics of a running probe: counters that follow the results table, the figures of the rounds, and the
// endpoint that renders them on each scrape.
class ProbeMetrics : public QObject
{
    Q_OBJECT
public:
    ProbeMetrics(const HostListModel& hosts, const ResultsModel& results, QString version, QObject* parent = nullptr);

    // The port listened on, or 0 (and errorString) when it cannot listen.
    quint16 listen(const QHostAddress& address, quint16 port);
    QString errorString() const { return m_errorString; }

    void roundFinished(qint64 durationMs);
    // Where vantrel_up comes from when something better than the last outcome knows it (host states).
    void setUpSource(MetricsExposition::UpOf up) { m_up = std::move(up); }

    QByteArray render() const;

private:
    const HostListModel& m_hosts;
    const ResultsModel& m_results;
    HostCounterTable* m_counters;
    MetricsServer* m_server;
    ProbeFigures m_figures;
    MetricsExposition::UpOf m_up;
    QString m_errorString;
};
