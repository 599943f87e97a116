#include "ping/LinuxEchoService.h"
#include "platform/LinuxIcmpSocket.h"
#include "platform/SystemPreciseClock.h"
#include "tests/fakes/FakeRandom.h"
#include "tests/ping/EchoOutcomes.h"

#include <QSignalSpy>
#include <QTest>

// Runs where neither a raw nor a ping socket may be opened (the lab drops CAP_NET_RAW and keeps
// ping_group_range closed): the caller hears about it once, and every echo fails fast.
class NoPermissionEchoTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        LinuxIcmpSocket probe;
        if (probe.open())
            QSKIP("ICMP is permitted here; run through tests/lab/netlab.sh isolated --nocap");
    }

    void reportedOnceThenGeneralFailure()
    {
        SystemPreciseClock clock;
        FakeRandom random;
        LinuxEchoService engine(clock, random);
        QSignalSpy unavailable(&engine, &LinuxEchoService::icmpUnavailable);
        Outcomes outcomes;
        for (int i = 1; i <= 300; ++i)
            outcomes.send(engine, QStringLiteral("127.0.0.%1").arg(i % 250 + 1));
        QVERIFY(outcomes.replies.isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(outcomes.replies.size(), 300, 2000);
        for (const EchoOutcome& reply : outcomes.replies)
            QCOMPARE(reply.status, EchoStatus::GeneralFailure);
        QCOMPARE(unavailable.size(), 1);
        const QString reason = unavailable.first().first().toString();
        QVERIFY2(reason.contains(QStringLiteral("ping socket")) && reason.contains(QStringLiteral("raw socket")),
                 qPrintable(reason));
        QVERIFY(!engine.available());
        QCOMPARE(engine.unavailableReason(), reason);
        QCOMPARE(engine.socketKind(), IcmpSocket::Kind::None);
        qInfo("%s", qPrintable(reason));
    }
};

QTEST_GUILESS_MAIN(NoPermissionEchoTest)
#include "NoPermissionEchoTest.moc"
