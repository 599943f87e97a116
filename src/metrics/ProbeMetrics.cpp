#include "metrics/ProbeMetrics.h"

#include "core/HostListModel.h"
#include "metrics/HostCounterColumns.h"
#include "metrics/MetricsServer.h"
#include "metrics/SmokepingExposition.h"

#include <QHostAddress>

ProbeMetrics::ProbeMetrics(const HostListModel& hosts, HostTable& results, QString version, Names names,
                           QObject* parent)
    : QObject(parent), m_hosts(hosts), m_results(results),
      m_counters(std::make_unique<HostCounterColumns>(
          results, names == Names::Smokeping ? std::span<const quint32>(HostCounterColumns::SmokepingBoundsUs)
                                             : std::span<const quint32>(HostCounterColumns::BucketBoundsUs))),
      m_server(new MetricsServer([this] { return render(); }, this)), m_names(names)
{
    m_figures.version = std::move(version);
}

ProbeMetrics::~ProbeMetrics() = default;

void ProbeMetrics::setWebConfig(const WebConfig& config)
{
    m_server->setWebConfig(config);
}

void ProbeMetrics::setProbeEndpoint(ProbeEndpoint* endpoint)
{
    m_server->setProbeEndpoint(endpoint);
}

void ProbeMetrics::setLifecycle(MetricsServer::Lifecycle lifecycle)
{
    m_server->setLifecycle(std::move(lifecycle));
}

quint16 ProbeMetrics::listen(const QHostAddress& address, quint16 port)
{
    const quint16 bound = m_server->listenOn(address, port);
    if (bound == 0)
        m_errorString = QStringLiteral("cannot listen on %1 port %2").arg(address.toString()).arg(port);
    return bound;
}

void ProbeMetrics::roundFinished(qint64 durationMs)
{
    ++m_figures.rounds;
    m_figures.lastRoundMs = durationMs;
}

QByteArray ProbeMetrics::render() const
{
    if (m_names == Names::Smokeping)
        return SmokepingExposition::render(m_results, *m_counters, m_source, m_receiveErrors ? m_receiveErrors() : 0,
                                           m_seriesLabels);
    ProbeFigures figures = m_figures;
    figures.hosts = m_hosts.count();
    return MetricsExposition::render(m_results, *m_counters, figures, m_history, m_seriesLabels);
}
