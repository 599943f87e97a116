#include "app/gui/HostDetailsWindow.h"
#include "history/HistoryTable.h"
#include "metrics/ProbeMetrics.h"
#include "tests/app/gui/WindowFixture.h"

#include <QLabel>
#include <QtTest>

// Replies after their echo was settled come through the echo service's stray sink, outside any round: the
// session hands them to the results, which count no echo for them, and the history, the statistics, the
// details window and the metrics count them.
class StrayRepliesTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void lateAndDuplicateRepliesReachEveryReader()
    {
        WindowFixture f;
        MonitorSession::Options options;
        options.history = HistoryLimits{};
        options.metrics = true;
        f.makeWindow(options);
        f.hostList().append(QStringList{"127.0.0.1", "127.0.0.2"});
        QVERIFY(f.monitor().startWithInterval(3600 * 1000));
        f.monitor().runRoundNow();
        QTRY_COMPARE(f.echo.requests.size(), 2);
        const IpAddress twice = IpAddress::fromIpv4(0x7f000001);
        f.echo.answer(0, FakeEchoService::success(twice, 4, 64));
        f.echo.answer(1, FakeEchoService::failure(11010));
        QTRY_VERIFY(!f.monitor().roundRunning()); // the round is over and gone before the strays come
        f.echo.strayReply(0, EchoOutcome::Kind::Duplicate, FakeEchoService::success(twice, 5, 64));
        f.echo.strayReply(1, EchoOutcome::Kind::Late,
                          FakeEchoService::success(IpAddress::fromIpv4(0x7f000002), 300, 64));

        const HostTable& table = f.table();
        const HostTable::Slot dup = table.slotAt(0);
        const HostTable::Slot slow = table.slotAt(1);
        QCOMPARE(table.succeeded(dup), quint64(1));
        QCOMPARE(table.failed(dup), quint64(0));
        QCOMPARE(table.succeeded(slow), quint64(0));
        QCOMPARE(table.failed(slow), quint64(1));
        QCOMPARE(f.results().cellText(1, ResultsModel::LastStatus), QStringLiteral("Request timed out"));

        const ResultsSnapshot stats = HistoryTable::snapshot(table, *f.session->historyStore());
        QCOMPARE(stats.rows.at(0).mid(8), (QStringList{"0.000", "0", "1", "4.40"}));
        QCOMPARE(stats.rows.at(1).mid(8), (QStringList{"", "1", "0", "1.00"}));

        const QByteArray metrics = f.session->metrics()->render();
        for (const char* line :
             {"vantrel_duplicate_replies_total{host=\"127.0.0.1\"} 1\n",
              "vantrel_late_replies_total{host=\"127.0.0.1\"} 0\n",
              "vantrel_late_replies_total{host=\"127.0.0.2\"} 1\n",
              "vantrel_echo_replies_total{host=\"127.0.0.1\"} 1\n",
              "vantrel_rtt_stddev_seconds{host=\"127.0.0.1\"} 0\n", "vantrel_mos{host=\"127.0.0.2\"} 1\n"})
            QVERIFY2(metrics.contains(line), line);
        QVERIFY(!metrics.contains("vantrel_rtt_stddev_seconds{host=\"127.0.0.2\"}"));

        HostDetailsWindow* details = f.detailsWindows().open(table.tagOf(dup));
        QVERIFY(details);
        QCOMPARE(details->findChild<QLabel*>(QStringLiteral("strays"))->text(), QStringLiteral("0 late, 1 duplicate"));
        QCOMPARE(details->findChild<QLabel*>(QStringLiteral("mos"))->text(), QStringLiteral("4.40"));
        QCOMPARE(details->findChild<QLabel*>(QStringLiteral("stddev"))->text(), QStringLiteral("0.000 ms"));
        // A stray that comes while the window is open shows without another echo.
        f.echo.strayReply(0, EchoOutcome::Kind::Duplicate, FakeEchoService::success(twice, 6, 64));
        QTRY_COMPARE(details->findChild<QLabel*>(QStringLiteral("strays"))->text(),
                     QStringLiteral("0 late, 2 duplicate"));
    }
};

QTEST_MAIN(StrayRepliesTest)
#include "StrayRepliesTest.moc"
