#include "metrics/MetricsExposition.h"

#include "metrics/HostCounterColumns.h"
#include "metrics/SmokepingExposition.h"
#include "results/ResultsModel.h"
#include "tests/fakes/ResultsFeed.h"

#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

namespace
{
const QDateTime When = QDateTime::fromMSecsSinceEpoch(1765000000250, Qt::UTC);

// One line of the exposition, or empty when no line starts with the prefix.
QByteArray lineStarting(const QByteArray& text, const QByteArray& prefix)
{
    for (const QByteArray& line : text.split('\n')) {
        if (line.startsWith(prefix))
            return line;
    }
    return {};
}
// The value of the sample named exactly so (name and labels), or empty.
QByteArray sampleOf(const QByteArray& text, const QByteArray& series)
{
    const QByteArray line = lineStarting(text, series + ' ');
    return line.mid(series.size() + 1);
}
} // namespace

class MetricsExpositionTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void labelValuesAreEscaped_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QByteArray>("label");
        QTest::newRow("plain") << QStringLiteral("127.0.0.1") << QByteArray("127.0.0.1");
        QTest::newRow("double quote") << QStringLiteral("a\"b") << QByteArray("a\\\"b");
        QTest::newRow("backslash") << QStringLiteral("a\\b") << QByteArray("a\\\\b");
        QTest::newRow("line feed") << QStringLiteral("a\nb") << QByteArray("a\\nb");
        QTest::newRow("UTF-8") << QStringLiteral("h\u00f6st") << QByteArray("h\xc3\xb6st");
    }
    void labelValuesAreEscaped()
    {
        QFETCH(QString, host);
        QFETCH(QByteArray, label);
        QCOMPARE(MetricsExposition::escapeLabelValue(host), label);
    }

    void countersFollowTheRows()
    {
        ResultsModel results;
        HostCounterColumns counters(results.table());
        const HostTable::Slot a = results.appendRow(1, QStringLiteral("a"));
        const HostTable::Slot b = results.appendRow(2, QStringLiteral("b"));
        results.appendRow(3, QStringLiteral("a"));      // the same text again: exposed once
        results.appendRow(4, QStringLiteral("silent")); // no outcome yet: not exposed
        ResultsFeed::success(results.table(), a, IpAddress::fromIpv4(0x7f000001), 0, 64, When);
        ResultsFeed::success(results.table(), a, IpAddress::fromIpv4(0x7f000001), 7, 64, When);
        ResultsFeed::success(results.table(), a, IpAddress::fromIpv4(0x7f000001), 150, 64, When);
        ResultsFeed::failure(results.table(), a, 11010, When.addSecs(1));
        ResultsFeed::failure(results.table(), b, 11010, When);
        ResultsFeed::failure(results.table(), b, 11003, When);
        ResultsFeed::failure(results.table(), b, 11010, When);
        ResultsFeed::success(results.table(), results.table().currentSlotOf(3), IpAddress::fromIpv4(0x7f000001), 1, 64,
                             When);

        ProbeFigures probe;
        probe.rounds = 4;
        probe.lastRoundMs = 1250;
        probe.hosts = 4;
        probe.version = QStringLiteral("1.2.3");
        const QByteArray text = MetricsExposition::render(results.table(), counters, probe);
        const QList<QByteArray> expected = {
            // a answered three times and then failed once: still up, though its last echo failed
            "vantrel_up{host=\"a\"} 1",
            "vantrel_last_echo_success{host=\"a\"} 0",
            "vantrel_up{host=\"b\"} 0",
            "vantrel_rtt_seconds_bucket{host=\"a\",le=\"0.0001\"} 1",
            "vantrel_rtt_seconds_bucket{host=\"a\",le=\"0.01\"} 2",
            "vantrel_rtt_seconds_bucket{host=\"a\",le=\"0.1\"} 2",
            "vantrel_rtt_seconds_bucket{host=\"a\",le=\"0.2\"} 3",
            "vantrel_rtt_seconds_bucket{host=\"a\",le=\"+Inf\"} 3",
            "vantrel_rtt_seconds_sum{host=\"a\"} 0.157",
            "vantrel_rtt_seconds_count{host=\"a\"} 3",
            "vantrel_echo_requests_total{host=\"a\"} 4",
            "vantrel_echo_replies_total{host=\"a\"} 3",
            "vantrel_echo_failures_total{host=\"a\",reason=\"timeout\"} 1",
            "vantrel_echo_failures_total{host=\"b\",reason=\"timeout\"} 2",
            "vantrel_echo_failures_total{host=\"b\",reason=\"host_unreachable\"} 1",
            "vantrel_last_reply_timestamp_seconds{host=\"a\"} 1765000000.25",
            "vantrel_hosts 4",
            "vantrel_rounds_total 4",
            "vantrel_round_duration_seconds 1.25",
            "vantrel_build_info{version=\"1.2.3\"} 1",
        };
        for (const QByteArray& line : expected)
            QVERIFY2(text.contains(line + '\n'), line.constData());
        QCOMPARE(text.count("vantrel_up{"), 2);
        QVERIFY(lineStarting(text, "vantrel_last_reply_timestamp_seconds{host=\"b\"").isEmpty());

        // A removed row takes its counters along; the rows after it keep theirs.
        results.removeAt(0);
        const QByteArray after = MetricsExposition::render(results.table(), counters, probe);
        QVERIFY(after.contains("vantrel_echo_failures_total{host=\"b\",reason=\"host_unreachable\"} 1\n"));
        QVERIFY(after.contains("vantrel_echo_replies_total{host=\"a\"} 1\n")); // the second "a" now
        QVERIFY(!after.contains("reason=\"timeout\"} 1\n"));
    }

    // Target groups: the same text in two groups is two series, each with its group's labels on every
    // per-host line of both expositions, and the rest of the line as without groups.
    void groupLabelsOnEverySeries_data()
    {
        QTest::addColumn<bool>("smokeping");
        QTest::addColumn<QByteArray>("requests");
        QTest::newRow("vantrel") << false << QByteArray("vantrel_echo_requests_total{host=\"a\"");
        QTest::newRow("smokeping") << true
                                   << QByteArray("smokeping_requests_total{host=\"a\",ip=\"127.0.0.1\","
                                                 "source=\"\",tos=\"0\"");
    }
    void groupLabelsOnEverySeries()
    {
        QFETCH(bool, smokeping);
        QFETCH(QByteArray, requests);
        ResultsModel results;
        HostCounterColumns counters(results.table(),
                                    smokeping ? std::span<const quint32>(HostCounterColumns::SmokepingBoundsUs)
                                              : std::span<const quint32>(HostCounterColumns::BucketBoundsUs));
        const QByteArray core = ",role=\"core\",site=\"fra1\"";
        const QByteArray edge = ",role=\"edge\",site=\"\"";
        for (quint64 id : {1, 2}) {
            const HostTable::Slot row = results.appendRow(id, QStringLiteral("127.0.0.1"));
            const HostTable::Slot a = results.appendRow(id + 10, QStringLiteral("a"));
            for (const HostTable::Slot slot : {row, a}) {
                ResultsFeed::success(results.table(), slot, IpAddress::fromIpv4(0x7f000001), 3, 64, When);
                ResultsFeed::failure(results.table(), slot, 11010, When);
            }
            results.table().setLookedUp(a, {IpAddress::fromIpv4(0x7f000001)});
        }
        const SeriesLabelsOf labels = [&](quint32 slot) {
            return results.table().hostId(slot) % 10 == 1 ? core : edge;
        };
        const QByteArray text = smokeping
                                    ? SmokepingExposition::render(results.table(), counters, QString(), 0, labels)
                                    : MetricsExposition::render(results.table(), counters, ProbeFigures{}, {}, labels);
        int withCore = 0;
        int withEdge = 0;
        for (const QByteArray& line : text.split('\n')) {
            if (line.startsWith('#') || !line.contains("host=\""))
                continue;
            QVERIFY2(line.contains(core) != line.contains(edge), line.constData());
            withCore += line.contains(core) ? 1 : 0;
            withEdge += line.contains(edge) ? 1 : 0;
        }
        QVERIFY(withCore > 10);
        QCOMPARE(withEdge, withCore);
        QCOMPARE(sampleOf(text, requests + core + '}'), QByteArray("2"));
        QCOMPARE(sampleOf(text, requests + edge + '}'), QByteArray("2"));
    }

    // A LAN answers in tens of microseconds; the sum keeps them, so rate(sum) / rate(count) is not 0.
    void microsecondsReachTheSum()
    {
        ResultsModel results;
        HostCounterColumns counters(results.table());
        const HostTable::Slot lan = results.appendRow(1, QStringLiteral("lan"));
        ResultsFeed::successUs(results.table(), lan, IpAddress::fromIpv4(0x7f000001), 40, 64, When);
        const QByteArray text = MetricsExposition::render(results.table(), counters, ProbeFigures{});
        QVERIFY(text.contains("vantrel_rtt_seconds_sum{host=\"lan\"} 4e-05\n"));
        QVERIFY(text.contains("vantrel_rtt_seconds_bucket{host=\"lan\",le=\"0.0001\"} 1\n"));
        QVERIFY(text.contains("vantrel_up{host=\"lan\"} 1\n"));
    }

    // promtool is the reference for the format; the probe test checks a live scrape the same way.
    void promtoolAcceptsTheExposition()
    {
        const QString promtool = QStandardPaths::findExecutable(QStringLiteral("promtool"));
        if (promtool.isEmpty())
            QSKIP("promtool is not installed (Debian package prometheus)");
        ResultsModel results;
        HostCounterColumns counters(results.table());
        for (const QString& host : {QStringLiteral("127.0.0.1"), QStringLiteral("we\"ird\\name\n")}) {
            const HostTable::Slot row = results.appendRow(static_cast<quint64>(results.count() + 1), host);
            ResultsFeed::success(results.table(), row, IpAddress::fromIpv4(0x7f000001), 3, 64, When);
            ResultsFeed::failure(results.table(), row, 11010, When);
            EchoOutcome late = ResultsFeed::outcome(results.table(), row, EchoStatus::RequestTimedOut, When);
            late.kind = EchoOutcome::Kind::Late;
            results.table().apply(std::span(&late, 1));
        }
        QCOMPARE(counters.lateReplies(results.table().slotAt(0)), 1u);
        // With history kept, the gauges it gives; a host without answers has no deviation.
        const HistoryFiguresOf history = [](quint32 slot) {
            return slot == 0 ? HistoryFigures{0.25, 4.39} : HistoryFigures{std::nullopt, 1.0};
        };
        const QByteArray text =
            MetricsExposition::render(results.table(), counters, ProbeFigures{1, 5, 2, "1.0.0"}, history);
        QVERIFY(text.contains("vantrel_late_replies_total{host=\"127.0.0.1\"} 1\n"));
        QVERIFY(text.contains("vantrel_rtt_stddev_seconds{host=\"127.0.0.1\"} 0.00025\n"));
        QVERIFY(text.contains("vantrel_mos{host=\"127.0.0.1\"} 4.39\n"));
        QCOMPARE(text.count("vantrel_rtt_stddev_seconds{"), 1);
        QProcess check;
        check.start(promtool, {QStringLiteral("check"), QStringLiteral("metrics")});
        QVERIFY(check.waitForStarted());
        check.write(text);
        check.closeWriteChannel();
        QVERIFY(check.waitForFinished(30000));
        QVERIFY2(check.exitCode() == 0, check.readAll().constData());
    }
};

QTEST_GUILESS_MAIN(MetricsExpositionTest)
#include "MetricsExpositionTest.moc"
