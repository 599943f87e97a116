#pragma once

#include "alerts/Silences.h"
#include "app/headless/HeadlessOptions.h"
#include "app/headless/TargetGroupMonitors.h"

#include <QObject>

class AlertmanagerClient;
class Clock;
class CommandRunner;
class EchoService;
class HostResolver;
class MessageBoxes;
class RandomSource;
class MonitorSession;
class ResultsOutput;
struct RoundSummary;
struct TargetGroup;

// Runs rounds without a window, with the same tables, rounds and writers as the window, and writes the
// results table once the last round is in.
class HeadlessRun : public QObject
{
    Q_OBJECT
public:
    HeadlessRun(HeadlessOptions options, EchoService& echo, HostResolver& resolver, MessageBoxes& console,
                CommandRunner& commands, Clock& clock, RandomSource& random, QObject* parent = nullptr);
    ~HeadlessRun() override;

    // How the probe makes an engine for each target group of --config; before start().
    void setGroupEngines(GroupEngineFactory engines) { m_engines = std::move(engines); }

    // Reads the lists and starts the first round; false (and finished) when the run cannot start.
    bool start();
    // SIGINT or SIGTERM: no further round; the round under way completes, then the output is written.
    void stop();
    // SIGHUP and POST /-/reload: reads the list files (and --config) again and brings the host list in line; a
    // list that cannot be read or names no host, or a bad target file, leaves the hosts as they are. Why it was
    // refused, or empty.
    QString reloadLists();

Q_SIGNALS:
    void finished(int exitCode);

private:
    // line: the target group's (0: the list files' with --config); -1 without --config.
    void roundFinished(const RoundSummary& summary, int line = -1);
    void nameMoved(const QString& host, const IpAddress& from, const IpAddress& to);
    void writeOutputAndFinish();
    void finishWhenHooksDone();
    void fail(const QString& message, int exitCode);
    // Degraded, dependencies, flapping, quiet periods and Alertmanager as the options say; false (and
    // finished) when one of them cannot be used.
    bool setUpAlerts();
    // The entries of all list files, or an error message.
    QString readLists(QStringList& entries) const;
    // --config's groups after a group of the list files' entries (when there are any), or "FILE:LINE: reason".
    QString readTargets(const QStringList& listEntries, QList<TargetGroup>& groups,
                        QList<Silences::Entry>& silences) const;
    // The config file's quiet periods replace those it gave before.
    void applyConfigSilences(const QList<Silences::Entry>& silences);
    QString reloadTargets();

    HeadlessOptions m_options;
    MessageBoxes& m_console;
    Clock& m_clock;
    RandomSource& m_random;
    AlertmanagerClient* m_alertmanager = nullptr;
    QList<Silences::Entry> m_configSilences; // read at start, applied once the alerts are set up
    QStringList m_configSilenced;            // the hosts the config file silenced
    MonitorSession* m_session;
    ResultsOutput* m_output;
    GroupEngineFactory m_engines;
    TargetGroupMonitors* m_groups = nullptr; // with --config: they run the rounds, not the session's monitor
    bool m_stopping = false;
    bool m_done = false;
    bool m_written = false;
    bool m_roundDone = false; // ready, for /-/ready
};
