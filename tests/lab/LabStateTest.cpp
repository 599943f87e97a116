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
#include "core/SessionState.h"
#include "monitor/Monitor.h"
#include "ping/LinuxEchoService.h"
#include "platform/QtCommandRunner.h"
#include "platform/QtHostResolver.h"
#include "platform/SystemPreciseClock.h"
#include "platform/SystemRandom.h"
#include "results/ResultsModel.h"
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
        FakeClock clock; // the log's clock; the events' times are the echoes' own
        Monitor monitor(hosts, results.table(), state, errorBox, boxes, echo, resolver);
        results.table().setStateThresholds({3, 1});

        QTemporaryDir dir;
        EventDetector detector(results.table());
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
        QVERIFY(answerEchoes(true));
        // When each round began and ended: an echo's time falls between the two.
        QList<std::pair<QDateTime, QDateTime>> spans;
        auto oneRound = [&](int number) {
            const QDateTime begun = QDateTime::currentDateTimeUtc();
            QTest::qWait(1100); // rounds a second apart at least, so the outage lasts whole seconds
            monitor.runRoundNow();
            const bool done = QTest::qWaitFor([&] { return finished.size() == number; }, 20000);
            spans.append({begun, QDateTime::currentDateTimeUtc()});
            return done;
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

        const HostEvent down = recorded.at(0);
        const HostEvent up = recorded.at(1);
        QCOMPARE(down, (HostEvent{"answer.lab", HostState::Down, down.when, std::nullopt, "Request timed out",
                                  HostEvent::Kind::State, HostState::Up}));
        QCOMPARE(up, (HostEvent{"answer.lab", HostState::Up, up.when, up.durationSecs, "Success",
                                HostEvent::Kind::State, HostState::Down}));
        const auto within = [&](const QDateTime& when, int round) {
            return spans.at(round - 1).first <= when && when <= spans.at(round - 1).second;
        };
        QVERIFY2(within(down.when, 3), qPrintable(down.when.toString(Qt::ISODateWithMs))); // the streak's first
        QVERIFY2(within(up.when, 7), qPrintable(up.when.toString(Qt::ISODateWithMs)));
        QVERIFY(up.durationSecs && std::abs(*up.durationSecs - down.when.secsTo(up.when)) <= 1);

        QFile log(hookLog);
        QVERIFY(QTest::qWaitFor([&] { return log.size() > 0 && hook.isIdle(); }, 10000));
        QVERIFY(hookFailures.isEmpty());
        QVERIFY(log.open(QIODevice::ReadOnly));
        QStringList lines = QString::fromUtf8(log.readAll()).split(u'\n', Qt::SkipEmptyParts);
        lines.sort(); // "down" before "up", however the two commands were scheduled
        QCOMPARE(lines, (QStringList{"answer.lab|down|" + EventTexts::isoTime(down.when) + "||Request timed out",
                                     "answer.lab|up|" + EventTexts::isoTime(up.when) + "|" +
                                         QString::number(*up.durationSecs) + "|Success"}));
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
