#include "platform/QtProcessRunner.h"

#include "platform/AppError.h"

#include <QtTest>

namespace
{
// Runs a shell snippet as a real child process and waits (bounded) for its captured text.
QString capture(QtProcessRunner& runner, const QString& program, const QStringList& args, bool out, bool err,
                int timeoutMs = 10000, const QStringList& environment = {})
{
    QString result;
    bool done = false;
    runner.capture(program, args, environment, out, err, timeoutMs, [&](const QString& text) {
        result = text;
        done = true;
    });
    if (!QTest::qWaitFor([&] { return done; }, 15000))
        return QStringLiteral("<no answer>");
    return result;
}
QStringList sh(const char* script)
{
    return {QStringLiteral("-c"), QString::fromLatin1(script)};
}
} // namespace

class QtProcessRunnerTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void capturesStreams_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("out");
        QTest::addColumn<bool>("err");
        QTest::addColumn<QString>("expected");
        QTest::newRow("no output") << sh("true") << true << false << QString();
        QTest::newRow("output only") << sh("echo out; echo err >&2") << true << false << QStringLiteral("out\n");
        QTest::newRow("error only") << sh("echo out; echo err >&2") << false << true << QStringLiteral("err\n");
        QTest::newRow("both interleaved in write order")
            << sh("echo 1; echo 2 >&2; echo 3; echo 4 >&2") << true << true << QStringLiteral("1\n2\n3\n4\n");
        QTest::newRow("UTF-8 split across reads")
            << sh("printf '\\303'; sleep 0.05; printf '\\266\\n'") << true << false << QStringLiteral("ö\n");
    }
    void capturesStreams()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, out);
        QFETCH(bool, err);
        QFETCH(QString, expected);
        QtProcessRunner runner;
        QCOMPARE(capture(runner, QStringLiteral("/bin/sh"), args, out, err), expected);
    }

    void longOutputArrivesWholeAndInOrder()
    {
        QtProcessRunner runner;
        const QString text = capture(runner, QStringLiteral("/bin/sh"), sh("seq 1 20000"), true, false);
        QCOMPARE(text.size(), 108894);
        QVERIFY(text.startsWith(QStringLiteral("1\n2\n3\n")));
        QVERIFY(text.endsWith(QStringLiteral("19999\n20000\n")));
    }

    void environmentIsAddedToTheInheritedOne()
    {
        QtProcessRunner runner;
        QCOMPARE(capture(runner, QStringLiteral("/bin/sh"), sh("echo \"$LC_ALL|$VANTREL_X|$HOME\""), true, false, 10000,
                         {QStringLiteral("LC_ALL=C"), QStringLiteral("VANTREL_X=a=b")}),
                 QStringLiteral("C|a=b|%1\n").arg(qEnvironmentVariable("HOME")));
    }

    void missingProgramGivesTheFailureText()
    {
        QtProcessRunner runner;
        QCOMPARE(capture(runner, QStringLiteral("/nonexistent/vantrel-no-such-program"), {}, true, false),
                 QStringLiteral("Failed to create process, check the path of the command line."));
    }

    void neitherStreamIsAnInvalidArgument()
    {
        QtProcessRunner runner;
        bool called = false;
        QVERIFY_THROWS_EXCEPTION(AppError, runner.capture(QStringLiteral("/bin/true"), {}, {}, false, false, 1000,
                                                          [&](const QString&) { called = true; }));
        QTest::qWait(50);
        QVERIFY(!called);
    }

    void runnerGoneBeforeTheAnswerCallsNobody()
    {
        bool called = false;
        {
            QtProcessRunner runner;
            runner.capture(QStringLiteral("/bin/sh"), sh("exec sleep 30"), {}, true, false, 0,
                           [&](const QString&) { called = true; });
        }
        QTest::qWait(50);
        QVERIFY(!called);
    }

    void hangingCommandEndsAtTheTimeout()
    {
        QtProcessRunner runner;
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(capture(runner, QStringLiteral("/bin/sh"), sh("echo early; exec sleep 30"), true, false, 300),
                 QStringLiteral("early\n"));
        QVERIFY(clock.elapsed() < 10000);
    }
};

QTEST_GUILESS_MAIN(QtProcessRunnerTest)
#include "QtProcessRunnerTest.moc"
