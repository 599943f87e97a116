#include "app/gui/HostDetailsWindow.h"
#include "app/gui/LatencyChart.h"
#include "export/JsonLinesWriter.h"
#include "metrics/ProbeMetrics.h"
#include "tests/app/gui/WindowFixture.h"

#include <QLabel>
#include <QtTest>

// A LAN answers in tens of microseconds. The figures made for that (statistics, chart, metrics, JSON lines)
// keep them; the classic cells and the exports built from them still show whole milliseconds.
class MicrosecondsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void fortyMicrosecondsReachEveryReader()
    {
        WindowFixture f;
        MonitorSession::Options options;
        options.history = HistoryLimits{};
        options.metrics = true;
        f.makeWindow(options);
        f.hostList().append(QStringList{"127.0.0.1"});
        QVERIFY(f.monitor().startWithInterval(3600 * 1000)); // one round, run now
        f.monitor().runRoundNow();
        QTRY_COMPARE(f.echo.requests.size(), 1);
        f.echo.answerAll(
            [](const QString&) { return FakeEchoService::successUs(IpAddress::fromIpv4(0x7f000001), 40, 64); });
        QTRY_COMPARE(f.table().succeeded(f.table().slotAt(0)), quint64(1));

        QCOMPARE(f.results().cellText(0, ResultsModel::LastTime), QStringLiteral("0"));
        QCOMPARE(f.results().cellText(0, ResultsModel::AverageTime), QStringLiteral("0"));
        const QStringList exported = f.results().snapshot().rows.at(0); // what all three exports write
        QCOMPARE(exported.at(ResultsModel::LastTime), QStringLiteral("0"));
        QCOMPARE(exported.at(ResultsModel::AverageTime), QStringLiteral("0"));

        const HostTable::Slot slot = f.table().slotAt(0);
        HostDetailsWindow* details = f.detailsWindows().open(f.table().tagOf(slot));
        QVERIFY(details);
        for (const char* figure : {"min", "max", "mean"})
            QCOMPARE(details->findChild<QLabel*>(QLatin1String(figure))->text(), QStringLiteral("0.040 ms"));
        QCOMPARE(details->chart().outcomes().size(), 1);
        QCOMPARE(details->chart().outcomes().first().rttMs(), 0.040);

        QVERIFY(f.session->metrics()->render().contains("vantrel_rtt_seconds_sum{host=\"127.0.0.1\"} 4e-05\n"));

        const QByteArray line = JsonLinesWriter::line(f.table(), slot, 1, QDateTime::currentDateTimeUtc());
        QVERIFY2(line.contains("\"rtt_ms\":0.040,"), line.constData());
        QVERIFY2(line.contains("\"average_rtt_ms\":0.040,"), line.constData());
    }
};

QTEST_MAIN(MicrosecondsTest)
#include "MicrosecondsTest.moc"
