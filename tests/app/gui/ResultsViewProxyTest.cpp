// The window's view of the results under a seeded run of appends, outcomes, removals, clears, sorts and
// filter changes: the mapping stays consistent, a refresh shows exactly the rows a plain sort would, and
// the current row follows its host across refreshes.

#include "app/gui/ResultsViewProxy.h"

#include "platform/IpAddress.h"
#include "results/ResultsModel.h"
#include "tests/fakes/ResultsFeed.h"

#include <QAbstractItemModelTester>
#include <QItemSelectionModel>
#include <QRandomGenerator>
#include <QtTest>
#include <algorithm>

namespace
{

const QList<int> NumberColumns = {ResultsModel::SucceedCount, ResultsModel::FailedCount, ResultsModel::PercentFailed,
                                  ResultsModel::LastTime, ResultsModel::LastSucceedOn};

// What a refresh must show, worked out the plain way: filter, then a stable sort on the typed values.
QList<int> expectedRows(const ResultsModel& results, int column, Qt::SortOrder order, bool failingOnly)
{
    QList<int> rows;
    for (int i = 0; i < results.count(); ++i) {
        if (!failingOnly || results.outcome(i) == ResultsModel::Outcome::Failing)
            rows.append(i);
    }
    if (column < 0)
        return rows;
    const HostTable& table = results.table();
    auto key = [&](int row) {
        const HostTable::Slot s = table.slotAt(row);
        const double sent = double(table.succeeded(s) + table.failed(s));
        const bool answered = table.succeeded(s) > 0;
        switch (column) {
        case ResultsModel::SucceedCount:
            return std::pair(sent > 0, double(table.succeeded(s)));
        case ResultsModel::FailedCount:
            return std::pair(sent > 0, double(table.failed(s)));
        case ResultsModel::PercentFailed:
            return std::pair(sent > 0, sent > 0 ? double(table.failed(s)) / sent : 0.0);
        case ResultsModel::LastTime:
            return std::pair(answered, answered ? double(table.lastRttUs(s) / 1000) : 0.0);
        default:
            return std::pair(answered, answered ? double(table.lastSuccessUs(s)) : 0.0);
        }
    };
    std::stable_sort(rows.begin(), rows.end(),
                     [&](int l, int r) { return order == Qt::AscendingOrder ? key(l) < key(r) : key(r) < key(l); });
    return rows;
}

QList<int> shownRows(const ResultsViewProxy& proxy)
{
    QList<int> rows;
    for (int i = 0; i < proxy.rowCount(); ++i) {
        const QModelIndex source = proxy.mapToSource(proxy.index(i, 0));
        rows.append(source.row());
        if (proxy.mapFromSource(source) != proxy.index(i, 0))
            return {-1}; // the two directions disagree
    }
    return rows;
}

} // namespace

class ResultsViewProxyTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void textCellsSortAfterNumbersIgnoringCase_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<Qt::SortOrder>("order");
        QTest::addColumn<QStringList>("hosts");
        QTest::newRow("host up") << int(ResultsModel::HostName) << Qt::AscendingOrder
                                 << QStringList{"10.0.0.9",  "10.0.0.10", "A.example",
                                                "a.example", "b.example", "fd00::1"};
        QTest::newRow("host down") << int(ResultsModel::HostName) << Qt::DescendingOrder
                                   << QStringList{"fd00::1",   "b.example", "A.example",
                                                  "a.example", "10.0.0.10", "10.0.0.9"};
        QTest::newRow("status up") << int(ResultsModel::LastStatus) << Qt::AscendingOrder
                                   << QStringList{"a.example", "A.example", "fd00::1",
                                                  "10.0.0.10", "b.example", "10.0.0.9"};
        QTest::newRow("status down") << int(ResultsModel::LastStatus) << Qt::DescendingOrder
                                     << QStringList{"b.example", "10.0.0.9",  "10.0.0.10",
                                                    "fd00::1",   "A.example", "a.example"};
        QTest::newRow("reply up") << int(ResultsModel::ReplyAddress) << Qt::AscendingOrder
                                  << QStringList{"10.0.0.10", "A.example", "a.example",
                                                 "fd00::1",   "b.example", "10.0.0.9"};
    }
    void textCellsSortAfterNumbersIgnoringCase()
    {
        QFETCH(int, column);
        QFETCH(Qt::SortOrder, order);
        QFETCH(QStringList, hosts);
        ResultsModel results;
        const QDateTime when(QDate(2026, 12, 8), QTime(12, 0));
        const QStringList names{"b.example", "10.0.0.10", "A.example", "10.0.0.9", "a.example", "fd00::1"};
        for (qsizetype i = 0; i < names.size(); ++i)
            results.appendRow(quint64(i + 1), names.at(i));
        HostTable& table = results.table();
        ResultsFeed::success(table, table.slotAt(0), IpAddress::fromIpv4(0x0A000002), 1, 64, when);
        ResultsFeed::failure(table, table.slotAt(1), 11010, when);
        ResultsFeed::failure(table, table.slotAt(2), 11003, when);
        ResultsFeed::success(table, table.slotAt(3), *IpAddress::parseIpv6(QStringLiteral("fd00::1")), 1, 64, when);
        ResultsFeed::failure(table, table.slotAt(5), 200, when);
        ResultsViewProxy proxy(results);
        proxy.setSort(column, order);
        QStringList shown;
        for (int row = 0; row < proxy.rowCount(); ++row)
            shown.append(proxy.index(row, ResultsModel::HostName).data().toString());
        QCOMPARE(shown, hosts);
    }
    void seededEditsKeepTheViewConsistent_data()
    {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed : {1u, 2u, 3u, 4u})
            QTest::newRow(qPrintable(QStringLiteral("seed %1").arg(seed))) << seed;
    }
    void seededEditsKeepTheViewConsistent()
    {
        QFETCH(quint32, seed);
        QRandomGenerator random(seed);
        ResultsModel results;
        ResultsViewProxy proxy(results);
        QAbstractItemModelTester tester(&proxy, QAbstractItemModelTester::FailureReportingMode::Fatal);
        QItemSelectionModel selection(&proxy);
        const QDateTime start(QDate(2026, 12, 8), QTime(12, 0));
        quint64 nextHost = 1;
        for (int step = 0; step < 400; ++step) {
            const int rows = results.count();
            const int pick = rows > 0 ? random.bounded(rows) : 0;
            switch (random.bounded(10)) {
            case 0:
            case 1:
            case 2:
                for (int n = random.bounded(1, 4); n > 0; --n, ++nextHost)
                    results.appendRow(nextHost, QStringLiteral("10.0.0.%1").arg(nextHost % 250));
                break;
            case 3:
            case 4:
            case 5:
                if (rows > 0 && random.bounded(2) == 0)
                    ResultsFeed::success(results.table(), results.table().slotAt(pick), IpAddress::fromIpv4(0x0A000001),
                                         random.bounded(50), 64, start.addSecs(step));
                else if (rows > 0)
                    ResultsFeed::failure(results.table(), results.table().slotAt(pick), 11010, start.addSecs(step));
                results.flushChangedRows();
                break;
            case 6:
                if (rows > 0)
                    results.removeAt(pick);
                break;
            case 7:
                proxy.setSort(random.bounded(3) == 0 ? -1 : NumberColumns.at(random.bounded(NumberColumns.size())),
                              random.bounded(2) == 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
                break;
            case 8:
                proxy.setFailingOnly(!proxy.failingOnly());
                break;
            default:
                if (random.bounded(8) == 0)
                    results.clear();
                break;
            }
            QVERIFY2(!shownRows(proxy).contains(-1), qPrintable(QStringLiteral("step %1").arg(step)));

            // The current row follows its host through a refresh.
            if (proxy.rowCount() > 0)
                selection.setCurrentIndex(proxy.index(random.bounded(proxy.rowCount()), 1),
                                          QItemSelectionModel::ClearAndSelect);
            const auto tagShown = [&] {
                return results.table().tagOf(results.table().slotAt(proxy.mapToSource(selection.currentIndex()).row()));
            };
            const quint64 current = proxy.rowCount() > 0 ? tagShown() : 0;
            proxy.refreshNow();
            QCOMPARE(shownRows(proxy),
                     expectedRows(results, proxy.sortColumnShown(), proxy.sortOrderShown(), proxy.failingOnly()));
            if (current != 0 && selection.currentIndex().isValid())
                QCOMPARE(tagShown(), current);
            QCOMPARE(proxy.sourceRowsInViewOrder(),
                     expectedRows(results, proxy.sortColumnShown(), proxy.sortOrderShown(), false));
        }
    }
};

QTEST_MAIN(ResultsViewProxyTest)
#include "ResultsViewProxyTest.moc"
