#include "history/HistoryStore.h"

#include "history/HistoryLimits.h"
#include "history/HistoryRecorder.h"
#include "history/HistoryTable.h"
#include "results/ResultsModel.h"
#include "tests/fakes/FakeSettingsStore.h"
#include "tests/fakes/ResultsFeed.h"

#include <QSignalSpy>
#include <QtTest>

Q_DECLARE_METATYPE(Outcome)

namespace
{
const QDateTime Start(QDate(2026, 12, 7), QTime(15, 5, 9));

constexpr qint64 T0 = 1796655909000; // 2026-12-07 15:05:09 UTC

Outcome answer(qint64 timeMs, quint32 rttUs, quint8 ttl = 64)
{
    return Outcome{timeMs, 0, rttUs, ttl};
}

Outcome answer(qint64 i)
{
    return answer(Start.toMSecsSinceEpoch() + i * 1000, quint32(i));
}

QList<quint32> rtts(const QList<Outcome>& outcomes)
{
    QList<quint32> out;
    for (const Outcome& o : outcomes)
        out.append(o.rttUs);
    return out;
}

// A store with room for one host's ring of this many outcomes.
HistoryStore oneRing(int capacity)
{
    HistoryStore store({std::max(capacity, 1), 1024 * 1024});
    store.setSlotCount(1);
    return store;
}
} // namespace

class HistoryStoreTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void keepsTheNewest_data()
    {
        QTest::addColumn<int>("capacity");
        QTest::addColumn<int>("appended");
        QTest::newRow("part full") << 5 << 3;
        QTest::newRow("exactly full") << 5 << 5;
        QTest::newRow("wrapped once") << 5 << 7;
        QTest::newRow("wrapped many times") << 5 << 23;
        QTest::newRow("capacity 1") << 1 << 4;
    }
    void keepsTheNewest()
    {
        QFETCH(int, capacity);
        QFETCH(int, appended);
        HistoryStore store = oneRing(capacity);
        // Outcome i at T0 + i*i seconds: uneven gaps, so a wrong gap shows up in the times.
        for (int i = 1; i <= appended; ++i)
            store.record(0, answer(T0 + qint64(i) * i * 1000, quint32(i)));
        const int kept = std::min(capacity, appended);
        QCOMPARE(store.size(0), kept);
        QList<Outcome> expected;
        for (int i = appended - kept + 1; i <= appended; ++i)
            expected.append(answer(T0 + qint64(i) * i * 1000, quint32(i)));
        QCOMPARE(store.outcomes(0), expected);
        QCOMPARE(store.oldestTimeMs(0), expected.first().timeMs);
        QCOMPARE(store.newest(0), expected.last());
    }

    void packsEachOutcomeInEightBytes_data()
    {
        QTest::addColumn<Outcome>("in");
        QTest::addColumn<Outcome>("out");
        QTest::newRow("a LAN answer") << answer(T0, 40, 63) << answer(T0, 40, 63);
        QTest::newRow("largest in microseconds") << answer(T0, 4194303) << answer(T0, 4194303);
        QTest::newRow("longer ones in milliseconds") << answer(T0, 59999999) << answer(T0, 59999000);
        QTest::newRow("past 69 minutes kept as that") << answer(T0, 4294967295u) << answer(T0, 4194303000u);
        QTest::newRow("timed out") << Outcome{T0, 11010, 0, 0} << Outcome{T0, 11010, 0, 0};
        QTest::newRow("a failure carries no time or TTL") << Outcome{T0, 11003, 7, 9} << Outcome{T0, 11003, 0, 0};
        QTest::newRow("unknown code") << Outcome{T0, 42, 0, 0} << Outcome{T0, 11050, 0, 0};
    }
    void packsEachOutcomeInEightBytes()
    {
        QFETCH(Outcome, in);
        QFETCH(Outcome, out);
        HistoryStore store({2, 1024});
        store.setSlotCount(1);
        store.record(0, answer(T0 - 1000, 1));
        store.record(0, in);
        QCOMPARE(store.newest(0), out);
        QCOMPARE(store.memoryBytes(), 2 * HistoryStore::BytesPerOutcome + HistoryStore::HostOverheadBytes);
    }

    void oddClockSteps_data()
    {
        QTest::addColumn<qint64>("secondAt");
        QTest::addColumn<qint64>("keptAt");
        QTest::newRow("clock stepped back") << T0 - 5000 << T0;
        QTest::newRow("gap past 49 days") << T0 + qint64(60) * 86400000 << T0 + 4294967295LL;
    }
    void oddClockSteps()
    {
        QFETCH(qint64, secondAt);
        QFETCH(qint64, keptAt);
        HistoryStore store = oneRing(3);
        store.record(0, answer(T0, 1));
        store.record(0, answer(secondAt, 2));
        store.record(0, answer(secondAt + 1000, 3));
        QCOMPARE(store.outcomes(0).at(1).timeMs, keptAt);
        QCOMPARE(store.newest(0).timeMs, keptAt + 1000);
    }

    // More hosts, a smaller share: each ring keeps its newest outcomes, also when it had wrapped.
    void layingOutForMoreHostsKeepsTheNewest_data()
    {
        QTest::addColumn<qint64>("budget");
        QTest::addColumn<QList<quint32>>("kept");
        // Two slots at 32 bytes each leave room for two outcomes each.
        QTest::newRow("shrink") << qint64(96) << QList<quint32>{5, 6};
        QTest::newRow("no room left") << qint64(64) << QList<quint32>{};
    }
    void layingOutForMoreHostsKeepsTheNewest()
    {
        QFETCH(qint64, budget);
        QFETCH(QList<quint32>, kept);
        HistoryStore store({4, budget});
        store.setSlotCount(1);
        QCOMPARE(store.capacityPerHost(), 4);
        for (quint32 i = 1; i <= 6; ++i) // wrapped: the ring starts mid-stripe
            store.record(0, answer(T0 + i * 1000, i));
        store.setSlotCount(2);
        QCOMPARE(rtts(store.outcomes(0)), kept);
        if (!kept.isEmpty()) {
            QCOMPARE(store.oldestTimeMs(0), T0 + kept.first() * 1000);
            QCOMPARE(store.newest(0).timeMs, T0 + 6000);
            store.record(0, answer(T0 + 7000, 7));
            QCOMPARE(rtts(store.outcomes(0)), (QList<quint32>{6, 7}));
        }
    }

    void outcomesSinceATime()
    {
        HistoryStore store = oneRing(4);
        for (quint32 i = 1; i <= 6; ++i)
            store.record(0, answer(T0 + i * 1000, i));
        QCOMPARE(rtts(store.outcomes(0, T0 + 4500)), (QList<quint32>{5, 6}));
        QCOMPARE(rtts(store.outcomes(0, T0 + 5000)), (QList<quint32>{5, 6}));
        QCOMPARE(rtts(store.outcomes(0, T0)), (QList<quint32>{3, 4, 5, 6}));
        QVERIFY(store.outcomes(0, T0 + 7000).isEmpty());
    }

    void forgetAndClear()
    {
        HistoryStore store({3, 1024 * 1024});
        store.setSlotCount(2);
        for (quint32 i = 1; i <= 5; ++i) {
            store.record(0, answer(T0 + i * 1000, i));
            store.record(1, answer(T0 + i * 1000, 10 + i));
        }
        store.forget(0);
        QVERIFY(store.isEmpty(0));
        QCOMPARE(rtts(store.outcomes(1)), (QList<quint32>{13, 14, 15}));
        store.record(0, answer(T0 + 9000, 9));
        QCOMPARE(store.outcomes(0), (QList<Outcome>{answer(T0 + 9000, 9)}));
        QCOMPARE(store.oldestTimeMs(0), T0 + 9000);
        store.clear();
        QCOMPARE(store.storedOutcomes(), 0);
        QCOMPARE(store.memoryBytes(), 0);
    }

    void shareOfTheBudget_data()
    {
        QTest::addColumn<int>("perHost");
        QTest::addColumn<qint64>("budget");
        QTest::addColumn<qint64>("hosts");
        QTest::addColumn<int>("share");
        const qint64 mb = 1024 * 1024;
        QTest::newRow("few hosts keep the setting") << 1000 << 256 * mb << qint64(10) << 1000;
        QTest::newRow("10,000 hosts keep the setting") << 1000 << 256 * mb << qint64(10000) << 1000;
        // (256 MiB - 100,000 x 32) / (100,000 x 8)
        QTest::newRow("100,000 hosts share the budget") << 1000 << 256 * mb << qint64(100000) << 331;
        QTest::newRow("budget below the overheads") << 1000 << qint64(1000) << qint64(100) << 0;
    }
    void shareOfTheBudget()
    {
        QFETCH(int, perHost);
        QFETCH(qint64, budget);
        QFETCH(qint64, hosts);
        QFETCH(int, share);
        HistoryStore store({perHost, budget});
        store.setSlotCount(static_cast<std::size_t>(hosts));
        QCOMPARE(store.capacityPerHost(), share);
    }

    void neverOverTheBudgetAsTheTableGrows()
    {
        const qint64 budget = 64 * 1024;
        HistoryStore store({100, budget});
        std::size_t hosts = 0;
        for (std::size_t step : {10, 40, 150, 400, 1500}) {
            hosts = step;
            store.setSlotCount(hosts);
            QVERIFY2(store.memoryBytes() <= budget, qPrintable(QString::number(store.memoryBytes())));
            for (int r = 0; r < 3; ++r) {
                for (std::size_t h = 0; h < hosts; ++h)
                    store.record(static_cast<HistoryStore::Slot>(h), answer(r));
            }
            QVERIFY(store.memoryBytes() <= budget);
        }
        QCOMPARE(store.size(0), std::min(3, store.capacityPerHost()));
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
        HistoryRecorder recorder(results.table(), store);
        QSignalSpy recorded(&recorder, &HistoryRecorder::recorded);
        QSignalSpy forgotten(&recorder, &HistoryRecorder::forgotten);
        QSignalSpy cleared(&recorder, &HistoryRecorder::cleared);
        const HostTable::Slot a = results.appendRow(1, QStringLiteral("a"));
        const HostTable::Slot b = results.appendRow(2, QStringLiteral("b"));
        const quint64 tagA = results.table().tagOf(a);
        for (int i = 0; i < 4; ++i) // wraps the ring of three
            ResultsFeed::success(results.table(), a, IpAddress::fromIpv4(0x7f000001), 20 + i, 64, Start.addSecs(i));
        ResultsFeed::failure(results.table(), b, 11010, Start.addMSecs(1500));
        QCOMPARE(recorded.size(), 5); // one batch each
        const QList<Outcome> kept = store.outcomes(a);
        QCOMPARE(kept.size(), 3);
        QCOMPARE(kept.first(), (Outcome{Start.addSecs(1).toMSecsSinceEpoch(), 0, 21000, 64}));
        QCOMPARE(store.newest(b), (Outcome{Start.addMSecs(1500).toMSecsSinceEpoch(), 11010, 0, 0}));

        // Replies after their echo was settled: counted beside the outcomes, never one of them.
        EchoOutcome late = ResultsFeed::outcome(results.table(), b, EchoStatus::RequestTimedOut, Start.addSecs(2));
        late.kind = EchoOutcome::Kind::Late;
        EchoOutcome duplicate = ResultsFeed::outcome(results.table(), a, EchoStatus::Success, Start.addSecs(3));
        duplicate.kind = EchoOutcome::Kind::Duplicate;
        duplicate.rttUs = 23000;
        const EchoOutcome strays[] = {late, duplicate, duplicate};
        results.table().apply(strays);
        QCOMPARE(recorded.size(), 6);
        QCOMPARE(store.size(a), 3);
        QCOMPARE(results.table().succeeded(a), 4u);
        QCOMPARE(results.table().failed(b), 1u);

        const ResultsSnapshot table = HistoryTable::snapshot(results.table(), store);
        QCOMPARE(table.headers.size(), 12);
        QCOMPARE(table.headers.mid(8), (QStringList{"Std Dev (ms)", "Late", "Duplicates", "MOS"}));
        QCOMPARE(table.rows.at(0), (QStringList{"a", "21.000", "23.000", "22.000", "22.000", "23.000", "1.000", "0.00%",
                                                "0.816", "0", "2", "4.39"}));
        QCOMPARE(table.rows.at(1), (QStringList{"b", "", "", "", "", "", "", "100.00%", "", "1", "0", "1.00"}));

        results.removeAt(0);
        QCOMPARE(forgotten.size(), 1);
        QCOMPARE(forgotten.first().first().toULongLong(), tagA);
        QVERIFY(store.isEmpty(a));
        QVERIFY(!store.isEmpty(b));
        results.clear();
        QCOMPARE(cleared.size(), 1);
        QCOMPARE(store.storedOutcomes(), 0);
        QCOMPARE(store.memoryBytes(), 0);
    }
};

QTEST_GUILESS_MAIN(HistoryStoreTest)
#include "HistoryStoreTest.moc"
