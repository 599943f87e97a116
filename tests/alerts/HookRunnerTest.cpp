#include "alerts/HookRunner.h"

#include "tests/fakes/FakeCommandRunner.h"

#include <QtTest>

namespace
{
HostEvents events(int n)
{
    HostEvents out;
    for (int i = 0; i < n; ++i)
        out << HostEvent{QStringLiteral("h%1").arg(i), HostState::Down,
                         QDateTime(QDate(2026, 3, 4), QTime(10, 0, i), Qt::OffsetFromUTC, 3600), std::nullopt,
                         QStringLiteral("Request timed out.")};
    return out;
}
} // namespace

class HookRunnerTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void commandWordsWithoutShell_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("program only") << "/usr/local/bin/page-me"
                                      << "/usr/local/bin/page-me" << QStringList{};
        QTest::newRow("quoted words") << "notify-send 'host change' \"$VANTREL_HOST\""
                                      << "notify-send" << QStringList{"host change", "$VANTREL_HOST"};
        QTest::newRow("escapes") << "run a\\ b \"x\\\"y\" 'it''s'"
                                 << "run" << QStringList{"a b", "x\"y", "its"};
        QTest::newRow("a shell when asked") << "sh -c 'echo $VANTREL_HOST >>/tmp/x'"
                                            << "sh" << QStringList{"-c", "echo $VANTREL_HOST >>/tmp/x"};
    }
    void commandWordsWithoutShell()
    {
        QFETCH(QString, command);
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        FakeCommandRunner runner;
        HookRunner hook(runner);
        hook.setCommand(command);
        hook.run(events(1));
        QCOMPARE(runner.requests.size(), 1);
        QCOMPARE(runner.requests.at(0).program, program);
        QCOMPARE(runner.requests.at(0).arguments, arguments);
        QCOMPARE(runner.requests.at(0).timeoutMs, 30000);
    }

    void environmentDescribesTheEvent()
    {
        HostEvent up{QStringLiteral("a.lab"), HostState::Up,
                     QDateTime(QDate(2026, 3, 4), QTime(10, 0, 5), Qt::OffsetFromUTC, 3600), 65,
                     QStringLiteral("Success")};
        const QMap<QString, QString> env = HookRunner::environmentFor(up);
        QCOMPARE(env.value("VANTREL_HOST"), "a.lab");
        QCOMPARE(env.value("VANTREL_STATE"), "up");
        QCOMPARE(env.value("VANTREL_SINCE"), "2026-03-04T10:00:05+01:00");
        QCOMPARE(env.value("VANTREL_DURATION_S"), "65");
        QCOMPARE(env.value("VANTREL_STATUS"), "Success");
        QCOMPARE(HookRunner::environmentFor(events(1).first()).value("VANTREL_DURATION_S"), QString());
    }

    void atMostFourAtATimeAndFailuresReported()
    {
        FakeCommandRunner runner;
        HookRunner hook(runner);
        QSignalSpy failed(&hook, &HookRunner::failed);
        hook.setCommand(QStringLiteral("hook"));
        hook.run(events(6));
        QCOMPARE(runner.requests.size(), 4);
        QCOMPARE(hook.waiting(), 2);
        runner.finish(0, QStringLiteral("hook exited with status 1"));
        runner.finish(1);
        QTRY_COMPARE(runner.requests.size(), 6);
        QCOMPARE(runner.requests.at(5).environment.value("VANTREL_HOST"), "h5");
        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed.at(0).at(0).toString(), "on-change command for h0 down: hook exited with status 1");
        hook.setCommand(QString());
        hook.run(events(2));
        QCOMPARE(runner.requests.size(), 6);
    }
};

QTEST_GUILESS_MAIN(HookRunnerTest)
#include "HookRunnerTest.moc"
