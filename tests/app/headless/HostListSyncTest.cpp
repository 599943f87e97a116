#include "app/headless/HostListSync.h"

#include "core/HostListModel.h"
#include "results/ResultsModel.h"
#include "tests/fakes/ResultsFeed.h"

#include <QtTest>

class HostListSyncTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void entriesMatchByText_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QStringList>("list");      // the host list afterwards
        QTest::addColumn<QList<int>>("keptCounts"); // failed count of each row afterwards: kept rows keep theirs
        QTest::newRow("unchanged") << QStringList{"a", "b"} << QStringList{"a", "b"} << QStringList{"a", "b"}
                                   << QList<int>{1, 2};
        QTest::newRow("one removed, one added") << QStringList{"a", "b", "c"} << QStringList{"d", "c", "a"}
                                                << QStringList{"a", "c", "d"} << QList<int>{1, 3};
        QTest::newRow("a duplicate dropped")
            << QStringList{"a", "a", "b"} << QStringList{"b", "a"} << QStringList{"a", "b"} << QList<int>{1, 3};
        QTest::newRow("a duplicate added")
            << QStringList{"a"} << QStringList{"a", "a"} << QStringList{"a", "a"} << QList<int>{1};
        QTest::newRow("all replaced") << QStringList{"a", "b"} << QStringList{"x"} << QStringList{"x"} << QList<int>{};
        QTest::newRow("runs and single entries removed")
            << QStringList{"a", "b", "c", "d", "e", "f", "g"} << QStringList{"b", "e", "y"}
            << QStringList{"b", "e", "y"} << QList<int>{2, 5};
    }
    void entriesMatchByText()
    {
        QFETCH(QStringList, before);
        QFETCH(QStringList, after);
        QFETCH(QStringList, list);
        QFETCH(QList<int>, keptCounts);
        HostListModel hosts;
        ResultsModel results;
        QAbstractItemModelTester hostsTester(&hosts, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QAbstractItemModelTester resultsTester(&results, QAbstractItemModelTester::FailureReportingMode::QtTest);
        hosts.append(before);
        // Row i has failed i + 1 times, so each row can be told apart.
        for (int i = 0; i < hosts.count(); ++i) {
            const HostTable::Slot row = results.appendRow(hosts.entry(i).id, hosts.text(i));
            for (int k = 0; k <= i; ++k)
                ResultsFeed::failure(results.table(), row, 11010, QDateTime::currentDateTime());
        }
        const HostListSync::Change change = HostListSync::apply(hosts, results.table(), after);
        QCOMPARE(hosts.texts(), list);
        QCOMPARE(change.kept, keptCounts.size());
        QCOMPARE(change.kept + change.added, list.size());
        QCOMPARE(change.kept + change.removed, before.size());
        QCOMPARE(results.count(), keptCounts.size()); // new hosts get their rows in their first round
        for (int i = 0; i < results.count(); ++i) {
            QCOMPARE(results.table().failed(results.table().slotAt(i)), quint64(keptCounts.at(i)));
            QVERIFY(hosts.contains(results.table().hostId(results.table().slotAt(i))));
        }
    }
};

QTEST_GUILESS_MAIN(HostListSyncTest)
#include "HostListSyncTest.moc"
