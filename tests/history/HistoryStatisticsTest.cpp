#include "history/HistoryStatistics.h"

#include "history/HistoryTexts.h"

#include <QtTest>
#include <ctime>

namespace
{
constexpr qint64 T0 = 1796655909000;
constexpr int F = -1; // a failed echo among round-trip times

using Events = QList<QPair<int, bool>>; // seconds after T0, answered
using Figures = QList<double>;          // min, max, mean, median, p95, jitter; -1 for no value

// Round-trip times in microseconds, one outcome per second; F for a failure.
QList<Outcome> series(const QList<int>& us)
{
    QList<Outcome> out;
    for (qsizetype i = 0; i < us.size(); ++i) {
        const qint64 t = T0 + i * 1000;
        out.append(us.at(i) == F ? Outcome{t, 11010, 0, 0} : Outcome{t, 0, quint32(us.at(i)), 64});
    }
    return out;
}

// Failures (false) and answers (true) at the given seconds.
QList<Outcome> timeline(const Events& events)
{
    QList<Outcome> out;
    for (const auto& [second, answered] : events)
        out.append(answered ? Outcome{T0 + second * 1000, 0, 100, 64} : Outcome{T0 + second * 1000, 11010, 0, 0});
    return out;
}

double orNone(const std::optional<double>& v)
{
    return v ? *v : -1;
}
} // namespace

class HistoryStatisticsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        qputenv("TZ", "UTC");
        tzset();
    }

    void roundTripFigures_data()
    {
        QTest::addColumn<QList<int>>("us");
        QTest::addColumn<Figures>("figures");
        QTest::addColumn<double>("loss");
        QTest::newRow("no outcome") << QList<int>{} << Figures{-1, -1, -1, -1, -1, -1} << -1.0;
        QTest::newRow("all failed") << QList<int>{F, F, F} << Figures{-1, -1, -1, -1, -1, -1} << 100.0;
        QTest::newRow("single sample") << QList<int>{12300} << Figures{12.3, 12.3, 12.3, 12.3, 12.3, -1} << 0.0;
        QTest::newRow("a LAN host") << QList<int>{40, 40} << Figures{0.04, 0.04, 0.04, 0.04, 0.04, 0} << 0.0;
        QTest::newRow("equal values") << QList<int>{5000, 5000, 5000, 5000} << Figures{5, 5, 5, 5, 5, 0} << 0.0;
        // Answers 10, 20, 30, 15 ms: mean 75/4, median (15+20)/2, rank ceil(3.8) = 4 is 30, jitter (10+10+15)/3.
        QTest::newRow("hand worked") << QList<int>{10000, 20000, F, 30000, 15000}
                                     << Figures{10, 30, 18.75, 17.5, 30, 35.0 / 3} << 20.0;
        // 1..20 ms: rank ceil(19.0) = 19.
        QList<int> ramp;
        for (int i = 1; i <= 20; ++i)
            ramp.append(i * 1000);
        QTest::newRow("twenty answers") << ramp << Figures{1, 20, 10.5, 10.5, 19, 1} << 0.0;
        QTest::newRow("failures between answers do not add jitter")
            << QList<int>{10000, F, F, 14000} << Figures{10, 14, 12, 12, 14, 4} << 50.0;
    }
    void roundTripFigures()
    {
        QFETCH(QList<int>, us);
        QFETCH(Figures, figures);
        QFETCH(double, loss);
        const HistoryStatistics s = HistoryStatistics::compute(series(us));
        const Figures got{orNone(s.minMs),    orNone(s.maxMs), orNone(s.meanMs),
                          orNone(s.medianMs), orNone(s.p95Ms), orNone(s.jitterMs)};
        for (int i = 0; i < figures.size(); ++i)
            QVERIFY2(qAbs(got.at(i) - figures.at(i)) < 1e-9,
                     qPrintable(QStringLiteral("figure %1 is %2").arg(i).arg(got.at(i))));
        QCOMPARE(orNone(s.lossPercent()), loss);
        QCOMPARE(s.answered + s.failed, int(us.size()));
    }

    // The E-model as check_icmp has it: effective latency = mean + 2 x jitter + 10 ms, R from it less 2.5 a
    // percent of loss, MOS from R; an R under 0 scores 1, and an R just above it would score under 1.
    void spreadAndScore_data()
    {
        QTest::addColumn<QList<int>>("us");
        QTest::addColumn<double>("stddev");
        QTest::addColumn<double>("mos");
        QTest::newRow("no outcome") << QList<int>{} << -1.0 << -1.0;
        QTest::newRow("all failed: loss alone scores the bottom") << QList<int>{F, F, F} << -1.0 << 1.0;
        QTest::newRow("one answer: no jitter") << QList<int>{12300} << 0.0 << 4.398235324728891;
        QTest::newRow("hand worked") << QList<int>{10000, 20000, F, 30000, 15000} << 7.39509972887452
                                     << 2.1579586459796642;
        QTest::newRow("past 160 ms the latency weighs more") << QList<int>{200000, 200000} << 0.0 << 4.172362984;
        QTest::newRow("half lost: R below 0") << QList<int>{10000, F, F, 14000} << 2.0 << 1.0;
        QList<int> lossy(13, 1000);
        lossy.append(QList<int>(7, F)); // 35 %: R = 5.425, whose MOS would be 0.994
        QTest::newRow("clamped up to 1") << lossy << 0.0 << 1.0;
    }
    void spreadAndScore()
    {
        QFETCH(QList<int>, us);
        QFETCH(double, stddev);
        QFETCH(double, mos);
        const HistoryStatistics s = HistoryStatistics::compute(series(us));
        QVERIFY2(qAbs(orNone(s.stddevMs) - stddev) < 1e-9, qPrintable(QString::number(orNone(s.stddevMs), 'g', 17)));
        QVERIFY2(qAbs(orNone(s.mos()) - mos) < 1e-9, qPrintable(QString::number(orNone(s.mos()), 'g', 17)));
    }
    void scoreStaysWithinItsRange()
    {
        QCOMPARE(HistoryStatistics::mos(0, 0, 0), 1 + 0.035 * 92.95 + 0.000007 * 92.95 * 32.95 * 7.05);
        QVERIFY(HistoryStatistics::mos(0, 0, 0) <= 4.5);
        QCOMPARE(HistoryStatistics::mos(5000, 1000, 0), 1.0);
        QCOMPARE(HistoryTexts::score(4.404374593295558), QStringLiteral("4.40"));
        QCOMPARE(HistoryTexts::score(std::nullopt), QString());
    }

    void figuresHaveThreeDecimals()
    {
        const HistoryStatistics s = HistoryStatistics::compute(series({40, 60}));
        QCOMPARE(HistoryTexts::milliseconds(s.meanMs), QStringLiteral("0.050"));
        QCOMPARE(HistoryTexts::milliseconds(s.jitterMs), QStringLiteral("0.020"));
        QCOMPARE(HistoryTexts::outcome(series({40}).first(), T0), QStringLiteral("15:05:09.000  0.040 ms  TTL 64"));
    }

    void streakAndLongestOutage_data()
    {
        QTest::addColumn<Events>("events");
        QTest::addColumn<QString>("streak");
        QTest::addColumn<QString>("outage");
        QTest::newRow("answering since the oldest")
            << Events{{0, true}, {8000, true}} << "answering for at least 2 h 13 min"
            << "none";
        QTest::newRow("answering again after an outage")
            << Events{{0, true}, {1, false}, {2, false}, {3, true}, {200, true}} << "answering for 3 min 17 s"
            << "2 failures over 2 s from 15:05:10";
        QTest::newRow("still failing") << Events{{0, true}, {10, false}, {20, false}} << "failing since 15:05:19"
                                       << "2 failures over 10 s from 15:05:19, still failing";
        QTest::newRow("failing throughout") << Events{{0, false}, {5, false}} << "failing since 15:05:09 or earlier"
                                            << "2 failures over 5 s from 15:05:09, still failing";
        QTest::newRow("the longer outage in time wins")
            << Events{{0, false}, {1, false}, {2, false}, {3, true}, {4, false}, {14, true}} << "answering for 0 s"
            << "1 failure over 10 s from 15:05:13";
        QTest::newRow("equal in time: more failures win")
            << Events{{0, false}, {4, true}, {5, false}, {6, false}, {9, true}} << "answering for 0 s"
            << "2 failures over 4 s from 15:05:14";
    }
    void streakAndLongestOutage()
    {
        QFETCH(Events, events);
        QFETCH(QString, streak);
        QFETCH(QString, outage);
        const HistoryStatistics s = HistoryStatistics::compute(timeline(events));
        QCOMPARE(HistoryTexts::streak(s), streak);
        QCOMPARE(HistoryTexts::longestOutage(s), outage);
    }

    void durations_data()
    {
        QTest::addColumn<qint64>("ms");
        QTest::addColumn<QString>("text");
        QTest::newRow("under a second") << qint64(999) << "0 s";
        QTest::newRow("seconds") << qint64(45000) << "45 s";
        QTest::newRow("minutes and seconds") << qint64(200000) << "3 min 20 s";
        QTest::newRow("whole hour") << qint64(3600000) << "1 h";
        QTest::newRow("days and hours") << qint64(86400000 * 3 + 3600000 * 4 + 59000) << "3 d 4 h";
    }
    void durations()
    {
        QFETCH(qint64, ms);
        QFETCH(QString, text);
        QCOMPARE(HistoryTexts::duration(ms), text);
    }
};

QTEST_APPLESS_MAIN(HistoryStatisticsTest)
#include "HistoryStatisticsTest.moc"
