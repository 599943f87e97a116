#pragma once

#include "app/headless/HeadlessOptions.h"

#include <QObject>

class Clock;
class CommandRunner;
class EventDetector;
class HookRunner;
class EchoService;
class ErrorBox;
class HistoryRecorder;
class HistoryStore;
class HostListModel;
class HostResolver;
class MessageBoxes;
class Monitor;
class ProbeMetrics;
class ResultsModel;
class ResultsOutput;
class SessionState;
struct RoundSummary;

// Runs rounds without a window, with the same tables, rounds and writers as the window, and writes the
// results table once the last round is in.
class HeadlessRun : public QObject
{
    Q_OBJECT
public:
    HeadlessRun(HeadlessOptions options, EchoService& echo, HostResolver& resolver, Clock& clock, MessageBoxes& console,
                CommandRunner& commands, QObject* parent = nullptr);
    ~HeadlessRun() override;

    // Reads the lists and starts the first round; false (and finished) when the run cannot start.
    bool start();
    // SIGINT or SIGTERM: no further round; the round under way completes, then the output is written.
    void stop();
    // SIGHUP: reads the list files again and brings the host list in line; a list that cannot be read or
    // names no host leaves the hosts as they are.
    void reloadLists();

Q_SIGNALS:
    void finished(int exitCode);

private:
    void roundFinished(const RoundSummary& summary);
    void writeOutputAndFinish();
    void finishWhenHooksDone();
    void fail(const QString& message, int exitCode);
    // The entries of all list files, or an error message.
    QString readLists(QStringList& entries) const;

    HeadlessOptions m_options;
    MessageBoxes& m_console;
    HostListModel* m_hosts;
    ResultsModel* m_results;
    SessionState* m_state;
    ErrorBox* m_errorBox;
    Monitor* m_monitor;
    ResultsOutput* m_output;
    ProbeMetrics* m_metrics = nullptr;
    HistoryStore* m_history = nullptr; // only with --stats
    HistoryRecorder* m_historyRecorder = nullptr;
    EventDetector* m_events;
    HookRunner* m_hooks;
    bool m_stopping = false;
    bool m_done = false;
    bool m_written = false;
};
