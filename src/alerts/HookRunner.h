#pragma once

#include "alerts/HostEvent.h"

#include <QObject>
#include <QQueue>

class CommandRunner;

// Runs the user's command once for every event, with the event in its environment. No shell is involved
// unless the command names one. A few run at a time; the rest wait their turn, so a round never waits.
class HookRunner : public QObject
{
    Q_OBJECT
public:
    static constexpr int MaxRunning = 4;
    static constexpr int TimeoutMs = 30000;
    // Beyond this many waiting events new ones are dropped (and said so): a flood must not pile up forever.
    static constexpr int MaxWaiting = 10000;

    explicit HookRunner(CommandRunner& runner, QObject* parent = nullptr);

    // Words split as a shell would split them (quotes group words). Empty: no hook.
    void setCommand(const QString& command);
    QString command() const { return m_command; }
    void run(const HostEvents& events);

    int running() const { return m_running; }
    qsizetype waiting() const { return m_waiting.size(); }

    static QMap<QString, QString> environmentFor(const HostEvent& event);

    bool isIdle() const { return m_running == 0 && m_waiting.isEmpty(); }

Q_SIGNALS:
    void failed(const QString& message);
    // The last command waiting has ended.
    void idle();

private:
    void startNext();

    CommandRunner& m_runner;
    QString m_command;
    QStringList m_words;
    QQueue<HostEvent> m_waiting;
    int m_running = 0;
    bool m_dropReported = false;
};
