#include "ping/IcmpPacket.h"

#include "ping/EchoService.h"
#include "ping/IcmpReplyParser.h"
#include "tests/ping/CraftedPackets.h"

#include <QTest>
#include <cerrno>

using Event = IcmpReplyParser::Event;
Q_DECLARE_METATYPE(Event::Kind)

namespace
{
constexpr quint32 Destination = 0xC6120005; // 198.18.0.5
constexpr quint32 Router = 0xC6120001;
constexpr quint16 Id = 0xBEEF;
constexpr quint16 Seq = 0x0102;
} // namespace

class IcmpPacketTest : public QObject
{
    Q_OBJECT
private slots:
    void echoRequestLayout()
    {
        const QByteArray packet = IcmpPacket::echoRequest(Id, Seq, IcmpPacket::echoPayload());
        QCOMPARE(packet.size(), 17);
        QCOMPARE(IcmpPacket::byteAt(packet.constData(), 0), quint8(8));
        QCOMPARE(IcmpPacket::byteAt(packet.constData(), 1), quint8(0));
        QCOMPARE(IcmpPacket::read16(packet.constData() + 4), Id);
        QCOMPARE(IcmpPacket::read16(packet.constData() + 6), Seq);
        QCOMPARE(packet.mid(8), QByteArray("Echo This"));
        // A packet carrying its own checksum sums to zero.
        QCOMPARE(IcmpPacket::checksum(packet), quint16(0));
    }

