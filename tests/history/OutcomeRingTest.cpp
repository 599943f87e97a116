#include "history/OutcomeRing.h"

#include <QtTest>

Q_DECLARE_METATYPE(Outcome)

namespace
{
constexpr qint64 T0 = 1796655909000; // 2026-12-07 15:05:09 UTC

Outcome answer(qint64 timeMs, quint32 rttTenths, quint8 ttl = 64)
{
    return Outcome{timeMs, 0, rttTenths, ttl};
}

QList<quint32> rtts(const QList<Outcome>& outcomes)
{
    QList<quint32> out;
    for (const Outcome& o : outcomes)
        out.append(o.rttTenths);
    return out;
}
} // namespace

class OutcomeRingTest : public QObject
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
        QTest::newRow("capacity 0 keeps nothing") << 0 << 3;
    }
    void keepsTheNewest()
    {
        QFETCH(int, capacity);
        QFETCH(int, appended);
        OutcomeRing ring(capacity);
        // Outcome i at T0 + i*i seconds: uneven gaps, so a wrong gap shows up in the times.
        for (int i = 1; i <= appended; ++i)
            ring.append(answer(T0 + qint64(i) * i * 1000, quint32(i)));
        const int kept = std::min(capacity, appended);
        QCOMPARE(ring.size(), kept);
        QList<Outcome> expected;
        for (int i = appended - kept + 1; i <= appended; ++i)
            expected.append(answer(T0 + qint64(i) * i * 1000, quint32(i)));
        QCOMPARE(ring.outcomes(), expected);
        if (kept > 0) {
            QCOMPARE(ring.oldestTimeMs(), expected.first().timeMs);
            QCOMPARE(ring.newest(), expected.last());
        }
    }

    void packsEachOutcomeInEightBytes_data()
    {
        QTest::addColumn<Outcome>("in");
        QTest::addColumn<Outcome>("out");
        QTest::newRow("answer") << answer(T0, 513, 63) << answer(T0, 513, 63);
        QTest::newRow("largest round-trip time") << answer(T0, 65535) << answer(T0, 65535);
        QTest::newRow("16-bit overflow keeps 6553.5 ms") << answer(T0, 70000) << answer(T0, 65535);
        QTest::newRow("timed out") << Outcome{T0, 11010, 0, 0} << Outcome{T0, 11010, 0, 0};
        QTest::newRow("a failure carries no time or TTL") << Outcome{T0, 11003, 7, 9} << Outcome{T0, 11003, 0, 0};
        QTest::newRow("unknown code") << Outcome{T0, 42, 0, 0} << Outcome{T0, 11050, 0, 0};
    }
    void packsEachOutcomeInEightBytes()
    {
        QFETCH(Outcome, in);
        QFETCH(Outcome, out);
        OutcomeRing ring(2);
        ring.append(answer(T0 - 1000, 1));
        ring.append(in);
        QCOMPARE(ring.newest(), out);
        QCOMPARE(ring.slotBytes(), 16);
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
        OutcomeRing ring(3);
        ring.append(answer(T0, 1));
        ring.append(answer(secondAt, 2));
        ring.append(answer(secondAt + 1000, 3));
        QCOMPARE(ring.outcomes().at(1).timeMs, keptAt);
        QCOMPARE(ring.newest().timeMs, keptAt + 1000);
    }

    void capacityChangeKeepsTheNewest_data()
    {
        QTest::addColumn<int>("capacity");
        QTest::addColumn<QList<quint32>>("kept");
        QTest::newRow("shrink") << 2 << QList<quint32>{5, 6};
        QTest::newRow("grow") << 10 << QList<quint32>{3, 4, 5, 6};
        QTest::newRow("to nothing") << 0 << QList<quint32>{};
    }
    void capacityChangeKeepsTheNewest()
    {
        QFETCH(int, capacity);
        QFETCH(QList<quint32>, kept);
        OutcomeRing ring(4);
        for (quint32 i = 1; i <= 6; ++i) // wrapped: the slots start mid-array
            ring.append(answer(T0 + i * 1000, i));
        ring.setCapacity(capacity);
        QCOMPARE(rtts(ring.outcomes()), kept);
        if (!kept.isEmpty()) {
            QCOMPARE(ring.oldestTimeMs(), T0 + kept.first() * 1000);
            QCOMPARE(ring.outcomes().last().timeMs, T0 + 6000);
            ring.append(answer(T0 + 7000, 7));
            QCOMPARE(ring.newest().timeMs, T0 + 7000);
        }
    }

    void outcomesSinceATime()
    {
        OutcomeRing ring(4);
        for (quint32 i = 1; i <= 6; ++i)
            ring.append(answer(T0 + i * 1000, i));
        QCOMPARE(rtts(ring.outcomes(T0 + 4500)), (QList<quint32>{5, 6}));
        QCOMPARE(rtts(ring.outcomes(T0 + 5000)), (QList<quint32>{5, 6}));
        QCOMPARE(rtts(ring.outcomes(T0)), (QList<quint32>{3, 4, 5, 6}));
        QVERIFY(ring.outcomes(T0 + 7000).isEmpty());
    }

    void clearForgetsEverything()
    {
        OutcomeRing ring(3);
        for (quint32 i = 1; i <= 5; ++i)
            ring.append(answer(T0 + i * 1000, i));
        ring.clear();
        QVERIFY(ring.isEmpty());
        QVERIFY(ring.outcomes().isEmpty());
        ring.append(answer(T0 + 9000, 9));
        QCOMPARE(ring.outcomes(), (QList<Outcome>{answer(T0 + 9000, 9)}));
        QCOMPARE(ring.oldestTimeMs(), T0 + 9000);
    }
};

QTEST_APPLESS_MAIN(OutcomeRingTest)
#include "OutcomeRingTest.moc"
