#include "FakeMessageBoxes.h"
#include "LinuxEchoService.h"
#include "LinuxIcmpSocket.h"

#include <QTest>

// Runs where neither a raw nor a ping socket may be opened (the lab drops CAP_NET_RAW and keeps
// ping_group_range closed): the user hears about it once, and every echo fails fast.
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

    void oneMessageThenGeneralFailure()
    {
        FakeMessageBoxes boxes;
        LinuxEchoService engine(boxes);
        QVERIFY(boxes.shown.isEmpty());
        QList<EchoReply> replies;
        for (int i = 1; i <= 300; ++i)
            engine.send(QStringLiteral("127.0.0.%1").arg(i % 250 + 1), this,
                          [&replies](const EchoReply& reply) { replies.append(reply); });
        QVERIFY(replies.isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(replies.size(), 300, 2000);
        for (const EchoReply& reply : replies)
            QCOMPARE(reply.status, IpStatus::GeneralFailure);
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown.first().title, QStringLiteral("Vantrel"));
        QVERIFY(boxes.shown.first().text.contains(QStringLiteral("sudo setcap cap_net_raw+ep ")));
        QVERIFY(boxes.shown.first().text.contains(QStringLiteral("ping_group_range")));
        QVERIFY(!engine.available());
        QVERIFY(!engine.unavailableReason().isEmpty());
        QCOMPARE(engine.socketKind(), IcmpSocket::Kind::None);
        qInfo("%s", qPrintable(engine.unavailableReason()));
    }
};

QTEST_GUILESS_MAIN(NoPermissionEchoTest)
#include "NoPermissionEchoTest.moc"
