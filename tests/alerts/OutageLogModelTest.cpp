#include "alerts/OutageLogModel.h"

#include "alerts/EventCsv.h"

#include <QAbstractItemModelTester>
#include <QtTest>

namespace
{
const QDateTime T0(QDate(2026, 3, 4), QTime(10, 0, 0), Qt::OffsetFromUTC, 3600);
HostEvent down(const char* host, int at)
{
    return {QString::fromLatin1(host), HostState::Down, T0.addSecs(at), std::nullopt, QStringLiteral("Timed out")};
}
HostEvent up(const char* host, int at, qint64 duration)
{
    return {QString::fromLatin1(host), HostState::Up, T0.addSecs(at), duration, QStringLiteral("Success")};
}
QStringList hostsShown(const OutageLogModel& model)
{
    QStringList out;
    for (int r = 0; r < model.rowCount(); ++r)
        out << model.index(r, OutageLogModel::Host).data().toString() + u' ' +
                   model.index(r, OutageLogModel::State).data().toString();
    return out;
}
} // namespace

class OutageLogModelTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void filtersNewestFirst_data()
    {
        QTest::addColumn<QString>("hostText");
        QTest::addColumn<QString>("state"); // an event name; empty: all
        QTest::addColumn<int>("fromSecs");  // -1: all time
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("all") << ""
                             << "" << -1 << QStringList{"b.lab up", "a.lab up", "b.lab down", "a.lab down"};
        QTest::newRow("host text, any case") << "A.L"
                                             << "" << -1 << QStringList{"a.lab up", "a.lab down"};
        QTest::newRow("downs") << ""
                               << "down" << -1 << QStringList{"b.lab down", "a.lab down"};
        QTest::newRow("period") << ""
                                << "" << 150 << QStringList{"b.lab up", "a.lab up"};
    }
    void filtersNewestFirst()
    {
        QFETCH(QString, hostText);
        QFETCH(QString, state);
        QFETCH(int, fromSecs);
        QFETCH(QStringList, shown);
        OutageLogModel model;
        QAbstractItemModelTester tester(&model);
        model.setEvents({down("a.lab", 0), up("a.lab", 200, 200)});
        model.addEvents({up("b.lab", 300, 200), down("b.lab", 100)}); // live, not in order
        model.setFilter(hostText, state, fromSecs < 0 ? QDateTime() : T0.addSecs(fromSecs));
        QCOMPARE(hostsShown(model), shown);
    }

    void summaryCountsOutagesAndDowntimeInThePeriod()
    {
        OutageLogModel model;
        model.setEvents(
            {down("a", 0), up("a", 100, 100), down("a", 200), up("a", 230, 30), down("b", 50), down("c", 400)});
        const QDateTime now = T0.addSecs(500);
        using S = OutageLogModel::HostSummary;
        QCOMPARE(model.summary(now), (QList<S>{{"b", 1, 450}, {"a", 2, 130}, {"c", 1, 100}}));
        // From second 60 on: a's first outage counts only from there, b's started before the period.
        model.setFilter(QString(), QStringLiteral("down"), T0.addSecs(60));
        QCOMPARE(model.summary(now), (QList<S>{{"c", 1, 100}, {"a", 1, 70}}));
    }

    void csvAfterRfc4180()
    {
        HostEvent odd = up("x", 10, 7);
        odd.host = QStringLiteral("a,\"b\"");
        odd.status = QStringLiteral("line\nbreak ü");
        const QByteArray csv = EventCsv::text({odd, down("y", 0)});
        QCOMPARE(csv, QByteArray("Time,Host,State,Outage (s),Status\r\n"
                                 "2026-03-04T10:00:10+01:00,\"a,\"\"b\"\"\",up,7,\"line\nbreak \xc3\xbc\"\r\n"
                                 "2026-03-04T10:00:00+01:00,y,down,,Timed out\r\n"));
    }

    void newStatesFilteredAndExported()
    {
        HostEvent behind = down("c", 20);
        behind.state = HostState::Unreachable;
        HostEvent flapping = down("f", 30);
        flapping.kind = HostEvent::Kind::FlappingStarted;
        OutageLogModel model;
        model.setEvents({down("p", 20), behind, flapping});
        model.setFilter(QString(), QStringLiteral("unreachable"), QDateTime());
        QCOMPARE(hostsShown(model), QStringList{"c unreachable"});
        model.setFilter(QString(), QStringLiteral("flapping"), QDateTime());
        QCOMPARE(hostsShown(model), QStringList{"f flapping"});
        QVERIFY(EventCsv::text({behind, flapping}).contains(",c,unreachable,,Timed out\r\n"));
        QVERIFY(EventCsv::text({flapping}).contains(",f,flapping,,"));
        QCOMPARE(HostEvent::fromName(QStringLiteral("flapping"))->kind, HostEvent::Kind::FlappingStarted);
    }
};

QTEST_GUILESS_MAIN(OutageLogModelTest)
#include "OutageLogModelTest.moc"
