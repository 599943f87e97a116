#include "history/HistoryStore.h"

#include "results/ResultsModel.h"
#include "history/HistoryLimits.h"
#include "history/HistoryRecorder.h"
#include "history/HistoryTable.h"
#include "tests/fakes/FakeSettingsStore.h"

#include <QSignalSpy>
#include <QtTest>

namespace
{
const QDateTime Start(QDate(2026, 12, 7), QTime(15, 5, 9));

Outcome answer(qint64 i)
{
    return Outcome{Start.toMSecsSinceEpoch() + i * 1000, 0, quint32(i), 64};
}
} // namespace

class HistoryStoreTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void shareOfTheBudget_data()
    {
        QTest::addColumn<int>("perHost");
        QTest::addColumn<qint64>("budget");
        QTest::addColumn<qint64>("hosts");
        QTest::addColumn<int>("share");
        const qint64 mb = 1024 * 1024;
        QTest::newRow("few hosts keep the setting") << 1000 << 256 * mb << qint64(10) << 1000;
        QTest::newRow("10,000 hosts keep the setting") << 1000 << 256 * mb << qint64(10000) << 1000;
        // (256 MiB - 100,000 x 128) / (100,000 x 8)
        QTest::newRow("100,000 hosts share the budget") << 1000 << 256 * mb << qint64(100000) << 319;
        QTest::newRow("budget below the overheads") << 1000 << qint64(1000) << qint64(100) << 0;
    }
    void shareOfTheBudget()
    {
        QFETCH(int, perHost);
        QFETCH(qint64, budget);
        QFETCH(qint64, hosts);
        QFETCH(int, share);
        HistoryStore store({perHost, budget});
        store.setHostCount(hosts);
        QCOMPARE(store.capacityPerHost(), share);
    }

    void neverOverTheBudgetAsTheTableGrowsAndShrinks()
    {
        const qint64 budget = 64 * 1024;
        HistoryStore store({100, budget});
        qint64 hosts = 0;
        auto fill = [&](int rounds) {
            for (int r = 0; r < rounds; ++r) {
                for (qint64 h = 1; h <= hosts; ++h) {
                    store.record(quint64(h), answer(r));
                    QVERIFY2(store.memoryBytes() <= budget, qPrintable(QString::number(store.memoryBytes())));
                }
            }
        };
        for (qint64 step : {10, 40, 150, 400}) {
            hosts = step;
            store.setHostCount(hosts);
            QVERIFY(store.memoryBytes() <= budget);
            fill(3);
        }
        QCOMPARE(store.hostsWithHistory(), 400);
        QVERIFY(store.ring(1)->capacity() <= store.capacityPerHost() * 5 / 4 + 1);
        // Fewer rows: the share grows back as outcomes come in.
        for (quint64 h = 11; h <= 400; ++h)
            store.remove(h);
        hosts = 10;
        store.setHostCount(hosts);
        fill(120);
        QCOMPARE(store.ring(1)->size(), 100);
        QCOMPARE(store.storedOutcomes(), 1000);
    }

    void limitsFromTheirOwnSettingsGroup_data()
    {
        QTest::addColumn<QString>("perHost");
        QTest::addColumn<QString>("budgetMb");
        QTest::addColumn<int>("outcomes");
        QTest::addColumn<qint64>("bytes");
        QTest::newRow("absent") << QString() << QString() << 1000 << qint64(256) * 1024 * 1024;
        QTest::newRow("set") << "5000"
                             << "32" << 5000 << qint64(32) * 1024 * 1024;
        QTest::newRow("out of range") << "0"
                                      << "-3" << 1000 << qint64(256) * 1024 * 1024;
        QTest::newRow("not a number") << "many"
                                      << "1e3" << 1000 << qint64(256) * 1024 * 1024;
    }
    void limitsFromTheirOwnSettingsGroup()
    {
        QFETCH(QString, perHost);
        QFETCH(QString, budgetMb);
        QFETCH(int, outcomes);
        QFETCH(qint64, bytes);
        FakeSettingsStore settings;
        if (!perHost.isNull())
            settings.values.insert(QStringLiteral("Corvexa/History/OutcomesPerHost"), perHost);
        if (!budgetMb.isNull())
            settings.values.insert(QStringLiteral("Corvexa/History/MemoryBudgetMB"), budgetMb);
        const HistoryLimits limits = HistoryLimits::load(settings);
        QCOMPARE(limits.outcomesPerHost, outcomes);
        QCOMPARE(limits.budgetBytes, bytes);
    }

    void recorderFollowsTheResultsTable()
    {
        ResultsModel results;
        HistoryStore store({3, 1024 * 1024});
        HistoryRecorder recorder(results, store);
        QSignalSpy recorded(&recorder, &HistoryRecorder::recorded);
        QSignalSpy forgotten(&recorder, &HistoryRecorder::forgotten);
        QSignalSpy cleared(&recorder, &HistoryRecorder::cleared);
        const quint64 a = results.appendRow(1, QStringLiteral("a"));
        const quint64 b = results.appendRow(2, QStringLiteral("b"));
        for (int i = 0; i < 4; ++i) // wraps the ring of three
            results.recordSuccess(a, IpAddress::fromIpv4(0x7f000001), 20 + i, 64, Start.addSecs(i));
        results.recordFailure(b, 11010, Start.addMSecs(1500));
        QCOMPARE(recorded.size(), 5);
        const QList<Outcome> kept = store.ring(a)->outcomes();
        QCOMPARE(kept.size(), 3);
        QCOMPARE(kept.first(), (Outcome{Start.addSecs(1).toMSecsSinceEpoch(), 0, 210, 64}));
        QCOMPARE(store.ring(b)->newest(), (Outcome{Start.addMSecs(1500).toMSecsSinceEpoch(), 11010, 0, 0}));

        const ResultsSnapshot table = HistoryTable::snapshot(results, store);
        QCOMPARE(table.headers.size(), 8);
        QCOMPARE(table.rows.at(0), (QStringList{"a", "21.0", "23.0", "22.0", "22.0", "23.0", "1.0", "0.00%"}));
        QCOMPARE(table.rows.at(1), (QStringList{"b", "", "", "", "", "", "", "100.00%"}));

        results.removeAt(0);
        QCOMPARE(forgotten.size(), 1);
        QCOMPARE(forgotten.first().first().toULongLong(), a);
        QVERIFY(!store.ring(a));
        QVERIFY(store.ring(b));
        results.clear();
        QCOMPARE(cleared.size(), 1);
        QCOMPARE(store.hostsWithHistory(), 0);
        QCOMPARE(store.memoryBytes(), 0);
    }
};

QTEST_GUILESS_MAIN(HistoryStoreTest)
#include "HistoryStoreTest.moc"
