#include "HostAddress.h"
#include "LinuxEchoService.h"
#include "QtHostResolver.h"
#include "RequestedSocket.h"
#include "SystemPreciseClock.h"
#include "SystemRandom.h"

#include <QElapsedTimer>
#include <QSignalSpy>
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

quint32 Address(const char* text)
{
    return *HostAddress::parseIpv4(QString::fromLatin1(text));
}
} // namespace

// Runs inside the client namespace of tests/lab/netlab.sh, one router away from every lab host.
class LabEchoTest : public QObject
{
    Q_OBJECT

    SystemPreciseClock m_clock;
    SystemRandom m_random;
    LinuxEchoService* m_engine = nullptr;

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("VANTREL_IN_LAB"))
            QSKIP("run through tests/lab/netlab.sh run -- env VANTREL_IN_LAB=1 ...");
        LinuxIcmpSocket probe(RequestedPreference());
        QVERIFY2(probe.open(), qPrintable(probe.openError()));
        qInfo("socket kind: %s", probe.kind() == IcmpSocket::Kind::Raw ? "raw" : "datagram");
    }
    void init() { m_engine = new LinuxEchoService(m_clock, m_random, RequestedSocket()); }
    void cleanup()
    {
        QCOMPARE(m_engine->receiveFailures(), 0);
        delete m_engine;
        m_engine = nullptr;
    }

    void resolvedNameAnswers()
    {
        QtHostResolver resolver;
        QString resolved = QStringLiteral("-");
        resolver.resolve(QStringLiteral("answer.lab"), this, [&resolved](const QString& text) { resolved = text; });
        QTRY_COMPARE(resolved, QStringLiteral("10.77.2.2"));
        Outcomes outcomes;
        m_engine->send(resolved, this, outcomes.recorder());
        QTRY_COMPARE(outcomes.replies.size(), 1);
        const EchoReply reply = outcomes.replies.first();
        QCOMPARE(reply.status, EchoStatus::Success);
        QCOMPARE(reply.address, Address("10.77.2.2"));
        QCOMPARE(reply.ttl, quint8(63)); // one router on the way back
        QVERIFY2(reply.roundTripMs < 100, qPrintable(QString::number(reply.roundTripMs)));
    }

    void outcomes_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<EchoStatus>("status");
        QTest::addColumn<QList<quint32>>("reporters");
        QTest::addColumn<int>("ttl");
        QTest::newRow("router answers itself")
            << "10.77.1.1" << EchoStatus::Success << QList<quint32>{Address("10.77.1.1")} << 64;
        QTest::newRow("quiet host") << "10.77.3.2" << EchoStatus::RequestTimedOut << QList<quint32>{0} << 0;
        QTest::newRow("blackhole") << "10.99.12.34" << EchoStatus::RequestTimedOut << QList<quint32>{0} << 0;
        QTest::newRow("unreachable route")
            << "10.98.0.7" << EchoStatus::DestHostUnreachable << QList<quint32>{Address("10.77.1.1")} << 0;
        QTest::newRow("routing loop") << "10.97.0.9" << EchoStatus::TtlExpiredTransit
                                      << QList<quint32>{Address("10.77.4.1"), Address("10.77.4.2")} << 0;
    }
    void outcomes()
    {
        QFETCH(QString, address);
        QFETCH(EchoStatus, status);
        QFETCH(QList<quint32>, reporters);
        QFETCH(int, ttl);
        Outcomes outcomes;
        QElapsedTimer clock;
        clock.start();
        m_engine->send(address, this, outcomes.recorder());
        QTRY_COMPARE(outcomes.replies.size(), 1);
        const qint64 elapsed = clock.elapsed();
        const EchoReply reply = outcomes.replies.first();
        QCOMPARE(reply.status, status);
        QVERIFY2(reporters.contains(reply.address), qPrintable(QString::number(reply.address, 16)));
        QCOMPARE(int(reply.ttl), ttl);
        if (status == EchoStatus::RequestTimedOut)
            QVERIFY(elapsed >= EchoTimeoutMs - 5);
        else
            // Errors are noticed when they arrive, not only when the deadline check drains the socket.
            QVERIFY2(elapsed < EchoTimeoutMs, qPrintable(QString::number(elapsed)));
    }

    void manySilentAddresses()
    {
        Outcomes outcomes;
        constexpr int Count = 1000;
        for (int i = 0; i < Count; ++i)
            m_engine->send(QStringLiteral("10.99.%1.%2").arg(i / 200).arg(i % 200 + 1), this, outcomes.recorder());
        QElapsedTimer clock;
        clock.start();
        QTRY_COMPARE_WITH_TIMEOUT(outcomes.replies.size(), Count, 5000);
        for (const EchoReply& reply : outcomes.replies)
            QCOMPARE(reply.status, EchoStatus::RequestTimedOut);
        // The timeouts run side by side from one timer; one after another they would take minutes.
        QVERIFY2(clock.elapsed() < 10 * EchoTimeoutMs, qPrintable(QString::number(clock.elapsed())));
    }

    void mixedRound()
    {
        Outcomes outcomes;
        const QStringList targets = {QStringLiteral("10.77.2.2"), QStringLiteral("10.99.0.1"),
                                     QStringLiteral("10.98.0.1"), QStringLiteral("10.97.0.1"),
                                     QStringLiteral("10.77.3.2"), QStringLiteral("10.0.0.300")};
        QList<EchoStatus> statuses(targets.size(), EchoStatus::Pending);
        for (int i = 0; i < targets.size(); ++i)
            m_engine->send(targets.at(i), this, [&statuses, i](const EchoReply& reply) { statuses[i] = reply.status; });
        QTRY_VERIFY(!statuses.contains(EchoStatus::Pending));
        QCOMPARE(statuses, (QList<EchoStatus>{EchoStatus::Success, EchoStatus::RequestTimedOut,
                                              EchoStatus::DestHostUnreachable, EchoStatus::TtlExpiredTransit,
                                              EchoStatus::RequestTimedOut, EchoStatus::BadDestination}));
    }
};

QTEST_GUILESS_MAIN(LabEchoTest)
#include "LabEchoTest.moc"
