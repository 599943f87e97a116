#include "FakeMessageBoxes.h"
#include "LinuxEchoService.h"
#include "RequestedSocket.h"

#include <QTest>

namespace
{
struct Outcomes {
    QList<EchoReply> replies;
    EchoService::Done recorder()
    {
        return [this](const EchoReply& reply) { replies.append(reply); };
    }
};
} // namespace

// The real engine and socket against loopback, where every 127.x.y.z answers.
class LoopbackEchoTest : public QObject
{
    Q_OBJECT

    FakeMessageBoxes m_boxes;
    LinuxEchoService* m_engine = nullptr;

private slots:
    void initTestCase()
    {
        LinuxIcmpSocket probe(RequestedPreference());
        if (!probe.open())
            QSKIP(qPrintable(QStringLiteral("ICMP not permitted here (%1); run as root or open "
                                            "net.ipv4.ping_group_range")
                                 .arg(probe.openError())));
        qInfo("socket kind: %s", probe.kind() == IcmpSocket::Kind::Raw ? "raw" : "datagram");
    }
    void init() { m_engine = new LinuxEchoService(m_boxes, RequestedSocket()); }
    void cleanup()
    {
        delete m_engine;
        m_engine = nullptr;
    }

    void answers_data()
    {
        QTest::addColumn<QString>("address");
        QTest::newRow("127.0.0.1") << "127.0.0.1";
        QTest::newRow("127.0.0.2") << "127.0.0.2";
        QTest::newRow("127.1.2.3") << "127.1.2.3";
    }
    void answers()
    {
        QFETCH(QString, address);
        Outcomes outcomes;
        m_engine->send(address, this, outcomes.recorder());
        QVERIFY(outcomes.replies.isEmpty());
        QTRY_COMPARE(outcomes.replies.size(), 1);
        const EchoReply reply = outcomes.replies.first();
        QCOMPARE(reply.status, 0u);
        QCOMPARE(reply.address, *LinuxEchoService::parseAddress(address));
        QCOMPARE(reply.ttl, quint8(64));
        QVERIFY2(reply.roundTripMs < 100, qPrintable(QString::number(reply.roundTripMs)));
        QVERIFY(m_boxes.shown.isEmpty());
    }

    void manyAtOnce()
    {
        Outcomes outcomes;
        constexpr int Count = 2000;
        for (int i = 0; i < Count; ++i)
            m_engine->send(QStringLiteral("127.0.%1.%2").arg(i / 250).arg(i % 250 + 1), this, outcomes.recorder());
        QTRY_COMPARE_WITH_TIMEOUT(outcomes.replies.size(), Count, 10000);
        int lost = 0;
        for (const EchoReply& reply : outcomes.replies)
            lost += reply.status != 0;
        QCOMPARE(lost, 0);
    }

    void invalidText()
    {
        Outcomes outcomes;
        m_engine->send(QStringLiteral("127.0.0.300"), this, outcomes.recorder());
        m_engine->send(QString(), this, outcomes.recorder());
        QTRY_COMPARE(outcomes.replies.size(), 2);
        QCOMPARE(outcomes.replies.at(0).status, IpStatus::BadDestination);
        QCOMPARE(outcomes.replies.at(1).status, IpStatus::BadDestination);
    }

    void cancelledEchoIsNeverAnswered()
    {
        Outcomes cancelled;
        Outcomes kept;
        const auto ticket = m_engine->send(QStringLiteral("127.0.0.3"), this, cancelled.recorder());
        m_engine->send(QStringLiteral("127.0.0.4"), this, kept.recorder());
        QVERIFY(m_engine->cancel(ticket));
        QTRY_COMPARE(kept.replies.size(), 1);
        QCOMPARE(kept.replies.first().status, 0u);
        // Long enough for a stray reply to the cancelled echo to have shown up.
        Outcomes later;
        m_engine->send(QStringLiteral("127.0.0.5"), this, later.recorder());
        QTRY_COMPARE(later.replies.size(), 1);
        QVERIFY(cancelled.replies.isEmpty());
    }

    void destroyedContextHearsNothing()
    {
        Outcomes outcomes;
        auto* context = new QObject;
        m_engine->send(QStringLiteral("127.0.0.6"), context, outcomes.recorder());
        delete context;
        QTRY_COMPARE(m_engine->inFlightCount() + m_engine->queuedCount(), 0);
        QVERIFY(outcomes.replies.isEmpty());
    }
};

QTEST_GUILESS_MAIN(LoopbackEchoTest)
#include "LoopbackEchoTest.moc"
