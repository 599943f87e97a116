#pragma once

#include "metrics/MetricsExposition.h"
#include "metrics/MetricsServer.h"

#include <QObject>
#include <memory>

class HostCounterColumns;
class HostListModel;
class QHostAddress;
class WebConfig;
class HostTable;

// The metrics of a running probe: counters that follow the results core, the figures of the rounds, and the
// endpoint that renders them on each scrape.
class ProbeMetrics : public QObject
{
    Q_OBJECT
public:
    ProbeMetrics(const HostListModel& hosts, HostTable& results, QString version, QObject* parent = nullptr);
    ~ProbeMetrics() override;

    // TLS and basic auth for the endpoint; before listen().
    void setWebConfig(const WebConfig& config);
    // What /-/ready and /-/reload ask.
    void setLifecycle(MetricsServer::Lifecycle lifecycle);
    // The port listened on, or 0 (and errorString) when it cannot listen.
    quint16 listen(const QHostAddress& address, quint16 port);
    QString errorString() const { return m_errorString; }

    void roundFinished(qint64 durationMs);
    // Where the per-host figures of the kept history come from; none: no history is kept.
    void setHistoryFigures(HistoryFiguresOf figures) { m_history = std::move(figures); }

    QByteArray render() const;

private:
    const HostListModel& m_hosts;
    const HostTable& m_results;
    std::unique_ptr<HostCounterColumns> m_counters;
    MetricsServer* m_server;
    ProbeFigures m_figures;
    HistoryFiguresOf m_history;
    QString m_errorString;
};
