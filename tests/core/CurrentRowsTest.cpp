#include "core/CurrentRows.h"

#include "core/HostListModel.h"
#include "core/ResultsModel.h"

#include <QtTest>

// Only the newest row of each host still in the list stands for it, whether the list's ids lie close
// together (one bit per id) or far apart (a search of the list).
class CurrentRowsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void newestRowOfListedHostsOnly_data()
    {
        QTest::addColumn<int>("hostsBetween"); // added and removed again between the first host and the others
        QTest::newRow("ids close together") << 0;
        QTest::newRow("ids far apart") << 5000;
    }
    void newestRowOfListedHostsOnly()
    {
        QFETCH(int, hostsBetween);
        HostListModel hosts;
        ResultsModel results;
        hosts.append(QStringLiteral("a"));
        QStringList between;
        for (int i = 0; i < hostsBetween; ++i)
            between.append(QStringLiteral("x%1").arg(i));
        hosts.append(between);
        hosts.removeRange(1, hostsBetween);
        hosts.append(QStringList{"b", "c"});
        for (int i = 0; i < hosts.count(); ++i)
            results.appendRow(hosts.entry(i).id, hosts.text(i));
        results.appendRow(hosts.entry(1).id, hosts.text(1)); // a fresh row for b
        hosts.removeAt(2);                                   // c leaves the list; its row stays

        const CurrentRows current(hosts, results);
        const QList<bool> expected{true, false, false, true}; // a, b's older row, c, b's fresh row
        for (int row = 0; row < results.count(); ++row)
            QCOMPARE(current.contains(row), expected.at(row));
    }
};

QTEST_GUILESS_MAIN(CurrentRowsTest)
#include "CurrentRowsTest.moc"
