#include "ping/HostAddress.h"
#include "ping/LinuxEchoService.h"
#include "platform/SystemPreciseClock.h"
#include "platform/SystemRandom.h"
#include "tests/ping/EchoOutcomes.h"
#include "tests/ping/RequestedSocket.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

namespace
{
// Holds the engine's thread right after an echo has left, as a busy window would.
class StallingSocket : public LinuxIcmpSocket
{
public:
    StallingSocket() : LinuxIcmpSocket(RequestedPreference()) {}
    int send(const IpAddress& destination, quint32 scopeId, const QByteArray& packet) override
    {
        const int error = LinuxIcmpSocket::send(destination, scopeId, packet);
        QThread::msleep(EchoTimeoutMs + 100);
        return error;
    }
};

} // namespace

// The real engine and socket against loopback, where every 127.x.y.z answers.
class LoopbackEchoTest : public QObject
{
    Q_OBJECT

    SystemPreciseClock m_clock;
    SystemRandom m_random;
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
    void init()
    {
        m_engine =
            new LinuxEchoService(m_clock, m_random, RequestedSocket(IpFamily::IPv4), RequestedSocket(IpFamily::IPv6));
    }
    void cleanup()
    {
        QCOMPARE(m_engine->receiveFailures(), 0);
        delete m_engine;
        m_engine = nullptr;
    }

    // Replies that arrive while a large round is still sending must fit: with CAP_NET_ADMIN the socket gets
    // the full buffer asked for, otherwise as much as net.core.rmem_max allows.
    void receiveBufferIsAsLargeAsAllowed()
    {
        LinuxIcmpSocket socket(RequestedPreference());
        QVERIFY(socket.open());
        constexpr qint64 Wanted = 8 * 1024 * 1024;
        QFile capFile(QStringLiteral("/proc/sys/net/core/rmem_max"));
        QVERIFY(capFile.open(QIODevice::ReadOnly));
        const qint64 cap = capFile.readAll().trimmed().toLongLong();
        QFile status(QStringLiteral("/proc/self/status"));
        QVERIFY(status.open(QIODevice::ReadOnly));
        const QByteArray text = status.readAll();
        const qsizetype at = text.indexOf("CapEff:");
        QVERIFY(at >= 0);
        const quint64 effective = text.mid(at + 7, text.indexOf('\n', at) - at - 7).trimmed().toULongLong(nullptr, 16);
        const bool netAdmin = (effective >> 12) & 1; // CAP_NET_ADMIN
        const qint64 granted = netAdmin ? Wanted : std::min(Wanted, cap);
        // The kernel reports twice the size it granted (it counts its own bookkeeping).
        QVERIFY2(socket.receiveBufferSize() >= 2 * granted,
                 qPrintable(QStringLiteral("%1 < 2 x %2").arg(socket.receiveBufferSize()).arg(granted)));
    }

    void answers_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("shown");
        QTest::newRow("127.0.0.1") << "127.0.0.1"
                                   << "127.0.0.1";
        QTest::newRow("127.0.0.2") << "127.0.0.2"
                                   << "127.0.0.2";
        QTest::newRow("127.1.2.3") << "127.1.2.3"
                                   << "127.1.2.3";
        QTest::newRow("::1") << "::1"
                             << "::1";
        QTest::newRow("::1 in long form, in brackets") << "[0:0:0:0:0:0:0:0001]"
                                                       << "::1";
    }
    void answers()
    {
        QFETCH(QString, address);
        QFETCH(QString, shown);
        Outcomes outcomes;
        outcomes.send(*m_engine, address);
        QVERIFY(outcomes.replies.isEmpty());
        QTRY_COMPARE(outcomes.replies.size(), 1);
        const EchoOutcome reply = outcomes.replies.first();
        QCOMPARE(reply.status, EchoStatus::Success);
        QCOMPARE(reply.address.toString(), shown);
        QCOMPARE(reply.ttl, quint8(64));
        QVERIFY2(reply.rttUs / 1000 < 100, qPrintable(QString::number(reply.rttUs / 1000)));
    }

    // The thread stalls past the timeout right after sending; the reply came back at once all the same.
    void stalledThreadStillSucceeds()
    {
        LinuxEchoService engine(m_clock, m_random, std::make_unique<StallingSocket>());
        // The kernel starts stamping what it receives a moment after the first socket of the host asks for it.
        QVERIFY(engine.available());
        QTest::qWait(100);
        Outcomes outcomes;
        outcomes.send(engine, QStringLiteral("127.0.0.7"));
        QTRY_COMPARE(outcomes.replies.size(), 1);
        QCOMPARE(outcomes.replies.first().status, EchoStatus::Success);
        QVERIFY2(outcomes.replies.first().rttUs / 1000 < 50,
                 qPrintable(QString::number(outcomes.replies.first().rttUs / 1000)));
    }

    void manyAtOnce()
    {
        Outcomes outcomes;
        constexpr int Count = 2000;
        for (int i = 0; i < Count; ++i)
            outcomes.send(*m_engine, QStringLiteral("127.0.%1.%2").arg(i / 250).arg(i % 250 + 1));
        QTRY_COMPARE_WITH_TIMEOUT(outcomes.replies.size(), Count, 10000);
        int lost = 0;
        for (const EchoOutcome& reply : outcomes.replies)
            lost += reply.status != EchoStatus::Success;
        QCOMPARE(lost, 0);
    }

    void invalidText()
    {
        Outcomes outcomes;
        outcomes.send(*m_engine, QStringLiteral("127.0.0.300"));
        outcomes.send(*m_engine, QString());
        outcomes.send(*m_engine, QStringLiteral("::1::2"));
        outcomes.send(*m_engine, QStringLiteral("fe80::1%nosuchinterface"));
        QTRY_COMPARE(outcomes.replies.size(), 4);
        for (const EchoOutcome& reply : outcomes.replies)
            QCOMPARE(reply.status, EchoStatus::BadDestination);
    }

    void cancelledEchoIsNeverAnswered()
    {
        Outcomes cancelled;
        Outcomes kept;
        cancelled.send(*m_engine, QStringLiteral("127.0.0.3"));
        kept.send(*m_engine, QStringLiteral("127.0.0.4"));
        QCOMPARE(m_engine->cancel(cancelled), 1);
        QTRY_COMPARE(kept.replies.size(), 1);
        QCOMPARE(kept.replies.first().status, EchoStatus::Success);
        // Long enough for a stray reply to the cancelled echo to have shown up.
        Outcomes later;
        later.send(*m_engine, QStringLiteral("127.0.0.5"));
        QTRY_COMPARE(later.replies.size(), 1);
        QVERIFY(cancelled.replies.isEmpty());
    }

    void detachedSinkHearsNothing()
    {
        Outcomes outcomes;
        outcomes.send(*m_engine, QStringLiteral("127.0.0.6"));
        m_engine->detach(outcomes);
        QTRY_COMPARE(m_engine->inFlightCount() + m_engine->queuedCount(), 0);
        QVERIFY(outcomes.replies.isEmpty());
    }
};

QTEST_GUILESS_MAIN(LoopbackEchoTest)
#include "LoopbackEchoTest.moc"
