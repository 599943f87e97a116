#include "platform/FrameTimer.h"

#include <QSignalSpy>
#include <QTest>

class FrameTimerTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // A frame fires once however often it is started, and a stopped frame never fires, not even from an expiry
    // the event loop had not read yet.
    void firesOncePerFrameAndNeverAfterStop()
    {
        FrameTimer timer(20);
        QSignalSpy fired(&timer, &FrameTimer::timeout);
        timer.start();
        QTest::qSleep(10);
        timer.start();
        QVERIFY(fired.wait(1000));
        QVERIFY(!timer.isActive());
        QTest::qWait(60);
        QCOMPARE(fired.count(), 1);

        timer.start();
        QTest::qSleep(40); // expired, but not yet read by the event loop
        timer.stop();
        QTest::qWait(60);
        QCOMPARE(fired.count(), 1);

        timer.start();
        QVERIFY(fired.wait(1000));
        QCOMPARE(fired.count(), 2);
    }

    void zeroIntervalFiresOnTheNextTurn()
    {
        FrameTimer timer(0);
        QSignalSpy fired(&timer, &FrameTimer::timeout);
        timer.start();
        QVERIFY(fired.wait(1000));
        QCOMPARE(fired.count(), 1);
    }
};

QTEST_GUILESS_MAIN(FrameTimerTest)
#include "FrameTimerTest.moc"
