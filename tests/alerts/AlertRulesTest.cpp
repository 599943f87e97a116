#include "alerts/AlertRules.h"

#include "alerts/AlertmanagerFeed.h"
#include "alerts/DependencyFile.h"
#include "alerts/EventDetector.h"
#include "results/HostTable.h"
#include "tests/fakes/FakeClock.h"
#include "tests/fakes/FakeRandom.h"
#include "tests/fakes/ResultsFeed.h"

#include <QtTest>

namespace
{
struct Options {
    StateThresholds thresholds{3, 1};
    DegradedJudge::Rule degraded;
    QString dependencies;
    FlapDetector::Rule flap;
    QString silence;
};

// Each host's outcomes, one a round, ten seconds apart: s answered in 1 ms, S in 150 ms, f failed, '.' not
// pinged; a round of z is eleven minutes without pings. Events as "ROUND:NAME:HOST", with "-" after those
// nobody is told of; then the alerts Alertmanager is handed after the last round, as "ALERTNAME:HOST".
QStringList run(const Options& options, const QStringList& scripts, QStringList* alerts)
{
    HostTable table;
    FakeClock clock;
    FakeRandom random;
    EventDetector detector(table);
    AlertRules rules(table, detector, clock);
    table.setStateThresholds(options.thresholds);
    rules.setDegradedRule(options.degraded);
    rules.setFlapRule(options.flap);
    if (!options.dependencies.isEmpty()) {
        QString error;
        rules.setDependencies(DependencyFile::parse(options.dependencies, QStringLiteral("deps"), &error));
        if (!error.isEmpty())
            qFatal("%s", qPrintable(error));
    }
    if (!options.silence.isEmpty())
        rules.silence(*Silences::parse(options.silence, clock.now(), nullptr));
    AlertmanagerClient client(AlertmanagerClient::Options{}, clock, random);
    AlertmanagerFeed feed(rules, client);

    QStringList hosts;
    std::vector<HostTable::Slot> rows;
    for (const QString& script : scripts) {
        hosts << script.section(u'=', 0, 0);
        rows.push_back(table.appendRow(quint64(rows.size() + 1), hosts.back()));
    }
    QStringList seen;
    int round = 0;
    QObject::connect(&rules, &AlertRules::eventsReady, [&](const HostEvents& events) {
        for (const HostEvent& e : events)
            seen << QStringLiteral("%1:%2:%3%4").arg(round).arg(e.name(), e.host, e.concernsPeople() ? "" : "-");
    });
    const IpAddress address = IpAddress::fromIpv4(0x0A000001);
    for (round = 1; round <= scripts.front().section(u'=', 1).size(); ++round) {
        for (std::size_t h = 0; h < rows.size(); ++h) {
            const QChar c = scripts[int(h)].section(u'=', 1).at(round - 1);
            if (c == u's' || c == u'S')
                ResultsFeed::success(table, rows[h], address, c == u's' ? 1 : 150, 64, clock.now());
            else if (c == u'f')
                ResultsFeed::failure(table, rows[h], 11010, clock.now());
            else if (c == u'z')
                clock.current = clock.current.addSecs(11 * 60);
        }
        rules.roundEnded();
        clock.current = clock.current.addSecs(10);
    }
    for (const AlertmanagerClient::Alert& a : feed.active())
        *alerts << a.alertName + u':' + a.host;
    return seen;
}
} // namespace

Q_DECLARE_METATYPE(Options)

class AlertRulesTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void roundsGiveEvents_data()
    {
        QTest::addColumn<Options>("options");
        QTest::addColumn<QStringList>("scripts");
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<QStringList>("alerts");
        Options slow;
        slow.degraded = {3, 100.0, std::nullopt};
        QTest::newRow("slow is degraded, never down")
            << slow << QStringList{"h=sssSSSSsss"} << QStringList{"5:degraded:h", "9:up:h"} << QStringList{};
        QTest::newRow("still degraded at the end")
            << slow << QStringList{"h=sSSSS"} << QStringList{"4:degraded:h"} << QStringList{"VantrelHostDegraded:h"};
        QTest::newRow("degraded, down, then up with a fresh window")
            << slow << QStringList{"h=SSSSfffsSS"} << QStringList{"4:degraded:h", "7:down:h", "8:up:h"}
            << QStringList{};
        Options lossy;
        lossy.degraded = {4, std::nullopt, 50.0};
        QTest::newRow("loss reaches the limit")
            << lossy << QStringList{"h=sfsfsfss"} << QStringList{"5:degraded:h", "8:up:h"} << QStringList{};
        QTest::newRow("unpinged rounds do not count")
            << lossy << QStringList{"h=sf..sf"} << QStringList{} << QStringList{};

        Options behind;
        behind.dependencies = QStringLiteral("c p\n");
        // The child is listed first, so its outcomes come first: parents are still judged first.
        QTest::newRow("parent down, child unreachable, then its own outage")
            << behind << QStringList{"c=sfffffss", "p=sfffssss"}
            << QStringList{"4:unreachable:c-", "4:down:p", "5:up:p", "5:down:c", "7:up:c"} << QStringList{};
        QTest::newRow("both back together")
            << behind << QStringList{"c=sfffs", "p=sfffs"}
            << QStringList{"4:unreachable:c-", "4:down:p", "5:up:c-", "5:up:p"} << QStringList{};
        QTest::newRow("only the parent is alerted")
            << behind << QStringList{"c=sffff", "p=sffff"} << QStringList{"4:unreachable:c-", "4:down:p"}
            << QStringList{"VantrelHostDown:p"};
        QTest::newRow("child down before its parent stays down")
            << behind << QStringList{"c=fffff", "p=ssfff"} << QStringList{"3:down:c", "5:down:p"}
            << QStringList{"VantrelHostDown:c", "VantrelHostDown:p"};
        Options chain;
        chain.dependencies = QStringLiteral("a b\nb c\n");
        QTest::newRow("a chain from the start")
            << chain << QStringList{"a=fff", "b=fff", "c=fff"}
            << QStringList{"3:unreachable:a-", "3:unreachable:b-", "3:down:c"} << QStringList{"VantrelHostDown:c"};

        Options flapping;
        flapping.thresholds = {1, 1};
        flapping.flap = {4, 10 * 60 * 1000};
        QTest::newRow("flapping, then stable")
            << flapping << QStringList{"h=sfsfsfz"}
            << QStringList{"2:down:h", "3:up:h", "4:down:h", "5:up:h-", "5:flapping:h", "6:down:h-", "7:stable:h"}
            << QStringList{"VantrelHostDown:h"};
        QTest::newRow("no alert while flapping")
            << flapping << QStringList{"h=sfsfsf"}
            << QStringList{"2:down:h", "3:up:h", "4:down:h", "5:up:h-", "5:flapping:h", "6:down:h-"} << QStringList{};

        Options quiet;
        quiet.silence = QStringLiteral("h@1h");
        QTest::newRow("silenced") << quiet << QStringList{"h=sfff", "g=sfff"} << QStringList{"4:down:h-", "4:down:g"}
                                  << QStringList{"VantrelHostDown:g"};
        Options all;
        all.silence = QStringLiteral("*@1h");
        QTest::newRow("all silenced") << all << QStringList{"h=sfff"} << QStringList{"4:down:h-"} << QStringList{};
    }
    void roundsGiveEvents()
    {
        QFETCH(Options, options);
        QFETCH(QStringList, scripts);
        QFETCH(QStringList, events);
        QFETCH(QStringList, alerts);
        QStringList posted;
        QCOMPARE(run(options, scripts, &posted), events);
        QCOMPARE(posted, alerts);
    }
};

QTEST_GUILESS_MAIN(AlertRulesTest)
#include "AlertRulesTest.moc"
