#include "Monitor.h"

#include "AppTexts.h"
#include "GuardedProcedure.h"
#include "HostListModel.h"
#include "MessageBoxes.h"
#include "PauseText.h"
#include "PingRound.h"
#include "ResultsModel.h"
#include "SessionState.h"

Monitor::Monitor(HostListModel& hosts, ResultsModel& results, SessionState& state, ErrorBox& errorBox,
                 MessageBoxes& boxes, EchoService& echo, HostResolver& resolver, Clock& clock, QObject* parent)
    : QObject(parent), m_hosts(hosts), m_results(results), m_state(state), m_errorBox(errorBox), m_boxes(boxes),
      m_echo(echo), m_resolver(resolver), m_clock(clock), m_caption(AppTexts::StartCaption)
{
    Timer1.setInterval(5000);
    // Rounds start tick to tick, not from the end of the last round.
    Timer1.setTimerType(Qt::PreciseTimer);
    connect(&Timer1, &QTimer::timeout, this, &Monitor::Timer1_Timer);
}

void Monitor::setCaption(const QString& caption)
{
    if (m_caption == caption)
        return;
    m_caption = caption;
    Q_EMIT captionChanged(caption);
}

void Monitor::PushButton17_Click(const QString& pauseText)
{
    GuardedProcedure g(m_errorBox, AppTexts::location("Form1", "PushButton17_Click"));
    if (m_caption != AppTexts::StopCaption) {
        if (m_hosts.count() == 0) { // (102)
            m_boxes.information(m_state.applicationTitle, QStringLiteral("Enter host name or IP Address!"));
            return;
        }
        // An unusable pause leaves monitoring off, rather than ticking at an interval nobody asked for.
        std::optional<int> interval;
        g.step(104, [&] { interval = PauseText::toIntervalMs(pauseText); });
        if (!interval) {
            m_boxes.information(m_state.applicationTitle, PauseText::rangeMessage());
            return;
        }
        switchOn(g, *interval);
        return;
    }
    g.step(112, [&] { Timer1.stop(); });
    g.step(114, [&] { setCaption(SavedStartCaption); });
    // A running round pings no further host; outcomes already under way still land.
    if (m_round)
        m_round->stop();
}

bool Monitor::startMonitoring(int intervalMs)
{
    if (isOn() || m_hosts.count() == 0)
        return isOn();
    GuardedProcedure g(m_errorBox, AppTexts::location("Form1", "PushButton17_Click"));
    switchOn(g, intervalMs);
    return isOn();
}

void Monitor::switchOn(GuardedProcedure& g, int intervalMs)
{
    g.step(106, [&] {
        Timer1.setInterval(intervalMs);
        Timer1.start();
    });
    g.step(108, [&] { SavedStartCaption = m_caption; });
    g.step(110, [&] { setCaption(AppTexts::StopCaption); });
}

void Monitor::PushButton2_Click()
{
    GuardedProcedure g(m_errorBox, AppTexts::location("Form1", "PushButton2_Click"));
    if (isOn()) // (100)
        return;
    g.step(102, [&] { m_results.clear(); });
    g.step(104, [&] { m_state.HostListChanged = true; });
}

void Monitor::deleteResultRow(int row)
{
    if (m_state.isBusy() || isOn() || m_results.count() == 0 || row < 0)
        return;
    m_results.removeAt(row);
}

void Monitor::Timer1_Timer()
{
    if (RoundBusy)
        return; // a tick during a round is dropped
    RoundBusy = true;
    auto* round = new PingRound(m_hosts, m_results, m_state, m_errorBox, m_echo, m_resolver, m_clock,
                                [this] { return m_caption != AppTexts::StartCaption; }, ++m_rounds, this);
    m_round = round;
    round->setSliceSize(m_sliceSize);
    connect(round, &PingRound::finished, this, &Monitor::roundEnded);
    Q_EMIT roundStarted(m_rounds);
    round->start();
}

void Monitor::roundEnded(const RoundSummary& summary)
{
    if (!isOn())
        Timer1.stop();
    m_state.HostListChanged = false;
    RoundBusy = false;
    if (m_round)
        m_round->deleteLater();
    Q_EMIT roundFinished(summary);
}
