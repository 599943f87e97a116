#include "monitor/Monitor.h"

#include "core/AppTexts.h"
#include "core/ErrorLocations.h"
#include "core/GuardedProcedure.h"
#include "core/HostListModel.h"
#include "core/SessionState.h"
#include "monitor/PauseText.h"
#include "monitor/PingRound.h"
#include "platform/MessageBoxes.h"
#include "results/HostTable.h"

Monitor::Monitor(HostListModel& hosts, HostTable& results, SessionState& state, ErrorBox& errorBox, MessageBoxes& boxes,
                 EchoService& echo, HostResolver& resolver, QObject* parent)
    : QObject(parent), m_hosts(hosts), m_results(results), m_session(state), m_errorBox(errorBox), m_boxes(boxes),
      m_echo(echo), m_resolver(resolver)
{
    m_roundTimer.setInterval(5000);
    // Rounds start tick to tick, not from the end of the last round.
    m_roundTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_roundTimer, &QTimer::timeout, this, &Monitor::runRoundNow);
}

QString Monitor::caption() const
{
    return m_state == State::On ? AppTexts::StopCaption : AppTexts::StartCaption;
}

void Monitor::setState(State state)
{
    if (m_state == state)
        return;
    const QString before = caption();
    m_state = state;
    Q_EMIT stateChanged(state);
    if (caption() != before)
        Q_EMIT captionChanged(caption());
}

void Monitor::startOrStop(const QString& pauseText)
{
    if (isOn())
        stop();
    else
        start(pauseText);
}

bool Monitor::start(const QString& pauseText)
{
    if (isOn())
        return true;
    if (m_hosts.count() == 0) {
        m_boxes.information(m_session.applicationTitle, QStringLiteral("Enter host name or IP Address!"));
        return false;
    }
    GuardedProcedure g(m_errorBox, ErrorLocations::StartOrStop);
    // An unusable pause leaves monitoring off, rather than ticking at an interval nobody asked for.
    std::optional<int> interval;
    g.step(StartStopStep::ReadPause, [&] { interval = PauseText::toIntervalMs(pauseText); });
    if (!interval) {
        m_boxes.information(m_session.applicationTitle, PauseText::rangeMessage());
        return false;
    }
    switchOn(g, *interval);
    return isOn();
}

bool Monitor::startWithInterval(int intervalMs)
{
    if (isOn() || m_hosts.count() == 0)
        return isOn();
    GuardedProcedure g(m_errorBox, ErrorLocations::StartOrStop);
    switchOn(g, intervalMs);
    return isOn();
}

void Monitor::switchOn(GuardedProcedure& g, int intervalMs)
{
    g.step(StartStopStep::StartTimer, [&] {
        m_roundTimer.setInterval(intervalMs);
        m_roundTimer.start();
    });
    g.step(StartStopStep::ShowStopCaption, [&] { setState(State::On); });
}

void Monitor::stop()
{
    if (!isOn())
        return;
    GuardedProcedure g(m_errorBox, ErrorLocations::StartOrStop);
    g.step(StartStopStep::StopTimer, [&] { m_roundTimer.stop(); });
    g.step(StartStopStep::ShowStartCaption, [&] { setState(m_round ? State::Stopping : State::Off); });
    // A running round pings no further host; outcomes already under way still land.
    if (m_round)
        m_round->stop();
}

void Monitor::clearResults()
{
    GuardedProcedure g(m_errorBox, ErrorLocations::ClearResults);
    if (isOn())
        return;
    g.step(ClearResultsStep::ClearTable, [&] { m_results.clear(); });
    g.step(ClearResultsStep::MarkHostListChanged, [&] { m_session.hostListChanged = true; });
}

void Monitor::deleteResultRow(int row)
{
    if (m_session.isBusy() || isOn() || m_results.rowCount() == 0 || row < 0)
        return;
    m_results.removeRows(row, 1);
}

void Monitor::runRoundNow()
{
    if (m_round)
        return; // a tick during a round is dropped
    auto* round = new PingRound(
        m_hosts, m_results, m_session, m_errorBox, m_echo, m_resolver, [this] { return m_state == State::On; },
        ++m_rounds, this);
    m_round = round;
    round->setSliceSize(m_sliceSize);
    round->setLookupDeadlineMs(m_lookupDeadlineMs);
    if (m_roundEntries)
        round->setEntries(m_roundEntries());
    connect(round, &PingRound::finished, this, &Monitor::roundEnded);
    connect(round, &PingRound::nameMoved, this, &Monitor::nameMoved);
    Q_EMIT roundStarted(m_rounds);
    round->start();
}

void Monitor::roundEnded(const RoundSummary& summary)
{
    if (m_round)
        m_round->deleteLater();
    m_round = nullptr;
    if (m_state == State::Stopping)
        setState(State::Off);
    Q_EMIT roundFinished(summary);
}

bool Monitor::roundRunning() const
{
    return !m_round.isNull();
}
