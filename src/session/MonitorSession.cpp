#include "session/MonitorSession.h"

#include "alerts/AlertRules.h"
#include "alerts/EventDetector.h"
#include "alerts/HookRunner.h"
#include "core/ErrorBox.h"
#include "core/HostListModel.h"
#include "core/SessionState.h"
#include "history/HistoryRecorder.h"
#include "history/HistoryStatistics.h"
#include "history/HistoryStore.h"
#include "metrics/ProbeMetrics.h"
#include "monitor/Monitor.h"
#include "ping/EchoService.h"
#include "results/HostTable.h"
#include "results/ResultsModel.h"

#include <vector>

MonitorSession::MonitorSession(SessionServices services, const Options& options, QObject* parent)
    : QObject(parent), m_services(services), m_hostList(new HostListModel(this)), m_state(new SessionState(this)),
      m_errorBox(std::make_unique<ErrorBox>(services.messageBoxes,
                                            options.plainErrors ? ErrorBox::Style::Line : ErrorBox::Style::Box)),
      m_table(std::make_unique<HostTable>())
{
    // The readers of the results, in the order they hear of each batch: the states are the core's own, then
    // the events, the history and the metrics, and the model last, so a view repaints over complete data.
    m_events = new EventDetector(*m_table, this);
    m_rules = new AlertRules(*m_table, *m_events, services.clock, this);
    if (options.history) {
        m_historyStore = std::make_unique<HistoryStore>(*options.history);
        m_history = new HistoryRecorder(*m_table, *m_historyStore, this);
    }
    if (options.metrics) {
        m_metrics = new ProbeMetrics(*m_hostList, *m_table, options.version, options.metricsNames, this);
        m_metrics->setReceiveErrors([&echo = services.echo] { return echo.receiveErrors(); });
        if (!options.probeAllow.isEmpty())
            m_metrics->setProbeEndpoint(
                new ProbeEndpoint(*m_table, services.echo, services.resolver, options.probeAllow, this));
    }
    if (m_metrics && m_historyStore) {
        m_metrics->setHistoryFigures([store = m_historyStore.get()](quint32 slot) {
            const HistoryStatistics s = HistoryStatistics::compute(store->outcomes(slot));
            return HistoryFigures{s.stddevMs, s.mos()};
        });
    }
    m_results = new ResultsModel(*m_table, this);
    m_monitor = new Monitor(*m_hostList, *m_table, *m_state, *m_errorBox, services.messageBoxes, services.echo,
                            services.resolver, this);
    m_hooks = new HookRunner(services.commands, this);
    services.echo.setStraySink(this);

    // A round's states are judged and its events go out together once it is over.
    connect(m_monitor, &Monitor::roundFinished, this, &MonitorSession::roundEnded);
    // Hosts leaving the list leave the rows that stand for it.
    connect(m_hostList, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex&, int first, int last) { hostsLeaving(first, last); });
    connect(m_hostList, &QAbstractItemModel::modelAboutToBeReset, this, [this] { m_table->allHostsUnlisted(); });
}

MonitorSession::~MonitorSession()
{
    m_services.echo.detach(*this);
    // The round goes before the table it writes into, and the readers before the table they watch.
    delete m_monitor;
    delete m_results;
    delete m_metrics;
    delete m_history;
    delete m_rules;
    delete m_events;
}

void MonitorSession::hostsLeaving(int first, int last)
{
    std::vector<quint64> ids;
    ids.reserve(static_cast<std::size_t>(last - first + 1));
    for (int i = first; i <= last; ++i)
        ids.push_back(m_hostList->entry(i).id);
    m_table->hostsUnlisted(ids);
}

void MonitorSession::setStateThresholds(const StateThresholds& thresholds)
{
    m_table->setStateThresholds(thresholds);
}

void MonitorSession::roundEnded()
{
    m_rules->roundEnded(); // judges the states, then flushes the events
}

void MonitorSession::echoesDone(std::span<const EchoOutcome> strays)
{
    m_table->apply(strays);
}
