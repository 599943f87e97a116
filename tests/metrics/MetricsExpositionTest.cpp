#include "metrics/MetricsExposition.h"

#include "results/ResultsModel.h"
#include "metrics/HostCounterTable.h"

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
        HostCounterTable counters(results);
        const quint64 a = results.appendRow(1, QStringLiteral("a"));
        const quint64 b = results.appendRow(2, QStringLiteral("b"));
        results.appendRow(3, QStringLiteral("a"));      // the same text again: exposed once
        results.appendRow(4, QStringLiteral("silent")); // no outcome yet: not exposed
        results.recordSuccess(a, IpAddress::fromIpv4(0x7f000001), 0, 64, When);
        results.recordSuccess(a, IpAddress::fromIpv4(0x7f000001), 7, 64, When);
        results.recordSuccess(a, IpAddress::fromIpv4(0x7f000001), 150, 64, When);
        results.recordFailure(a, 11010, When.addSecs(1));
        results.recordFailure(b, 11010, When);
        results.recordFailure(b, 11003, When);
        results.recordFailure(b, 11010, When);
        results.recordSuccess(results.rowIdForHost(3), IpAddress::fromIpv4(0x7f000001), 1, 64, When);

        ProbeFigures probe;
        probe.rounds = 4;
        probe.lastRoundMs = 1250;
        probe.hosts = 4;
        probe.version = QStringLiteral("1.2.3");
        const QByteArray text = MetricsExposition::render(results, counters.rows(), probe);
        const QList<QByteArray> expected = {
            "vantrel_up{host=\"a\"} 0",
            "vantrel_up{host=\"b\"} 0",
            "vantrel_rtt_seconds_bucket{host=\"a\",le=\"0.001\"} 1",
            "vantrel_rtt_seconds_bucket{host=\"a\",le=\"0.01\"} 2",
            "vantrel_rtt_seconds_bucket{host=\"a\",le=\"0.1\"} 2",
            "vantrel_rtt_seconds_bucket{host=\"a\",le=\"0.2\"} 3",
            "vantrel_rtt_seconds_bucket{host=\"a\",le=\"+Inf\"} 3",
            "vantrel_rtt_seconds_sum{host=\"a\"} 0.157",
            "vantrel_rtt_seconds_count{host=\"a\"} 3",
            "vantrel_echo_requests_total{host=\"a\"} 4",
            "vantrel_echo_replies_total{host=\"a\"} 3",
            "vantrel_echo_failures_total{host=\"a\",status=\"11010\"} 1",
            "vantrel_echo_failures_total{host=\"b\",status=\"11010\"} 2",
            "vantrel_echo_failures_total{host=\"b\",status=\"11003\"} 1",
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
        const QByteArray after = MetricsExposition::render(results, counters.rows(), probe);
        QVERIFY(after.contains("vantrel_echo_failures_total{host=\"b\",status=\"11003\"} 1\n"));
        QVERIFY(after.contains("vantrel_echo_replies_total{host=\"a\"} 1\n")); // the second "a" now
        QVERIFY(!after.contains("status=\"11010\"} 1\n"));

        // Host states can say what up is.
        const QByteArray states = MetricsExposition::render(results, counters.rows(), probe, [](int) { return 2.0; });
        QVERIFY(states.contains("vantrel_up{host=\"b\"} 2\n"));
    }

    // promtool is the reference for the format; the probe test checks a live scrape the same way.
    void promtoolAcceptsTheExposition()
    {
        const QString promtool = QStandardPaths::findExecutable(QStringLiteral("promtool"));
        if (promtool.isEmpty())
            QSKIP("promtool is not installed (Debian package prometheus)");
        ResultsModel results;
        HostCounterTable counters(results);
        for (const QString& host : {QStringLiteral("127.0.0.1"), QStringLiteral("we\"ird\\name\n")}) {
            const quint64 row = results.appendRow(static_cast<quint64>(results.count() + 1), host);
            results.recordSuccess(row, IpAddress::fromIpv4(0x7f000001), 3, 64, When);
            results.recordFailure(row, 11010, When);
        }
        QProcess check;
        check.start(promtool, {QStringLiteral("check"), QStringLiteral("metrics")});
        QVERIFY(check.waitForStarted());
        check.write(MetricsExposition::render(results, counters.rows(), ProbeFigures{1, 5, 2, "1.0.0"}));
        check.closeWriteChannel();
        QVERIFY(check.waitForFinished(30000));
        QVERIFY2(check.exitCode() == 0, check.readAll().constData());
    }
};

QTEST_GUILESS_MAIN(MetricsExpositionTest)
#include "MetricsExpositionTest.moc"
