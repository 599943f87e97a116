#include "app/gui/HostDetailsWindow.h"

#include "app/gui/HostDetailsWindows.h"
#include "app/gui/LatencyChart.h"
#include "history/HistoryRecorder.h"
#include "history/HistoryStore.h"
#include "results/ResultsModel.h"
#include "tests/fakes/ResultsFeed.h"

#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QSortFilterProxyModel>
#include <QtTest>

namespace
{
const QDateTime Start(QDate(2026, 12, 7), QTime(15, 5, 9));

QString figure(QWidget* window, const char* name)
{
    const auto* label = window->findChild<QLabel*>(QLatin1String(name));
    return label ? label->text() : QStringLiteral("<no %1>").arg(QLatin1String(name));
}

// Three rows whose round-trip times tell them apart: a answers in 10 ms, b in 20 ms, c in 30 ms.
struct Table {
    ResultsModel results;
    HistoryStore store;
    HistoryRecorder recorder{results.table(), store};
    QWidget owner;
    HostDetailsWindows windows{recorder, &owner};
    QSortFilterProxyModel proxy;
    HostTable::Slot a = results.appendRow(1, QStringLiteral("a"));
    HostTable::Slot b = results.appendRow(2, QStringLiteral("b"));
    HostTable::Slot c = results.appendRow(3, QStringLiteral("c"));

    Table()
    {
        proxy.setSourceModel(&results);
        for (int i = 0; i < 3; ++i) {
            ResultsFeed::success(results.table(), a, IpAddress::fromIpv4(1), 10, 64, Start.addSecs(i));
            ResultsFeed::success(results.table(), b, IpAddress::fromIpv4(2), 20, 64, Start.addSecs(i));
            ResultsFeed::success(results.table(), c, IpAddress::fromIpv4(3), 30, 64, Start.addSecs(i));
        }
    }
    quint64 tagOf(HostTable::Slot slot) const { return results.table().tagOf(slot); }
    QModelIndex proxyIndexOf(const QString& host)
    {
        const QModelIndexList found = proxy.match(proxy.index(0, 0), Qt::DisplayRole, host, 1, Qt::MatchExactly);
        return found.value(0);
    }
};
} // namespace

class HostDetailsWindowTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void followsItsRowThroughSortFilterDeleteAndClear()
    {
        Table t;
        t.proxy.sort(0, Qt::DescendingOrder); // c, b, a
        QCOMPARE(t.proxy.index(1, 0).data().toString(), QStringLiteral("b"));
        QPointer<HostDetailsWindow> bWindow = t.windows.openAt(t.proxy.index(1, 0));
        QVERIFY(bWindow);
        QCOMPARE(bWindow->tag(), t.tagOf(t.b));
        QCOMPARE(figure(bWindow, "host"), QStringLiteral("b"));
        QCOMPARE(figure(bWindow, "mean"), QStringLiteral("20.000 ms"));
        QCOMPARE(t.windows.openAt(t.proxyIndexOf(QStringLiteral("b"))), bWindow.data()); // no second window

        t.proxy.sort(0, Qt::AscendingOrder);
        t.proxy.setFilterFixedString(QStringLiteral("c")); // b is filtered out, yet still a row
        ResultsFeed::failure(t.results.table(), t.b, 11010, Start.addSecs(3));
        QTRY_COMPARE(figure(bWindow, "loss"), QStringLiteral("25.00% (1 of 4)"));
        QCOMPARE(figure(bWindow, "streak"), QStringLiteral("failing since 15:05:12"));

        QPointer<HostDetailsWindow> cWindow = t.windows.openAt(t.proxyIndexOf(QStringLiteral("c")));
        QVERIFY(cWindow && cWindow != bWindow);
        QCOMPARE(figure(cWindow, "max"), QStringLiteral("30.000 ms"));
        QCOMPARE(t.windows.windows().size(), 2);

        t.results.removeAt(t.results.table().rowOf(t.a)); // rows move up under b and c
        ResultsFeed::success(t.results.table(), t.b, IpAddress::fromIpv4(2), 40, 64, Start.addSecs(4));
        bWindow->refresh();
        QCOMPARE(figure(bWindow, "max"), QStringLiteral("40.000 ms"));
        QCOMPARE(figure(cWindow, "max"), QStringLiteral("30.000 ms"));

        const quint64 bTag = t.tagOf(t.b);
        t.results.removeAt(t.results.table().rowOf(t.b));
        QVERIFY(!bWindow || !bWindow->isVisible());
        QTRY_VERIFY(!bWindow);
        QVERIFY(cWindow);
        QVERIFY(!t.windows.open(bTag)); // the row is gone

        t.results.clear();
        QTRY_VERIFY(!cWindow);
        QVERIFY(t.windows.windows().isEmpty());
    }

    void rangesAndChart_data()
    {
        QTest::addColumn<int>("range");
        QTest::addColumn<int>("shown");
        QTest::addColumn<QString>("min");
        QTest::newRow("last 5 minutes") << int(HostDetailsWindow::LastFiveMinutes) << 3 << "70.000 ms";
        QTest::newRow("last hour") << int(HostDetailsWindow::LastHour) << 5 << "50.000 ms";
        QTest::newRow("everything kept") << int(HostDetailsWindow::EverythingKept) << 6 << "50.000 ms";
    }
    void rangesAndChart()
    {
        QFETCH(int, range);
        QFETCH(int, shown);
        QFETCH(QString, min);
        ResultsModel results;
        HistoryStore store;
        HistoryRecorder recorder(results.table(), store);
        const HostTable::Slot row = results.appendRow(1, QStringLiteral("host"));
        // Two hours ago, 30 and 10 minutes ago, then a failure and two answers in the last minutes.
        ResultsFeed::success(results.table(), row, IpAddress::fromIpv4(1), 50, 64, Start.addSecs(-7200));
        ResultsFeed::success(results.table(), row, IpAddress::fromIpv4(1), 60, 64, Start.addSecs(-1800));
        ResultsFeed::success(results.table(), row, IpAddress::fromIpv4(1), 50, 64, Start.addSecs(-600));
        ResultsFeed::failure(results.table(), row, 11010, Start.addSecs(-120));
        ResultsFeed::success(results.table(), row, IpAddress::fromIpv4(1), 70, 64, Start.addSecs(-60));
        ResultsFeed::success(results.table(), row, IpAddress::fromIpv4(1), 80, 64, Start);
        HostDetailsWindow window(recorder, results.table().tagOf(row));
        window.setRange(HostDetailsWindow::Range(range));
        QCOMPARE(window.findChild<QComboBox*>(QStringLiteral("range"))->currentIndex(), range);
        QCOMPARE(window.chart().outcomes().size(), shown);
        QCOMPARE(figure(&window, "min"), min);
        QCOMPARE(figure(&window, "max"), QStringLiteral("80.000 ms"));
        const std::optional<Outcome> failure = window.chart().nearest(Start.addSecs(-100).toMSecsSinceEpoch(), false);
        QCOMPARE(failure.value().status, quint32(11010));
        const std::optional<Outcome> answer = window.chart().nearest(Start.addSecs(-10).toMSecsSinceEpoch(), true);
        QCOMPARE(answer.value().rttUs, quint32(80000));
    }

    void contextMenuOpensTheRowsWindow()
    {
        Table t;
        QWidget parent;
        QMenu* menu = t.windows.menuFor(t.proxyIndexOf(QStringLiteral("c")), &parent);
        QCOMPARE(menu->actions().size(), 1);
        menu->actions().first()->trigger();
        QCOMPARE(t.windows.windows().size(), 1);
        QCOMPARE(t.windows.windows().first()->tag(), t.tagOf(t.c));
    }
};

QTEST_MAIN(HostDetailsWindowTest)
#include "HostDetailsWindowTest.moc"
