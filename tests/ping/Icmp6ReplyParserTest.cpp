#include "ping/Icmp6ReplyParser.h"

#include "tests/ping/CraftedPackets.h"

#include <QTest>
#include <cerrno>

using Event = IcmpReplyParser::Event;
Q_DECLARE_METATYPE(Event::Kind)

namespace
{
constexpr quint16 Id = 0xBEEF;
constexpr quint16 Seq = 0x0102;
const IpAddress Destination = Crafted::v6("fd00:5::5");
const IpAddress Router = Crafted::v6("fd00:5::1");
} // namespace

class Icmp6ReplyParserTest : public QObject
{
    Q_OBJECT
private slots:
    // Raw and ping sockets of IPv6 both hand over the bare ICMPv6 message.
    void message_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("peer");
        QTest::addColumn<Event::Kind>("kind");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("destination");
        const QString dst = Destination.toString();
        const QString router = Router.toString();
        const QByteArray reply = Crafted::echo6Reply(Id, Seq);
        QTest::newRow("echo reply") << reply << dst << Event::Kind::Reply << 0 << "";
        QTest::newRow("reply cut before the sequence") << reply.left(7) << dst << Event::Kind::Ignored << 0 << "";
        QTest::newRow("reply with nonzero code")
            << Crafted::icmp6(129, 1, Id, Seq) << dst << Event::Kind::Ignored << 0 << "";
        QTest::newRow("echo request") << Crafted::icmp6(128, 0, Id, Seq) << dst << Event::Kind::Ignored << 0 << "";
        QTest::newRow("neighbour solicitation")
            << Crafted::icmp6(135, 0, 0, 0, QByteArray(16, 'x')) << dst << Event::Kind::Ignored << 0 << "";
        QTest::newRow("IPv4 peer") << reply << "10.0.0.1" << Event::Kind::Ignored << 0 << "";

        QTest::newRow("no route") << Crafted::raw6Error(1, 0, Destination, Id, Seq) << router << Event::Kind::Error
                                  << 11002 << dst;
        QTest::newRow("administratively prohibited")
            << Crafted::raw6Error(1, 1, Destination, Id, Seq) << router << Event::Kind::Error << 11003 << dst;
        QTest::newRow("address unreachable")
            << Crafted::raw6Error(1, 3, Destination, Id, Seq) << router << Event::Kind::Error << 11003 << dst;
        QTest::newRow("port unreachable")
            << Crafted::raw6Error(1, 4, Destination, Id, Seq) << router << Event::Kind::Error << 11005 << dst;
        QTest::newRow("packet too big") << Crafted::raw6Error(2, 0, Destination, Id, Seq) << router
                                        << Event::Kind::Error << 11009 << dst;
        QTest::newRow("hop limit exceeded")
            << Crafted::raw6Error(3, 0, Destination, Id, Seq) << router << Event::Kind::Error << 11013 << dst;
        QTest::newRow("reassembly time exceeded")
            << Crafted::raw6Error(3, 1, Destination, Id, Seq) << router << Event::Kind::Error << 11014 << dst;
        QTest::newRow("parameter problem")
            << Crafted::raw6Error(4, 1, Destination, Id, Seq) << router << Event::Kind::Error << 11015 << dst;
        // The engine refuses these by identifier and destination; the parser reports what was quoted.
        QTest::newRow("quoted echo of another host") << Crafted::raw6Error(3, 0, Crafted::v6("fd00:6::6"), Id, Seq)
                                                     << router << Event::Kind::Error << 11013 << "fd00:6::6";

