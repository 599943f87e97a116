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

    // Target groups: "g/text" is the text in group g. The same text in another group is another target.
    void entriesMatchByKey_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QStringList>("list"); // afterwards, as group/text
        QTest::addColumn<QList<int>>("added"); // the indexes of after that were appended
        QTest::newRow("unchanged") << QStringList{"1/a", "2/a"} << QStringList{"1/a", "2/a"}
                                   << QStringList{"1/a", "2/a"} << QList<int>{};
        QTest::newRow("moved to another group")
            << QStringList{"1/a", "1/b"} << QStringList{"1/b", "2/a"} << QStringList{"1/b", "2/a"} << QList<int>{1};
        QTest::newRow("a group dropped") << QStringList{"1/a", "2/a", "2/b"} << QStringList{"1/a", "1/b"}
                                         << QStringList{"1/a", "1/b"} << QList<int>{1};
    }
    void entriesMatchByKey()
    {
        QFETCH(QStringList, before);
        QFETCH(QStringList, after);
        HostListModel hosts;
        ResultsModel results;
        QHash<quint64, QString> groupOf;
        for (const QString& target : before) {
            const quint64 id = hosts.append(target.section('/', 1));
            groupOf.insert(id, target.section('/', 0, 0));
            results.appendRow(id, target.section('/', 1));
        }
        QStringList texts;
        for (const QString& target : after)
            texts.append(target.section('/', 1));
        std::vector<int> addedFrom;
        HostListSync::apply(
            hosts, results.table(), texts, after,
            [&](const HostEntry& e) { return groupOf.value(e.id) + '/' + e.text; }, &addedFrom);
        const int first = hosts.count() - static_cast<int>(addedFrom.size());
        for (std::size_t k = 0; k < addedFrom.size(); ++k)
            groupOf.insert(hosts.entry(first + static_cast<int>(k)).id, after.at(addedFrom[k]).section('/', 0, 0));
        QStringList list;
        for (int i = 0; i < hosts.count(); ++i)
            list.append(groupOf.value(hosts.entry(i).id) + '/' + hosts.text(i));
        QTEST(list, "list");
        QTEST(QList<int>(addedFrom.begin(), addedFrom.end()), "added");
        QCOMPARE(results.count(), hosts.count() - static_cast<int>(addedFrom.size()));
    }
};

QTEST_GUILESS_MAIN(HostListSyncTest)
#include "HostListSyncTest.moc"