    void checksum_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("sum");
        // The worked example of RFC 1071.
        QTest::newRow("rfc 1071") << QByteArray("\x00\x01\xf2\x03\xf4\xf5\xf6\xf7", 8) << 0x220D;
        QTest::newRow("odd length pads with zero") << QByteArray("\x00\x01\xf2", 3) << 0x0DFE;
        QTest::newRow("empty") << QByteArray() << 0xFFFF;
        QTest::newRow("carry folds") << QByteArray("\xFF\xFF\x00\x01", 4) << 0xFFFE;
    }
    void checksum()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, sum);
        QCOMPARE(int(IcmpPacket::checksum(bytes)), sum);
    }

    void rawPacket_data()
    {
        QTest::addColumn<QByteArray>("packet");
        QTest::addColumn<Event::Kind>("kind");
        QTest::addColumn<int>("status");
        QTest::addColumn<quint32>("address");

        const QByteArray reply = Crafted::rawReply(Destination, Id, Seq, 61);
        QTest::newRow("echo reply") << reply << Event::Kind::Reply << 0 << Destination;
        QTest::newRow("link padding after the datagram")
            << reply + QByteArray(6, '\0') << Event::Kind::Reply << 0 << Destination;
        QTest::newRow("truncated ip header") << reply.left(12) << Event::Kind::Ignored << 0 << 0u;
        QTest::newRow("truncated icmp header") << reply.left(24) << Event::Kind::Ignored << 0 << 0u;
        QByteArray badVersion = reply;
        badVersion[0] = 0x65;
        QTest::newRow("not ipv4") << badVersion << Event::Kind::Ignored << 0 << 0u;
        QByteArray longHeader = reply;
        longHeader[0] = 0x4F; // claims 60 bytes of header in a 37 byte packet
        QTest::newRow("header longer than packet") << longHeader << Event::Kind::Ignored << 0 << 0u;
        QTest::newRow("not icmp") << Crafted::ip(Destination, 1, 64, Crafted::echoReply(Id, Seq), 17)
                                  << Event::Kind::Ignored << 0 << 0u;
        QByteArray corrupted = reply;
        corrupted[30] = 'X';
        QTest::newRow("bad checksum") << corrupted << Event::Kind::Ignored << 0 << 0u;
        QByteArray shortTotal = reply;
        Crafted::put16(shortTotal, 2, 10);
        QTest::newRow("total length below header") << shortTotal << Event::Kind::Ignored << 0 << 0u;
        QTest::newRow("echo request") << Crafted::ip(Destination, 1, 64, IcmpPacket::echoRequest(Id, Seq, "x"))
                                      << Event::Kind::Ignored << 0 << 0u;
        QTest::newRow("reply with nonzero code")
            << Crafted::ip(Destination, 1, 64, Crafted::icmp(0, 3, Id, Seq)) << Event::Kind::Ignored << 0 << 0u;
        QTest::newRow("timestamp reply") << Crafted::ip(Destination, 1, 64, Crafted::icmp(14, 0, Id, Seq))
                                         << Event::Kind::Ignored << 0 << 0u;

        QTest::newRow("host unreachable")
            << Crafted::rawError(Router, 3, 1, Destination, Id, Seq) << Event::Kind::Error << 11003 << Router;
        QTest::newRow("ttl expired") << Crafted::rawError(Router, 11, 0, Destination, Id, Seq) << Event::Kind::Error
                                     << 11013 << Router;
        QTest::newRow("parameter problem")
            << Crafted::rawError(Router, 12, 0, Destination, Id, Seq) << Event::Kind::Error << 11015 << Router;
        QTest::newRow("source quench") << Crafted::rawError(Router, 4, 0, Destination, Id, Seq) << Event::Kind::Error
                                       << 11016 << Router;
        QTest::newRow("redirect is not an error about us")
            << Crafted::rawError(Router, 5, 0, Destination, Id, Seq) << Event::Kind::Ignored << 0 << 0u;

        const QByteArray quotedUdp = Crafted::ip(0x0A000001, Destination, 1, QByteArray(8, '\x11'), 17);
        QTest::newRow("error quoting udp")
            << Crafted::ip(Router, 1, 64, Crafted::icmp(3, 3, 0, 0, quotedUdp)) << Event::Kind::Ignored << 0 << 0u;
        const QByteArray quotedReply = Crafted::ip(0x0A000001, Destination, 1, Crafted::echoReply(Id, Seq));
        QTest::newRow("error quoting an echo reply")
            << Crafted::ip(Router, 1, 64, Crafted::icmp(3, 1, 0, 0, quotedReply)) << Event::Kind::Ignored << 0 << 0u;
        const QByteArray quotedShort = Crafted::ip(0x0A000001, Destination, 1, QByteArray("\x08\x00\x00\x00", 4));
        QTest::newRow("error quoting too little")
            << Crafted::ip(Router, 1, 64, Crafted::icmp(3, 1, 0, 0, quotedShort)) << Event::Kind::Ignored << 0 << 0u;
        QTest::newRow("error quoting nothing")
            << Crafted::ip(Router, 1, 64, Crafted::icmp(3, 1, 0, 0)) << Event::Kind::Ignored << 0 << 0u;
    }
    void rawPacket()
    {
        QFETCH(QByteArray, packet);
        QFETCH(Event::Kind, kind);
        QFETCH(int, status);
        QFETCH(quint32, address);
        const Event event = IcmpReplyParser::parseRawPacket(packet);
        QCOMPARE(event.kind, kind);
        if (kind == Event::Kind::Ignored)
            return;
        QCOMPARE(int(event.status), status);
        QCOMPARE(event.address.toIpv4(), address);
        QCOMPARE(event.identifier, Id);
        QCOMPARE(event.sequence, Seq);
        if (kind == Event::Kind::Reply)
            QCOMPARE(event.ttl, quint8(61));
        else
            QCOMPARE(event.destination, V4(Destination));
    }

    void errorQuotingSomeoneElse()
    {
        // The parser reports what the error quotes; the engine then refuses what is not ours.
        const Event event = IcmpReplyParser::parseRawPacket(Crafted::rawError(Router, 3, 1, 0x01020304, 0x1111, 7));
        QCOMPARE(event.kind, Event::Kind::Error);
        QCOMPARE(event.identifier, quint16(0x1111));
        QCOMPARE(event.destination, V4(0x01020304u));
    }

    void datagramReply_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("control");
        QTest::addColumn<Event::Kind>("kind");
        QTest::addColumn<int>("ttl");
        QTest::newRow("reply with ttl") << Crafted::echoReply(Id, Seq) << Crafted::ttlControl(63) << Event::Kind::Reply
                                        << 63;
        QTest::newRow("reply without control")
            << Crafted::echoReply(Id, Seq) << QByteArray() << Event::Kind::Reply << 0;
        QTest::newRow("ttl after another message")
            << Crafted::echoReply(Id, Seq) << Crafted::control(SOL_SOCKET, 99, "abcd", 4) + Crafted::ttlControl(7)
            << Event::Kind::Reply << 7;
        QTest::newRow("truncated") << Crafted::echoReply(Id, Seq).left(7) << QByteArray() << Event::Kind::Ignored << 0;
        QTest::newRow("request") << Crafted::icmp(8, 0, Id, Seq) << QByteArray() << Event::Kind::Ignored << 0;
    }
    void datagramReply()
    {
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, control);
        QFETCH(Event::Kind, kind);
        QFETCH(int, ttl);
        const Event event = IcmpReplyParser::parseDatagramReply(data, V4(Destination), control);
        QCOMPARE(event.kind, kind);
        if (kind == Event::Kind::Ignored)
            return;
        QCOMPARE(event.address, V4(Destination));
        QCOMPARE(event.sequence, Seq);
        QCOMPARE(int(event.ttl), ttl);
    }

    void ttlFromControl_data()
    {
        QTest::addColumn<QByteArray>("control");
        QTest::addColumn<int>("ttl");
        QTest::newRow("ttl") << Crafted::ttlControl(64) << 64;
        QTest::newRow("none") << QByteArray() << -1;
        QTest::newRow("other type") << Crafted::control(IPPROTO_IP, IP_TOS, "\x10\0\0\0", 4) << -1;
        QTest::newRow("payload too short") << Crafted::control(IPPROTO_IP, IP_TTL, "\x40", 1) << -1;
        QByteArray overlong = Crafted::ttlControl(64);
        overlong[0] = static_cast<char>(200); // cmsg_len beyond the buffer
        QTest::newRow("length beyond buffer") << overlong << -1;
        QByteArray underlong = Crafted::ttlControl(64);
        underlong[0] = 4; // shorter than its own header
        QTest::newRow("length below header") << underlong << -1;
        QTest::newRow("header cut off") << Crafted::ttlControl(64).left(8) << -1;
        QTest::newRow("out of range") << Crafted::ttlControl(300) << -1;
    }
    void ttlFromControl()
    {
        QFETCH(QByteArray, control);
        QFETCH(int, ttl);
        QCOMPARE(IcmpReplyParser::ttlFromControl(control), ttl);
    }

    void errorQueue_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("control");
        QTest::addColumn<Event::Kind>("kind");
        QTest::addColumn<int>("status");
        QTest::addColumn<quint32>("address");
        const QByteArray ourEcho = IcmpPacket::echoRequest(Id, Seq, IcmpPacket::echoPayload());
        QTest::newRow("host unreachable") << ourEcho << Crafted::errorControl(SO_EE_ORIGIN_ICMP, 3, 1, Router)
                                          << Event::Kind::Error << 11003 << Router;
        QTest::newRow("ttl expired") << ourEcho << Crafted::errorControl(SO_EE_ORIGIN_ICMP, 11, 0, Router)
                                     << Event::Kind::Error << 11013 << Router;
        QTest::newRow("local message too long")
            << ourEcho << Crafted::errorControl(SO_EE_ORIGIN_LOCAL, 0, 0, 0, EMSGSIZE) << Event::Kind::Error << 11009
            << 0u;
        QTest::newRow("only the quoted header")
            << ourEcho.left(8) << Crafted::errorControl(SO_EE_ORIGIN_ICMP, 3, 0, Router) << Event::Kind::Error << 11002
            << Router;
        QTest::newRow("quoted header cut") << ourEcho.left(6) << Crafted::errorControl(SO_EE_ORIGIN_ICMP, 3, 1, Router)
                                           << Event::Kind::Ignored << 0 << 0u;
        QTest::newRow("no error message") << ourEcho << Crafted::ttlControl(3) << Event::Kind::Ignored << 0 << 0u;
        sock_extended_err bare{};
        bare.ee_origin = SO_EE_ORIGIN_ICMP;
        bare.ee_type = 3;
        bare.ee_code = 3;
        QTest::newRow("no offender") << ourEcho << Crafted::control(IPPROTO_IP, IP_RECVERR, &bare, sizeof bare)
                                     << Event::Kind::Error << 11005 << 0u;
        QTest::newRow("error structure cut")
            << ourEcho << Crafted::control(IPPROTO_IP, IP_RECVERR, &bare, sizeof bare - 4) << Event::Kind::Ignored << 0
            << 0u;
        QTest::newRow("timestamping origin")
            << ourEcho << Crafted::errorControl(SO_EE_ORIGIN_TIMESTAMPING, 0, 0, 0) << Event::Kind::Ignored << 0 << 0u;
    }
    void errorQueue()
    {
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, control);
        QFETCH(Event::Kind, kind);
        QFETCH(int, status);
        QFETCH(quint32, address);
        const Event event = IcmpReplyParser::parseErrorQueue(data, V4(Destination), control);
        QCOMPARE(event.kind, kind);
        if (kind == Event::Kind::Ignored)
            return;
        QCOMPARE(int(event.status), status);
        QCOMPARE(event.address.toIpv4(), address);
        QCOMPARE(event.destination, V4(Destination));
        QCOMPARE(event.sequence, Seq);
    }

    void icmpStatus_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("status");
        const QList<std::tuple<int, int, int>> rows = {
            {3, 0, 11002},  {3, 1, 11003},  {3, 2, 11004},  {3, 3, 11005},  {3, 4, 11009},
            {3, 5, 11012},  {3, 6, 11002},  {3, 7, 11003},  {3, 8, 11003},  {3, 9, 11002},
            {3, 10, 11003}, {3, 11, 11002}, {3, 12, 11003}, {3, 13, 11003}, {3, 14, 11003},
            {3, 15, 11003}, {3, 16, 11050}, {11, 0, 11013}, {11, 1, 11014}, {11, 2, 11050},
            {12, 0, 11015}, {12, 2, 11015}, {4, 0, 11016},  {5, 1, 11050},  {0, 0, 11050},
        };
        for (const auto& [type, code, status] : rows)
            QTest::addRow("type %d code %d", type, code) << type << code << status;
    }
    void icmpStatus()
    {
        QFETCH(int, type);
        QFETCH(int, code);
        QFETCH(int, status);
        QCOMPARE(int(IcmpReplyParser::statusForIcmp(static_cast<quint8>(type), static_cast<quint8>(code))), status);
    }

    void errnoStatus_data()
    {
        QTest::addColumn<int>("error");
        QTest::addColumn<int>("status");
        QTest::newRow("ENETUNREACH") << ENETUNREACH << 11002;
        QTest::newRow("EHOSTUNREACH") << EHOSTUNREACH << 11003;
        QTest::newRow("EMSGSIZE") << EMSGSIZE << 11009;
        QTest::newRow("EACCES") << EACCES << 11050;
        QTest::newRow("EPERM") << EPERM << 11050;
        QTest::newRow("EINVAL") << EINVAL << 11050;
    }
    void errnoStatus()
    {
        QFETCH(int, error);
        QFETCH(int, status);
        QCOMPARE(int(IcmpReplyParser::statusForErrno(error)), status);
    }
};

QTEST_GUILESS_MAIN(IcmpPacketTest)
#include "IcmpPacketTest.moc"