        const QByteArray whole = Crafted::raw6Error(1, 0, Destination, Id, Seq);
        QTest::newRow("quote cut inside the echo header")
            << whole.left(8 + 40 + 7) << router << Event::Kind::Ignored << 0 << "";
        QTest::newRow("quote cut inside the IPv6 header")
            << whole.left(8 + 30) << router << Event::Kind::Ignored << 0 << "";
        const QByteArray echo = Crafted::icmp6(128, 0, Id, Seq);
        QTest::newRow("quote behind an extension header")
            << Crafted::icmp6(1, 0, 0, 0, Crafted::ip6(Router, Destination, echo, 0)) << router << Event::Kind::Ignored
            << 0 << "";
        QTest::newRow("quote of UDP") << Crafted::icmp6(1, 4, 0, 0,
                                                        Crafted::ip6(Router, Destination, QByteArray(8, 'u'), 17))
                                      << router << Event::Kind::Ignored << 0 << "";
        QTest::newRow("quote of an echo reply")
            << Crafted::icmp6(1, 0, 0, 0, Crafted::ip6(Router, Destination, Crafted::echo6Reply(Id, Seq))) << router
            << Event::Kind::Ignored << 0 << "";
        QByteArray ipv4Quote = whole;
        ipv4Quote[8] = 0x45;
        QTest::newRow("quote not IPv6") << ipv4Quote << router << Event::Kind::Ignored << 0 << "";
    }
    void message()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, peer);
        QFETCH(Event::Kind, kind);
        QFETCH(int, status);
        QFETCH(QString, destination);
        const IpAddress peerAddress =
            peer.contains(u':') ? Crafted::v6(qPrintable(peer)) : IpAddress::fromIpv4(0x0A000001);
        const Event event = Icmp6ReplyParser::parseMessage(data, peerAddress, Crafted::hopLimitControl(61));
        QCOMPARE(event.kind, kind);
        if (kind == Event::Kind::Ignored)
            return;
        QCOMPARE(event.identifier, Id);
        QCOMPARE(event.sequence, Seq);
        QCOMPARE(event.address, peerAddress);
        QCOMPARE(int(event.status), status);
        QCOMPARE(event.destination.toString(), destination);
        QCOMPARE(int(event.ttl), kind == Event::Kind::Reply ? 61 : 0);
    }

    void hopLimit_data()
    {
        QTest::addColumn<QByteArray>("control");
        QTest::addColumn<int>("hopLimit");
        QTest::newRow("hop limit") << Crafted::hopLimitControl(255) << 255;
        QTest::newRow("none") << QByteArray() << -1;
        QTest::newRow("IPv4 TTL is not it") << Crafted::ttlControl(64) << -1;
        QTest::newRow("after a timestamp")
            << Crafted::control(SOL_SOCKET, SO_TIMESTAMPNS, "0123456789abcdef", 16) + Crafted::hopLimitControl(9) << 9;
        QTest::newRow("out of range") << Crafted::hopLimitControl(256) << -1;
        QTest::newRow("cut") << Crafted::hopLimitControl(5).left(12) << -1;
    }
    void hopLimit()
    {
        QFETCH(QByteArray, control);
        QFETCH(int, hopLimit);
        QCOMPARE(Icmp6ReplyParser::hopLimitFromControl(control), hopLimit);
        const Event event = Icmp6ReplyParser::parseMessage(Crafted::echo6Reply(Id, Seq), Destination, control);
        QCOMPARE(int(event.ttl), std::max(hopLimit, 0));
    }

    // Ping socket errors: the quoted echo as data, its destination as peer, the error in IPV6_RECVERR.
    void errorQueue_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("control");
        QTest::addColumn<Event::Kind>("kind");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("reporter");
        const QByteArray ourEcho = Crafted::icmp6(128, 0, Id, Seq, IcmpPacket::echoPayload());
        const QString router = Router.toString();
        QTest::newRow("no route") << ourEcho << Crafted::error6Control(SO_EE_ORIGIN_ICMP6, 1, 0, Router)
                                  << Event::Kind::Error << 11002 << router;
        QTest::newRow("hop limit exceeded") << ourEcho << Crafted::error6Control(SO_EE_ORIGIN_ICMP6, 3, 0, Router)
                                            << Event::Kind::Error << 11013 << router;
        QTest::newRow("packet too big") << ourEcho << Crafted::error6Control(SO_EE_ORIGIN_ICMP6, 2, 0, Router)
                                        << Event::Kind::Error << 11009 << router;
        QTest::newRow("local message too long")
            << ourEcho << Crafted::error6Control(SO_EE_ORIGIN_LOCAL, 0, 0, IpAddress(), EMSGSIZE) << Event::Kind::Error
            << 11009 << "";
        QTest::newRow("no offender") << ourEcho << Crafted::error6Control(SO_EE_ORIGIN_ICMP6, 1, 4, IpAddress())
                                     << Event::Kind::Error << 11005 << "";
        QTest::newRow("only the echo header")
            << ourEcho.left(8) << Crafted::error6Control(SO_EE_ORIGIN_ICMP6, 1, 3, Router) << Event::Kind::Error
            << 11003 << router;
        QTest::newRow("echo header cut") << ourEcho.left(7) << Crafted::error6Control(SO_EE_ORIGIN_ICMP6, 1, 3, Router)
                                         << Event::Kind::Ignored << 0 << "";
        QTest::newRow("quotes a reply") << Crafted::echo6Reply(Id, Seq)
                                        << Crafted::error6Control(SO_EE_ORIGIN_ICMP6, 1, 3, Router)
                                        << Event::Kind::Ignored << 0 << "";
        QTest::newRow("IPv4 error structure")
            << ourEcho << Crafted::errorControl(SO_EE_ORIGIN_ICMP, 3, 1, 0x0A000001) << Event::Kind::Ignored << 0 << "";
        QTest::newRow("error structure cut")
            << ourEcho << Crafted::error6Control(SO_EE_ORIGIN_ICMP6, 1, 0, Router).left(20) << Event::Kind::Ignored << 0
            << "";
        QTest::newRow("timestamping origin")
            << ourEcho << Crafted::error6Control(SO_EE_ORIGIN_TIMESTAMPING, 0, 0, Router) << Event::Kind::Ignored << 0
            << "";
    }
    void errorQueue()
    {
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, control);
        QFETCH(Event::Kind, kind);
        QFETCH(int, status);
        QFETCH(QString, reporter);
        const Event event = Icmp6ReplyParser::parseErrorQueue(data, Destination, control);
        QCOMPARE(event.kind, kind);
        if (kind == Event::Kind::Ignored)
            return;
        QCOMPARE(int(event.status), status);
        QCOMPARE(event.address.toString(), reporter);
        QCOMPARE(event.destination, Destination);
        QCOMPARE(event.identifier, Id);
        QCOMPARE(event.sequence, Seq);
    }

    void otherCodes_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("status");
        QTest::newRow("beyond scope") << 1 << 2 << 11002;
        QTest::newRow("failed policy") << 1 << 5 << 11003;
        QTest::newRow("reject route") << 1 << 6 << 11003;
        QTest::newRow("source routing header") << 1 << 7 << 11012;
        QTest::newRow("unknown unreachable code") << 1 << 42 << 11050;
        QTest::newRow("unknown time exceeded code") << 3 << 9 << 11050;
        QTest::newRow("parameter problem, any code") << 4 << 2 << 11015;
    }
    void otherCodes()
    {
        QFETCH(int, type);
        QFETCH(int, code);
        QFETCH(int, status);
        QCOMPARE(int(Icmp6ReplyParser::statusForIcmp6(quint8(type), quint8(code))), status);
    }
};

QTEST_GUILESS_MAIN(Icmp6ReplyParserTest)
#include "Icmp6ReplyParserTest.moc"
