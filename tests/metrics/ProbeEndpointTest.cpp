#include "metrics/ProbeEndpoint.h"

#include "results/HostTable.h"
#include "tests/fakes/FakeEchoService.h"
#include "tests/fakes/FakeHostResolver.h"
#include "tests/fakes/ResultsFeed.h"

#include <QtTest>

// /probe with a scripted engine: what is refused sends nothing, what is watched is answered from its results,
// what lies in an allowed prefix is pinged once.
class ProbeEndpointTest : public QObject
{
    Q_OBJECT
    struct Fixture {
        HostTable table;
        FakeEchoService echo;
        FakeHostResolver resolver;
        ProbeEndpoint endpoint;
        std::optional<ProbeEndpoint::Answer> answer;
        Fixture() : endpoint(table, echo, resolver, allowed()) {}
        static QList<ProbeEndpoint::Prefix> allowed()
        {
            ProbeEndpoint::Prefix v4, v6;
            ProbeEndpoint::parsePrefix(QStringLiteral("127.0.0.0/8"), v4);
            ProbeEndpoint::parsePrefix(QStringLiteral("fd00:1::/64"), v6);
            return {v4, v6};
        }
        void ask(const QString& target, const QString& module = QStringLiteral("icmp"), double timeoutS = 10)
        {
            endpoint.handle(target, module, timeoutS, [this](const ProbeEndpoint::Answer& a) { answer = a; });
        }
    };
    static double value(const QByteArray& body, const QByteArray& name)
    {
        for (const QByteArray& line : body.split('\n')) {
            if (line.startsWith(name + ' '))
                return line.mid(name.size() + 1).toDouble();
        }
        return -1;
    }

private Q_SLOTS:
    void refusedWithoutAPacket_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("module");
        QTest::addColumn<int>("status");
        QTest::newRow("unknown module") << "127.0.0.5"
                                        << "http_2xx" << 400;
        QTest::newRow("no target") << ""
                                   << "icmp" << 400;
        QTest::newRow("address outside") << "10.9.9.9"
                                         << "icmp" << 403;
        QTest::newRow("IPv6 outside") << "2001:db8::1"
                                      << "" << 403;
        QTest::newRow("name resolving outside") << "out.example"
                                                << "icmp" << 403;
    }
    void refusedWithoutAPacket()
    {
        QFETCH(QString, target);
        QFETCH(QString, module);
        Fixture f;
        f.resolver.table.insert(QStringLiteral("out.example"), QStringLiteral("10.1.2.3"));
        f.ask(target, module);
        QTRY_VERIFY(f.answer.has_value());
        QTEST(f.answer->status, "status");
        QVERIFY(f.echo.requests.isEmpty());
    }

    void pingedInAnAllowedPrefix_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("answers");
        QTest::addColumn<int>("protocol");
        QTest::newRow("answers") << "127.0.0.5" << true << 4;
        QTest::newRow("times out") << "127.0.0.6" << false << 4;
        QTest::newRow("IPv6") << "fd00:1::7" << true << 6;
        QTest::newRow("a name inside") << "in.example" << true << 4;
    }
    void pingedInAnAllowedPrefix()
    {
        QFETCH(QString, target);
        QFETCH(bool, answers);
        Fixture f;
        f.resolver.table.insert(QStringLiteral("in.example"), QStringLiteral("127.0.0.9"));
        f.ask(target);
        QTRY_COMPARE(f.echo.requests.size(), 1);
        QVERIFY(!f.answer);
        f.echo.answer(0, answers ? FakeEchoService::successUs(IpAddress(), 1500, 61) : FakeEchoService::failure(11010));
        QVERIFY(f.answer.has_value());
        QCOMPARE(f.answer->status, 200);
        QCOMPARE(value(f.answer->body, "probe_success"), answers ? 1.0 : 0.0);
        QTEST(int(value(f.answer->body, "probe_ip_protocol")), "protocol");
        QCOMPARE(value(f.answer->body, "probe_icmp_duration_seconds{phase=\"rtt\"}"), answers ? 0.0015 : 0.0);
        QCOMPARE(value(f.answer->body, "probe_icmp_reply_hop_limit"), answers ? 61.0 : -1.0);
    }

    void watchedHostFromItsResults()
    {
        Fixture f;
        const HostTable::Slot slot = f.table.appendRow(1, QStringLiteral("10.20.30.40"));
        ResultsFeed::successUs(f.table, slot, IpAddress::fromIpv4(0x0A141E28), 2500, 60, QDateTime::currentDateTime());
        f.ask(QStringLiteral("10.20.30.40"));
        QVERIFY(f.answer.has_value());
        QCOMPARE(value(f.answer->body, "probe_success"), 1.0);
        QCOMPARE(value(f.answer->body, "probe_icmp_duration_seconds{phase=\"rtt\"}"), 0.0025);
        QVERIFY(f.echo.requests.isEmpty()); // outside the prefixes, yet watched: no packet
    }

    void answersBeforeTheScrapeGivesUp()
    {
        Fixture f;
        f.ask(QStringLiteral("127.0.0.8"), QStringLiteral("icmp"), 0.6);
        QTRY_VERIFY_WITH_TIMEOUT(f.answer.has_value(), 2000);
        QCOMPARE(value(f.answer->body, "probe_success"), 0.0);
        f.echo.answer(0, FakeEchoService::successUs(IpAddress(), 100, 64)); // too late: nothing more happens
    }
};

QTEST_GUILESS_MAIN(ProbeEndpointTest)
#include "ProbeEndpointTest.moc"
