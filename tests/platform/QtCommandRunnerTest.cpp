#include "platform/QtCommandRunner.h"

#include <QtTest>

class QtCommandRunnerTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void reportsHowTheCommandEnded_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("timeoutMs");
        QTest::addColumn<QString>("failure"); // a part of the text; empty: success
        QTest::newRow("success") << "sh"
                                 << "exit 0" << 10000 << QString();
        QTest::newRow("environment added") << "sh"
                                           << "test \"$VANTREL_X\" = 'a b' && test -n \"$PATH\"" << 10000 << QString();
        QTest::newRow("exit status") << "sh"
                                     << "exit 3" << 10000 << "sh exited with status 3";
        QTest::newRow("signal") << "sh"
                                << "kill -9 $$" << 10000 << "sh ended by a signal";
        QTest::newRow("timeout") << "sh"
                                 << "sleep 20" << 300 << "sh killed after 0.3 s";
        QTest::newRow("no such program") << "/nonexistent/hook"
                                         << "" << 10000 << "/nonexistent/hook could not start";
    }
    void reportsHowTheCommandEnded()
    {
        QFETCH(QString, program);
        QFETCH(QString, script);
        QFETCH(int, timeoutMs);
        QFETCH(QString, failure);
        QtCommandRunner runner;
        int answers = 0;
        QString reported;
        runner.run(program, {QStringLiteral("-c"), script}, {{QStringLiteral("VANTREL_X"), QStringLiteral("a b")}},
                   timeoutMs, [&](const QString& text) {
                       ++answers;
                       reported = text;
                   });
        QVERIFY(QTest::qWaitFor([&] { return answers > 0; }, 15000));
        QTest::qWait(50); // a second answer would come now
        QCOMPARE(answers, 1);
        if (failure.isEmpty())
            QCOMPARE(reported, QString());
        else
            QVERIFY2(reported.startsWith(failure), qPrintable(reported));
    }
};

QTEST_GUILESS_MAIN(QtCommandRunnerTest)
#include "QtCommandRunnerTest.moc"
