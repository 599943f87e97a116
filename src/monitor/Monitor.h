#pragma once

#include "RoundSummary.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

class Clock;
class EchoService;
class ErrorBox;
class GuardedProcedure;
class HostListModel;
class HostResolver;
class MessageBoxes;
class PingRound;
class ResultsModel;
class SessionState;

// Switches monitoring on and off, runs a round at every tick of the timer, and makes the hand edits of
// the results table that are allowed only while monitoring is off.
class Monitor : public QObject {
    Q_OBJECT
public:
    Monitor(HostListModel& hosts, ResultsModel& results, SessionState& state, ErrorBox& errorBox,
            MessageBoxes& boxes, EchoService& echo, HostResolver& resolver, Clock& clock, QObject* parent = nullptr);

    // The start/stop button's caption, which also says whether monitoring is on.
    QString caption() const { return m_caption; }
    bool isOn() const { return Timer1.isActive(); }
    int intervalMs() const { return Timer1.interval(); }
    bool roundBusy() const { return RoundBusy; }
    const QString& savedStartCaption() const { return SavedStartCaption; }

    void PushButton17_Click(const QString& pauseText); // start or stop, by the caption
    void PushButton2_Click();                          // "Clear Results"
    void deleteResultRow(int row);                     // Delete on the results table (-1: none selected)
    void Timer1_Timer();                               // one round
    // Switches monitoring on with an interval already checked; false when the host list is empty.
    bool startMonitoring(int intervalMs);

    void setRoundSliceSize(int hosts) { m_sliceSize = hosts; }

Q_SIGNALS:
    void captionChanged(const QString& caption);
    void roundStarted(int number);
    void roundFinished(const RoundSummary& summary);

private:
    void setCaption(const QString& caption);
    void switchOn(GuardedProcedure& g, int intervalMs);
    void roundEnded(const RoundSummary& summary);

    HostListModel& m_hosts;
    ResultsModel& m_results;
    SessionState& m_state;
    ErrorBox& m_errorBox;
    MessageBoxes& m_boxes;
    EchoService& m_echo;
    HostResolver& m_resolver;
    Clock& m_clock;

    QTimer Timer1;
    QString m_caption;
    QString SavedStartCaption;
    bool RoundBusy = false;
    QPointer<PingRound> m_round;
    int m_rounds = 0;
    int m_sliceSize = 256;
};
