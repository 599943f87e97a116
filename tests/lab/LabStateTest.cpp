// A lab host that stops answering mid-run and comes back: the down and up events, their times, the outage
// log and the on-change command. Run it inside the lab's client namespace (netlab.sh run -- LabStateTest);
// it silences answer.lab inside that host's own namespace ($NETLAB_ANSWER_NS).
#include "alerts/EventDetector.h"
#include "alerts/EventRecorder.h"
#include "alerts/EventTexts.h"
#include "alerts/HookRunner.h"
#include "alerts/SqliteEventStore.h"
#include "core/ErrorBox.h"
#include "core/HostListModel.h"
#include "results/ResultsModel.h"
#include "core/SessionState.h"
#include "monitor/Monitor.h"
#include "ping/LinuxEchoService.h"
#include "platform/QtCommandRunner.h"
#include "platform/QtHostResolver.h"
#include "platform/SystemPreciseClock.h"
#include "platform/SystemRandom.h"
#include "tests/fakes/FakeClock.h"
#include "tests/fakes/FakeMessageBoxes.h"
#include "tests/fakes/HostEventPrinter.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace
{
bool answerEchoes(bool on)
{
    return QProcess::execute(QStringLiteral("ip"),
                             {"netns", "exec", qEnvironmentVariable("NETLAB_ANSWER_NS"), "sysctl", "-qw",
                              QStringLiteral("net.ipv4.icmp_echo_ignore_all=%1").arg(on ? 0 : 1)}) == 0;
}
} // namespace

class LabStateTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("VANTREL_IN_LAB") || qEnvironmentVariableIsEmpty("NETLAB_ANSWER_NS"))
            QSKIP("runs only inside the network lab");
    }

    void silencedHostGoesDownAndComesBack()
    {
        HostListModel hosts;
        ResultsModel results;
        SessionState state;
        FakeMessageBoxes boxes;
        ErrorBox errorBox(boxes);
        SystemPreciseClock echoClock;
        SystemRandom echoRandom;
        LinuxEchoService echo(echoClock, echoRandom);
        QtHostResolver resolver;
        FakeClock clock; // ten seconds a round, so the outage has an exact length
        Monitor monitor(hosts, results, state, errorBox, boxes, echo, resolver, clock);
        results.setStateThresholds({3, 1});

        QTemporaryDir dir;
        EventDetector detector(results);
        EventRecorder recorder(std::make_unique<SqliteEventStore>(dir.filePath(QStringLiteral("events.sqlite"))), clock,
                               90);
        QtCommandRunner commands;
        HookRunner hook(commands);
        const QString hookLog = dir.filePath(QStringLiteral("hook.log"));
        hook.setCommand(QStringLiteral("sh -c 'echo \"$VANTREL_HOST|$VANTREL_STATE|$VANTREL_SINCE|$VANTREL_DURATION_S|"
                                       "$VANTREL_STATUS\" >>\"$0\"' ") +
                        hookLog);
        QStringList hookFailures;
        connect(&hook, &HookRunner::failed, this, [&](const QString& m) { hookFailures << m; });
        HostEvents recorded;
        connect(&monitor, &Monitor::roundFinished, &detector, &EventDetector::flush);
        connect(&detector, &EventDetector::eventsReady, &recorder, &EventRecorder::record);
        connect(&recorder, &EventRecorder::recorded, this, [&](const HostEvents& events) {
            recorded += events;
            hook.run(events);
        });
        recorder.start();
        QSignalSpy finished(&monitor, &Monitor::roundFinished);

        hosts.append(QStringList{"answer.lab", "127.0.0.1"});
        QVERIFY(monitor.startWithInterval(3600 * 1000)); // the test ticks by hand
        const QDateTime t0 = clock.current;
        QVERIFY(answerEchoes(true));
        auto oneRound = [&](int number) {
            clock.current = t0.addSecs(10 * (number - 1));
            monitor.runRoundNow();
            return QTest::qWaitFor([&] { return finished.size() == number; }, 20000);
        };
        for (int round = 1; round <= 2; ++round)
            QVERIFY(oneRound(round));
        QVERIFY(answerEchoes(false)); // rounds 3 to 6 go unanswered
        for (int round = 3; round <= 6; ++round)
            QVERIFY(oneRound(round));
        QTRY_COMPARE(recorded.size(), 1);
        QVERIFY(answerEchoes(true));
        QVERIFY(oneRound(7));
        QTRY_COMPARE(recorded.size(), 2);

        const HostEvent down{"answer.lab", HostState::Down, t0.addSecs(20), std::nullopt, "Request timed out"};
        const HostEvent up{"answer.lab", HostState::Up, t0.addSecs(60), 40, "Success"};
        QCOMPARE(recorded, (HostEvents{down, up}));

        QFile log(hookLog);
        QVERIFY(QTest::qWaitFor([&] { return log.size() > 0 && hook.isIdle(); }, 10000));
        QVERIFY(hookFailures.isEmpty());
        QVERIFY(log.open(QIODevice::ReadOnly));
        QStringList lines = QString::fromUtf8(log.readAll()).split(u'\n', Qt::SkipEmptyParts);
        lines.sort(); // "down" before "up", however the two commands were scheduled
        QCOMPARE(lines, (QStringList{"answer.lab|down|" + EventTexts::isoTime(down.when) + "||Request timed out",
                                     "answer.lab|up|" + EventTexts::isoTime(up.when) + "|40|Success"}));
        QVERIFY2(boxes.shown.isEmpty(), qPrintable(boxes.texts().join(u'|')));
    }

    void cleanupTestCase()
    {
        if (!qEnvironmentVariableIsEmpty("NETLAB_ANSWER_NS"))
            answerEchoes(true);
    }
};

QTEST_GUILESS_MAIN(LabStateTest)
#include "LabStateTest.moc"
