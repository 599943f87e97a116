#include "ping/LinuxEchoService.h"
#include "platform/QtHostResolver.h"
#include "platform/SystemPreciseClock.h"
#include "platform/SystemRandom.h"
#include "tests/ping/EchoOutcomes.h"
#include "tests/ping/RequestedSocket.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

namespace
{
} // namespace

// Runs inside the client namespace of tests/lab/netlab.sh, one router away from every lab host, over both
// address families.
namespace
{
// The statuses in the order the echoes were asked for, whatever order they came back in.
QList<EchoStatus> statusesByTag(const Outcomes& outcomes)
{
    QList<EchoStatus> statuses(outcomes.replies.size(), EchoStatus::Pending);
    for (const EchoOutcome& o : outcomes.replies)
        statuses[static_cast<qsizetype>(o.tag - 1)] = o.status;
    return statuses;
}
} // namespace

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
        for (const IpFamily family : {IpFamily::IPv4, IpFamily::IPv6}) {
            LinuxIcmpSocket probe(RequestedPreference(), family);
            QVERIFY2(probe.open(), qPrintable(probe.openError()));
            qInfo("socket kind: %s", probe.kind() == IcmpSocket::Kind::Raw ? "raw" : "datagram");
        }
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

    // answer.lab has both families in the hosts file: IPv4 wins unless the family is forced.
    void resolvedNameAnswers_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<IpFamily>("family");
        QTest::addColumn<QString>("address");
        QTest::newRow("dual-stack name") << "answer.lab" << IpFamily::Unspecified << "10.77.2.2";
        QTest::newRow("dual-stack name, --ipv4") << "answer.lab" << IpFamily::IPv4 << "10.77.2.2";
        QTest::newRow("dual-stack name, --ipv6") << "answer.lab" << IpFamily::IPv6 << "fd00:77:2::2";
        QTest::newRow("IPv6-only name") << "answer6.lab" << IpFamily::Unspecified << "fd00:77:2::2";
        QTest::newRow("IPv6-only name, --ipv4") << "answer6.lab" << IpFamily::IPv4 << "";
        QTest::newRow("IPv4-only name, --ipv6") << "router.lab" << IpFamily::IPv6 << "";
    }
    void resolvedNameAnswers()
    {
        QFETCH(QString, name);
        QFETCH(IpFamily, family);
        QFETCH(QString, address);
        QtHostResolver resolver(family);
        QString resolved = QStringLiteral("-");
        resolver.resolve(name, this, [&resolved](const QString& text) { resolved = text; });
        QTRY_COMPARE(resolved, address);
        if (address.isEmpty())
            return;
        Outcomes outcomes;
        outcomes.send(*m_engine, resolved);
        QTRY_COMPARE(outcomes.replies.size(), 1);
        const EchoOutcome reply = outcomes.replies.first();
        QCOMPARE(reply.status, EchoStatus::Success);
        QCOMPARE(reply.address.toString(), address);
        QCOMPARE(reply.ttl, quint8(63)); // one router on the way back
        QVERIFY2(reply.rttUs / 1000 < 100, qPrintable(QString::number(reply.rttUs / 1000)));
    }

    void outcomes_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<EchoStatus>("status");
        QTest::addColumn<QStringList>("reporters");
        QTest::addColumn<int>("ttl");
        const QStringList none{QString()};
        QTest::newRow("router answers itself") << "10.77.1.1" << EchoStatus::Success << QStringList{"10.77.1.1"} << 64;
        QTest::newRow("quiet host") << "10.77.3.2" << EchoStatus::RequestTimedOut << none << 0;
        QTest::newRow("blackhole") << "10.99.12.34" << EchoStatus::RequestTimedOut << none << 0;
        QTest::newRow("unreachable route")
            << "10.98.0.7" << EchoStatus::DestHostUnreachable << QStringList{"10.77.1.1"} << 0;
        QTest::newRow("routing loop") << "10.97.0.9" << EchoStatus::TtlExpiredTransit
                                      << QStringList{"10.77.4.1", "10.77.4.2"} << 0;

        QTest::newRow("v6 router answers itself")
            << "fd00:77:1::1" << EchoStatus::Success << QStringList{"fd00:77:1::1"} << 64;
        QTest::newRow("v6 answering host")
            << "fd00:77:2::2" << EchoStatus::Success << QStringList{"fd00:77:2::2"} << 63;
        QTest::newRow("v6 in brackets, long form")
            << "[fd00:0077:0002:0000:0000:0000:0000:0002]" << EchoStatus::Success << QStringList{"fd00:77:2::2"} << 63;
        QTest::newRow("v6 quiet host") << "fd00:77:3::2" << EchoStatus::RequestTimedOut << none << 0;
        QTest::newRow("v6 blackhole") << "fd00:99::12:34" << EchoStatus::RequestTimedOut << none << 0;
        // ICMPv6 "no route" for an unreachable route, where IPv4 says host unreachable.
        QTest::newRow("v6 unreachable route")
            << "fd00:98::7" << EchoStatus::DestNetUnreachable << QStringList{"fd00:77:1::1"} << 0;
        QTest::newRow("v6 prohibited route")
            << "fd00:96::7" << EchoStatus::DestHostUnreachable << QStringList{"fd00:77:1::1"} << 0;
        QTest::newRow("v6 hop-limit loop") << "fd00:97::9" << EchoStatus::TtlExpiredTransit
                                           << QStringList{"fd00:77:4::1", "fd00:77:4::2", "fd00:77:1::1"} << 0;
    }
    void outcomes()
    {
        QFETCH(QString, address);
        QFETCH(EchoStatus, status);
        QFETCH(QStringList, reporters);
        QFETCH(int, ttl);
        Outcomes outcomes;
        QElapsedTimer clock;
        clock.start();
        outcomes.send(*m_engine, address);
        QTRY_COMPARE(outcomes.replies.size(), 1);
        const qint64 elapsed = clock.elapsed();
        const EchoOutcome reply = outcomes.replies.first();
        QCOMPARE(reply.status, status);
        QVERIFY2(reporters.contains(reply.address.toString()), qPrintable(reply.address.toString()));
        QCOMPARE(int(reply.ttl), ttl);
        if (status == EchoStatus::RequestTimedOut)
            QVERIFY(elapsed >= EchoTimeoutMs - 5);
        else
            // Errors are noticed when they arrive, not only when the deadline check drains the socket.
            QVERIFY2(elapsed < EchoTimeoutMs, qPrintable(QString::number(elapsed)));
    }

    void manySilentAddresses_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::newRow("IPv4") << "10.99.%1.%2";
        QTest::newRow("IPv6") << "fd00:99::%1:%2";
    }
    void manySilentAddresses()
    {
        QFETCH(QString, pattern);
        Outcomes outcomes;
        constexpr int Count = 1000;
        for (int i = 0; i < Count; ++i)
            outcomes.send(*m_engine, pattern.arg(i / 200).arg(i % 200 + 1));
        QElapsedTimer clock;
        clock.start();
        QTRY_COMPARE_WITH_TIMEOUT(outcomes.replies.size(), Count, 5000);
        for (const EchoOutcome& reply : outcomes.replies)
            QCOMPARE(reply.status, EchoStatus::RequestTimedOut);
        // The timeouts run side by side from one timer; one after another they would take minutes.
        QVERIFY2(clock.elapsed() < 10 * EchoTimeoutMs, qPrintable(QString::number(clock.elapsed())));
    }

    // Both families in one batch, each echo matched to its own outcome.
    void mixedRound()
    {
        const QList<std::pair<QString, EchoStatus>> targets = {{"10.77.2.2", EchoStatus::Success},
                                                               {"fd00:77:2::2", EchoStatus::Success},
                                                               {"10.99.0.1", EchoStatus::RequestTimedOut},
                                                               {"fd00:99::1", EchoStatus::RequestTimedOut},
                                                               {"10.98.0.1", EchoStatus::DestHostUnreachable},
                                                               {"fd00:98::1", EchoStatus::DestNetUnreachable},
                                                               {"10.97.0.1", EchoStatus::TtlExpiredTransit},
                                                               {"fd00:97::1", EchoStatus::TtlExpiredTransit},
                                                               {"10.77.3.2", EchoStatus::RequestTimedOut},
                                                               {"fd00:77:3::2", EchoStatus::RequestTimedOut},
                                                               {"10.0.0.300", EchoStatus::BadDestination},
                                                               {"fd00::77::2", EchoStatus::BadDestination}};
        Outcomes outcomes;
        QList<EchoStatus> expected;
        for (const auto& [address, status] : targets) {
            outcomes.send(*m_engine, address);
            expected.append(status);
        }
        QTRY_COMPARE(outcomes.replies.size(), targets.size());
        QCOMPARE(statusesByTag(outcomes), expected);
    }

    // --ipv4 / --ipv6: an address of the other family is not pinged at all.
    void forcedFamily()
    {
        m_engine->setFamily(IpFamily::IPv6);
        QVERIFY(m_engine->available());
        Outcomes outcomes;
        outcomes.send(*m_engine, QStringLiteral("10.77.2.2"));
        outcomes.send(*m_engine, QStringLiteral("fd00:77:2::2"));
        QTRY_COMPARE(outcomes.replies.size(), 2);
        QCOMPARE(statusesByTag(outcomes), (QList<EchoStatus>{EchoStatus::BadDestination, EchoStatus::Success}));
    }
};

QTEST_GUILESS_MAIN(LabEchoTest)
#include "LabEchoTest.moc"
