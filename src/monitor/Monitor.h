#pragma once

#include "core/HostListModel.h"
#include "monitor/RoundSummary.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>

class EchoService;
class IpAddress;
class ErrorBox;
class GuardedProcedure;
class HostListModel;
class HostResolver;
class MessageBoxes;
class PingRound;
class HostTable;
class SessionState;

// Switches monitoring on and off, runs a round at every tick of the timer, and makes the hand edits of
// the results table that are allowed only while monitoring is off.
class Monitor : public QObject
{
    Q_OBJECT
public:
    // Off: no timer and no round. On: the timer ticks rounds. Stopping: switched off while a round is
    // still under way; its outcomes land, then the monitor is Off.
    enum class State { Off, On, Stopping };

    // Where the error box says the start/stop and Clear Results handlers stopped. Users quote these
    // numbers in reports, so they never change.
    struct StartStopStep {
        enum : int {
            ReadPause = 104,
            StartTimer = 106,
            ShowStopCaption = 110,
            StopTimer = 112,
            ShowStartCaption = 114
        };
    };
    struct ClearResultsStep {
        enum : int { ClearTable = 102, MarkHostListChanged = 104 };
    };

    Monitor(HostListModel& hosts, HostTable& results, SessionState& state, ErrorBox& errorBox, MessageBoxes& boxes,
            EchoService& echo, HostResolver& resolver, QObject* parent = nullptr);

    State state() const { return m_state; }
    bool isOn() const { return m_state == State::On; }
    // A round is under way (also while Stopping).
    bool roundRunning() const;
    int intervalMs() const { return m_roundTimer.interval(); }
    // Time until the timer starts the next round; -1 while monitoring is off.
    int msToNextRound() const { return isOn() ? m_roundTimer.remainingTime() : -1; }
    // The start/stop button's caption for the current state.
    QString caption() const;

    // Switches monitoring on with the pause the user typed, or tells the user why not (empty host list,
    // a pause outside its range). The first round comes one pause later. True when monitoring is on.
    bool start(const QString& pauseText);
    // Switches monitoring on with an interval already checked; false when the host list is empty.
    bool startWithInterval(int intervalMs);
    // Switches monitoring off: no further round, and the round under way pings no further host and drops the
    // echoes it has not sent yet.
    void stop();
    // The start/stop button: stop when on, otherwise start with the pause text.
    void startOrStop(const QString& pauseText);
    // Runs one round now, unless one is under way (a tick during a round is dropped).
    void runRoundNow();

    void clearResults();
    void deleteResultRow(int row); // Delete on the results table (-1: none selected)

    void setRoundSliceSize(int hosts) { m_sliceSize = hosts; }
    void setLookupDeadlineMs(int ms) { m_lookupDeadlineMs = ms; }
    // Each round walks what this gives (a target group's entries of the list) instead of the whole list.
    void setRoundEntries(std::function<QList<HostEntry>()> entries) { m_roundEntries = std::move(entries); }

Q_SIGNALS:
    void stateChanged(Monitor::State state);
    void captionChanged(const QString& caption);
    void roundStarted(int number);
    void roundFinished(const RoundSummary& summary);
    // A name was looked up to another address than the round before.
    void nameMoved(quint32 slot, const IpAddress& from, const IpAddress& to);

private:
    void setState(State state);
    void switchOn(GuardedProcedure& g, int intervalMs);
    void roundEnded(const RoundSummary& summary);

    HostListModel& m_hosts;
    HostTable& m_results;
    SessionState& m_session;
    ErrorBox& m_errorBox;
    MessageBoxes& m_boxes;
    EchoService& m_echo;
    HostResolver& m_resolver;

    State m_state = State::Off;
    QTimer m_roundTimer;
    QPointer<PingRound> m_round;
    int m_rounds = 0;
    int m_sliceSize = 256;
    int m_lookupDeadlineMs = 2000;
    std::function<QList<HostEntry>()> m_roundEntries;
};
