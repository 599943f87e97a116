#pragma once

#include "metrics/MetricsExposition.h"
#include "metrics/MetricsServer.h"

#include <QObject>
#include <memory>

class HostCounterColumns;
class ProbeEndpoint;
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
    // Whose metric names the endpoint serves: ours, or smokeping_prober's for the dashboards made for it.
    enum class Names { Vantrel, Smokeping };
    ProbeMetrics(const HostListModel& hosts, HostTable& results, QString version, Names names = Names::Vantrel,
                 QObject* parent = nullptr);
    ~ProbeMetrics() override;

    // TLS and basic auth for the endpoint; before listen().
    void setWebConfig(const WebConfig& config);
    // What /-/ready and /-/reload ask.
    void setLifecycle(MetricsServer::Lifecycle lifecycle);
    // What answers /probe.
    void setProbeEndpoint(ProbeEndpoint* endpoint);
    // The port listened on, or 0 (and errorString) when it cannot listen.
    quint16 listen(const QHostAddress& address, quint16 port);
    QString errorString() const { return m_errorString; }

    void roundFinished(qint64 durationMs);
    // For smokeping_prober's names: the source label (the address sent from; empty: the system's choice) and
    // where the count of failed socket reads comes from.
    void setSource(const QString& source) { m_source = source; }
    void setReceiveErrors(std::function<quint64()> count) { m_receiveErrors = std::move(count); }
    // Where the per-host figures of the kept history come from; none: no history is kept.
    void setHistoryFigures(HistoryFiguresOf figures) { m_history = std::move(figures); }
    // The target groups' labels of each host's series; none: only host.
    void setSeriesLabels(SeriesLabelsOf labels) { m_seriesLabels = std::move(labels); }

    QByteArray render() const;

private:
    const HostListModel& m_hosts;
    const HostTable& m_results;
    std::unique_ptr<HostCounterColumns> m_counters;
    MetricsServer* m_server;
    ProbeFigures m_figures;
    Names m_names;
    QString m_source;
    std::function<quint64()> m_receiveErrors;
    HistoryFiguresOf m_history;
    SeriesLabelsOf m_seriesLabels;
    QString m_errorString;
};
