#pragma once

#include "history/HistoryLimits.h"
#include "metrics/ProbeEndpoint.h"
#include "metrics/ProbeMetrics.h"
#include "ping/EchoSink.h"
#include "results/HostState.h"

#include <QObject>
#include <memory>
#include <optional>

class AlertRules;
class Clock;
class CommandRunner;
class EchoService;
class ErrorBox;
class EventDetector;
class HistoryRecorder;
class HistoryStore;
class HookRunner;
class HostListModel;
class HostResolver;
class HostTable;
class MessageBoxes;
class Monitor;
class ProbeMetrics;
class ResultsModel;
class SessionState;

// What a session reaches outside the program through; main() passes the real ones, tests the fakes.
struct SessionServices {
    EchoService& echo;
    HostResolver& resolver;
    MessageBoxes& messageBoxes;
    CommandRunner& commands;
    Clock& clock;
};

// The one place the monitoring parts are made and joined, for the window, headless mode and the probe alike:
// the host list, the results core and its Qt model, the monitor and its rounds, host states and their events,
// the on-change command, and when asked for, the history and the metrics.
//
//     host list -> monitor -> rounds -> echo service
//                                  `-> results core -> { model, states -> rules -> events -> hooks, history,
//                                                        metrics }
//
// Replies that come after their echo was settled (late, duplicate) outlive the round that asked: the session
// takes them from the echo service and hands them to the results core, for the history and the metrics.
class MonitorSession : public QObject, private EchoSink
{
    Q_OBJECT
public:
    struct Options {
        std::optional<HistoryLimits> history; // none: no history is kept
        bool metrics = false;
        ProbeMetrics::Names metricsNames = ProbeMetrics::Names::Vantrel;
        QList<ProbeEndpoint::Prefix> probeAllow; // /probe pings only in these; none: no /probe
        QString version;                         // for the metrics
        // Without a window an unexpected failure is one plain line, not the error box's text.
        bool plainErrors = false;
    };

    MonitorSession(SessionServices services, const Options& options, QObject* parent = nullptr);
    ~MonitorSession() override;

    HostListModel& hostList() { return *m_hostList; }
    SessionState& state() { return *m_state; }
    ErrorBox& errorBox() { return *m_errorBox; }
    HostTable& table() { return *m_table; }
    ResultsModel& results() { return *m_results; }
    Monitor& monitor() { return *m_monitor; }
    // Every event of a round, judged: listen here, not to the detector.
    AlertRules& alertRules() { return *m_rules; }
    HookRunner& hooks() { return *m_hooks; }
    // Null when not asked for.
    HistoryStore* historyStore() { return m_historyStore.get(); }
    HistoryRecorder* history() { return m_history; }
    ProbeMetrics* metrics() { return m_metrics; }

    void setStateThresholds(const StateThresholds& thresholds);
    // What follows every round: its monitor's, and those of other monitors over the same list and table (the
    // probe's target groups).
    void roundEnded();

private:
    void hostsLeaving(int first, int last);
    void echoesDone(std::span<const EchoOutcome> strays) override;

    SessionServices m_services;
    HostListModel* m_hostList;
    SessionState* m_state;
    std::unique_ptr<ErrorBox> m_errorBox;
    std::unique_ptr<HostTable> m_table;
    ResultsModel* m_results;
    Monitor* m_monitor;
    EventDetector* m_events;
    AlertRules* m_rules;
    HookRunner* m_hooks;
    std::unique_ptr<HistoryStore> m_historyStore;
    HistoryRecorder* m_history = nullptr;
    ProbeMetrics* m_metrics = nullptr;
};
