#include "alerts/FlapDetector.h"

#include <QtTest>

namespace
{
constexpr qint64 T0 = 1796655909000; // 2026-12-07, ms since the epoch
}

class FlapDetectorTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Steps, in seconds: "cT" the host changes state at T, "rT" a round at T. What comes out: "T" a change that
    // is told, "(T)" one held back, "T+" flapping started (held back too), "T-" flapping ended.
    void flaps_data()
    {
        QTest::addColumn<int>("changes");
        QTest::addColumn<int>("windowSecs");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("told");
        QTest::newRow("far apart") << 3 << 60 << "c0 c100 c200 r250 c300"
                                   << "0 100 200 300";
        QTest::newRow("three within the window") << 3 << 60 << "c0 c20 c40 c50"
                                                 << "0 20 40+ (50)";
        QTest::newRow("the window's end is outside") << 3 << 60 << "c0 c30 c60"
                                                     << "0 30 60";
        QTest::newRow("ends on the round after a stable window") << 3 << 60 << "c0 c20 c40 r99 r100 r200"
                                                                 << "0 20 40+ 100-";
        QTest::newRow("a change keeps it flapping") << 3 << 60 << "c0 c20 c40 c90 r140 r150"
                                                    << "0 20 40+ (90) 150-";
        QTest::newRow("ends on a change after a stable window") << 3 << 60 << "c0 c20 c40 c100 c110"
                                                                << "0 20 40+ 100- 100 110";
        QTest::newRow("flaps again") << 3 << 60 << "c0 c20 c40 r100 c110 c120 c130"
                                     << "0 20 40+ 100- 110 120 130+";
        QTest::newRow("the last changes count, not the first") << 3 << 60 << "c0 c50 c100 c105"
                                                               << "0 50 100 105+";
        QTest::newRow("six in ten minutes") << 6 << 600 << "c0 c100 c200 c300 c400 c540 r1100 r1140"
                                            << "0 100 200 300 400 540+ 1140-";
        QTest::newRow("six in more than ten") << 6 << 600 << "c0 c100 c200 c300 c400 c600"
                                              << "0 100 200 300 400 600";
    }
    void flaps()
    {
        QFETCH(int, changes);
        QFETCH(int, windowSecs);
        QFETCH(QString, steps);
        QFETCH(QString, told);
        FlapDetector detector({changes, windowSecs * 1000LL});
        const QString host = QStringLiteral("answer.lab");
        QStringList got;
        for (const QString& step : steps.split(u' ')) {
            const int secs = step.mid(1).toInt();
            const qint64 at = T0 + secs * 1000LL;
            if (step.startsWith(u'r')) {
                for (const QString& ended : detector.roundAt(at)) {
                    QCOMPARE(ended, host);
                    got << QStringLiteral("%1-").arg(secs);
                }
                continue;
            }
            const FlapDetector::Change change = detector.changed(host, at);
            if (change == FlapDetector::Change::FlappingEnded)
                got << QStringLiteral("%1-").arg(secs);
            if (change == FlapDetector::Change::FlappingStarted)
                got << QStringLiteral("%1+").arg(secs);
            else
                got << (detector.isFlapping(host) ? QStringLiteral("(%1)") : QStringLiteral("%1")).arg(secs);
        }
        QCOMPARE(got.join(u' '), told);
    }

    // Only hosts that changed within the window are kept, and a flapping one until its flapping ends.
    void keepsOnlyRecentChanges()
    {
        FlapDetector detector({3, 60000});
        for (int i = 0; i < 1000; ++i)
            detector.changed(QStringLiteral("h%1").arg(i), T0 + i);
        for (int k = 0; k < 3; ++k)
            detector.changed(QStringLiteral("flapping"), T0 + 50000 + k);
        QCOMPARE(detector.trackedHosts(), 1001);
        QCOMPARE(detector.roundAt(T0 + 60999), QStringList{});
        QCOMPARE(detector.trackedHosts(), 1);
        QVERIFY(detector.isFlapping(QStringLiteral("flapping")));
        QCOMPARE(detector.roundAt(T0 + 110002), QStringList{"flapping"});
        QCOMPARE(detector.trackedHosts(), 0);
    }
};

QTEST_GUILESS_MAIN(FlapDetectorTest)
#include "FlapDetectorTest.moc"
