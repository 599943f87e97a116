// Real rounds from the monitor against the network lab and loopback: run it inside the lab's client
// namespace (tests/lab/netlab.sh run -- LabRoundTest). Every address it pings exists only in the lab.
#include "core/ErrorBox.h"
#include "core/HostListModel.h"
#include "core/SessionState.h"
#include "monitor/Monitor.h"
#include "ping/LinuxEchoService.h"
#include "platform/QtHostResolver.h"
#include "platform/SystemPreciseClock.h"
#include "platform/SystemRandom.h"
#include "results/ResultsModel.h"
#include "tests/fakes/FakeMessageBoxes.h"

#include <QtTest>

class LabRoundTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("VANTREL_IN_LAB"))
            QSKIP("runs only inside the network lab");
    }

    void twoRoundsFillEveryCell()
    {
        HostListModel hosts;
        ResultsModel results;
        results.setLocale(QLocale(QStringLiteral("en_US")));
        SessionState state;
        FakeMessageBoxes boxes;
        ErrorBox errorBox(boxes);
        SystemPreciseClock echoClock;
        SystemRandom random;
        LinuxEchoService echo(echoClock, random);
        QtHostResolver resolver;
        Monitor monitor(hosts, results.table(), state, errorBox, boxes, echo, resolver);
        const QDateTime started = QDateTime::currentDateTime().addSecs(-1);
        QSignalSpy finished(&monitor, &Monitor::roundFinished);

        hosts.append(QStringList{"answer.lab", "quiet.lab", "10.99.0.7", "10.98.0.1", "10.97.0.1", "127.0.0.1",
                                 "nosuch.lab", "10.0.0.300"});
        hosts.append(QStringList{"answer6.lab", "[FD00:77:2:0:0:0:0:2]", "quiet6.lab", "fd00:99::7", "fd00:98::1",
                                 "fd00:96::1", "fd00:97::1", "::1", "fd00::77::2", "fe80::1%nosuchinterface"});
        QVERIFY(monitor.startWithInterval(3600 * 1000)); // the test ticks by hand
        for (int round = 1; round <= 2; ++round) {
            monitor.runRoundNow();
            QTRY_COMPARE_WITH_TIMEOUT(finished.size(), round, 20000);
        }
        QVERIFY2(boxes.shown.isEmpty(), qPrintable(boxes.texts().join(u'|')));

        const QList<QStringList> rows = results.snapshot().rows;
        // The times are the echoes' own: local time, as the cells show it, within the run.
        const QDateTime finishedAt = QDateTime::currentDateTime().addSecs(1);
        auto inRun = [&](const QString& cell) {
            const QDateTime t =
                QLocale(QStringLiteral("en_US")).toDateTime(cell, QStringLiteral("M/d/yyyy h:mm:ss AP"));
            return t.isValid() && started <= t && t <= finishedAt;
        };
        QCOMPARE(rows.size(), 18);
        auto successRow = [&](int r, const QString& host, const QString& reply, const QString& ttl) {
            const QStringList& row = rows.at(r);
            QCOMPARE(row.mid(0, 6), (QStringList{host, reply, "2", "0", "0.00%", "Success"}));
            bool ok = false;
            QVERIFY(row.at(6).toInt(&ok) < 200 && ok);
            QCOMPARE(row.at(7), ttl);
            QVERIFY(row.at(8).toInt(&ok) < 200 && ok);
            QCOMPARE(row.at(9), QString());
            QVERIFY2(inRun(row.at(10)), qPrintable(row.at(10)));
            QCOMPARE(row.at(11), QString());
        };
        auto failureRow = [&](int r, const QString& host, const QString& status) {
            QCOMPARE(rows.at(r).mid(0, 11), (QStringList{host, "", "0", "2", "100.00%", status, "", "", "", "", ""}));
            QVERIFY2(inRun(rows.at(r).at(11)), qPrintable(rows.at(r).at(11)));
        };
        successRow(0, "answer.lab", "10.77.2.2", "63");
        failureRow(1, "quiet.lab", "Request timed out");
        failureRow(2, "10.99.0.7", "Request timed out");
        failureRow(3, "10.98.0.1", "Destination host unreachable");
        failureRow(4, "10.97.0.1", "TTL expired transit");
        successRow(5, "127.0.0.1", "127.0.0.1", "64");
        failureRow(6, "nosuch.lab", "Bad destination");
        failureRow(7, "10.0.0.300", "Bad destination");
        successRow(8, "answer6.lab", "fd00:77:2::2", "63");
        successRow(9, "[FD00:77:2:0:0:0:0:2]", "fd00:77:2::2", "63");
        failureRow(10, "quiet6.lab", "Request timed out");
        failureRow(11, "fd00:99::7", "Request timed out");
        failureRow(12, "fd00:98::1", "Destination network unreachable");
        failureRow(13, "fd00:96::1", "Destination host unreachable");
        failureRow(14, "fd00:97::1", "TTL expired transit");
        successRow(15, "::1", "::1", "64");
        failureRow(16, "fd00::77::2", "Bad destination");
        failureRow(17, "fe80::1%nosuchinterface", "Bad destination");
    }
};

QTEST_GUILESS_MAIN(LabRoundTest)
#include "LabRoundTest.moc"
