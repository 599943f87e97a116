#include "CraftedPackets.h"
#include "FakeMessageBoxes.h"
#include "LinuxEchoService.h"
#include "ScriptedIcmpSocket.h"

#include <QElapsedTimer>
#include <QTest>
#include <cerrno>

namespace
{

constexpr quint32 Target = 0xC6120005; // 198.18.0.5, only ever handed to the scripted socket
constexpr quint32 Other = 0xC6120006;
constexpr quint32 Router = 0xC6120001;

// Collects the outcomes of the echoes of one test.
struct Outcomes {
    QList<EchoReply> replies;
    EchoService::Done recorder()
    {
        return [this](const EchoReply& reply) { replies.append(reply); };
    }
};

} // namespace

// The engine against a socket whose every packet the test writes, so matching and timing are deterministic.
class EchoEngineTest : public QObject
{
    Q_OBJECT

    FakeMessageBoxes* m_boxes = nullptr;
    ScriptedIcmpSocket* m_socket = nullptr;
    LinuxEchoService* m_engine = nullptr;

    void makeEngine(IcmpSocket::Kind kind = IcmpSocket::Kind::Raw, bool permitted = true)
    {
        auto socket = std::make_unique<ScriptedIcmpSocket>();
        socket->openKind = kind;
        socket->openSucceeds = permitted;
        m_socket = socket.get();
        m_engine = new LinuxEchoService(*m_boxes, std::move(socket));
    }

    // Sends one echo to Target and waits until it is on the wire; returns its index among the sent packets.
    int sendOne(Outcomes& outcomes, quint32 destination = Target)
    {
        const int index = m_socket->sent.size();
        m_engine->send(AddressText(destination), this, outcomes.recorder());
        if (!QTest::qWaitFor([&] { return m_socket->sent.size() > index; }, 2000))
            return -1;
        return index;
    }

    // Lets a second echo time out: by then every earlier echo has settled too.
    bool settleAll()
    {
        Outcomes marker;
        m_engine->send(AddressText(Other), this, marker.recorder());
        return QTest::qWaitFor([&] { return !marker.replies.isEmpty(); }, 2000);
    }

    static QString AddressText(quint32 address)
    {
        return QStringLiteral("%1.%2.%3.%4")
            .arg(address >> 24)
            .arg((address >> 16) & 0xFF)
            .arg((address >> 8) & 0xFF)
            .arg(address & 0xFF);
    }

private slots:
    void init()
    {
        m_boxes = new FakeMessageBoxes;
        makeEngine();
    }
    void cleanup()
    {
        delete m_engine;
        delete m_boxes;
        m_engine = nullptr;
        m_boxes = nullptr;
    }

    // --- what goes out ---

    void sendsOneEchoThisRequest()
    {
        Outcomes outcomes;
        const int i = sendOne(outcomes);
        QCOMPARE(i, 0);
        const QByteArray packet = m_socket->sent.at(0).packet;
        QCOMPARE(m_socket->sent.at(0).destination, Target);
        QCOMPARE(IcmpPacket::byteAt(packet.constData(), 0), quint8(8));
        QCOMPARE(packet.mid(8), QByteArray("Echo This"));
        QCOMPARE(IcmpPacket::checksum(packet), quint16(0));
    }

    void neverAnswersInsideMyping()
    {
        m_socket->openSucceeds = false;
        Outcomes outcomes;
        m_engine->send(QStringLiteral("198.18.0.5"), this, outcomes.recorder());
        m_engine->send(QStringLiteral("not an address"), this, outcomes.recorder());
        QVERIFY(outcomes.replies.isEmpty());
        QTRY_COMPARE(outcomes.replies.size(), 2);
    }

    void sequencesInFlightAreDistinct()
    {
        Outcomes outcomes;
        for (int i = 0; i < 2000; ++i)
            m_engine->send(AddressText(Target + static_cast<quint32>(i % 7)), this, outcomes.recorder());
        QTRY_COMPARE(m_socket->sent.size(), 2000);
        QSet<quint16> sequences;
        for (int i = 0; i < m_socket->sent.size(); ++i)
            sequences.insert(m_socket->sequenceOf(i));
        QCOMPARE(sequences.size(), 2000);
        // Answered in reverse, each still finds its own echo.
        for (int i = m_socket->sent.size() - 1; i >= 0; --i)
            m_socket->incoming.append({Crafted::rawReply(m_socket->sent.at(i).destination, m_socket->identifierOf(i),
                                                         m_socket->sequenceOf(i)),
                                       0,
                                       {}});
        emit m_socket->readyRead();
        QTRY_COMPARE(outcomes.replies.size(), 2000);
        for (const EchoReply& reply : outcomes.replies)
            QCOMPARE(reply.status, 0u);
        QCOMPARE(m_engine->inFlightCount(), 0);
    }

    // --- replies ---

    void rawReplySucceeds()
    {
        Outcomes outcomes;
        const int i = sendOne(outcomes);
        m_socket->arrive(Crafted::rawReply(Target, m_socket->identifierOf(i), m_socket->sequenceOf(i), 57));
        QTRY_COMPARE(outcomes.replies.size(), 1);
        const EchoReply reply = outcomes.replies.first();
        QCOMPARE(reply.status, 0u);
        QCOMPARE(reply.address, Target);
        QCOMPARE(reply.ttl, quint8(57));
        QVERIFY(reply.roundTripMs < quint32(EchoTimeoutMs));
    }

    void datagramReplySucceedsWithTtlFromControl()
    {
        delete m_engine;
        makeEngine(IcmpSocket::Kind::Datagram);
        Outcomes outcomes;
        const int i = sendOne(outcomes);
        // The kernel owns the identifier of a ping socket: replies carry the local port.
        m_socket->arrive(Crafted::echoReply(m_socket->identifier, m_socket->sequenceOf(i)), Target,
                         Crafted::ttlControl(63));
        QTRY_COMPARE(outcomes.replies.size(), 1);
        QCOMPARE(outcomes.replies.first().status, 0u);
        QCOMPARE(outcomes.replies.first().ttl, quint8(63));
        QCOMPARE(outcomes.replies.first().address, Target);
    }

    void foreignRepliesAreIgnored_data()
    {
        QTest::addColumn<int>("identifierDelta");
        QTest::addColumn<int>("sequenceDelta");
        QTest::addColumn<quint32>("source");
        QTest::addColumn<int>("cut");
        QTest::newRow("other identifier") << 1 << 0 << Target << 0;
        QTest::newRow("sequence not in flight") << 0 << 1 << Target << 0;
        QTest::newRow("other source") << 0 << 0 << Other << 0;
        QTest::newRow("truncated") << 0 << 0 << Target << 10;
    }
    void foreignRepliesAreIgnored()
    {
        QFETCH(int, identifierDelta);
        QFETCH(int, sequenceDelta);
        QFETCH(quint32, source);
        QFETCH(int, cut);
        Outcomes outcomes;
        const int i = sendOne(outcomes);
        QElapsedTimer sent;
        sent.start();
        QByteArray packet = Crafted::rawReply(source, static_cast<quint16>(m_socket->identifierOf(i) + identifierDelta),
                                              static_cast<quint16>(m_socket->sequenceOf(i) + sequenceDelta));
        packet.chop(cut);
        m_socket->arrive(packet);
        QTRY_COMPARE(outcomes.replies.size(), 1);
        QCOMPARE(outcomes.replies.first().status, IpStatus::RequestTimedOut);
        QVERIFY(sent.elapsed() >= EchoTimeoutMs - 5);
    }

    void duplicateReplyCountsOnce()
    {
        Outcomes outcomes;
        const int i = sendOne(outcomes);
        const QByteArray reply = Crafted::rawReply(Target, m_socket->identifierOf(i), m_socket->sequenceOf(i));
        m_socket->incoming.append({reply, 0, {}});
        m_socket->arrive(reply);
        QTRY_COMPARE(outcomes.replies.size(), 1);
        QVERIFY(settleAll());
        QCOMPARE(outcomes.replies.size(), 1);
    }

    void replyAfterTimeoutIsIgnored()
    {
        Outcomes outcomes;
        const int i = sendOne(outcomes);
        QTRY_COMPARE(outcomes.replies.size(), 1);
        QCOMPARE(outcomes.replies.first().status, IpStatus::RequestTimedOut);
        QCOMPARE(outcomes.replies.first().address, 0u);
        m_socket->arrive(Crafted::rawReply(Target, m_socket->identifierOf(i), m_socket->sequenceOf(i)));
        QVERIFY(settleAll());
        QCOMPARE(outcomes.replies.size(), 1);
    }

    void replyWaitingAtTheDeadlineWins()
    {
        Outcomes outcomes;
        const int i = sendOne(outcomes);
        // Queued without a notification: only the check before the timeout can find it.
        m_socket->incoming.append(
            {Crafted::rawReply(Target, m_socket->identifierOf(i), m_socket->sequenceOf(i)), 0, {}});
        QTRY_COMPARE(outcomes.replies.size(), 1);
        QCOMPARE(outcomes.replies.first().status, 0u);
    }

    // --- ICMP errors ---

    void rawErrorAboutOurEcho()
    {
        Outcomes outcomes;
        const int i = sendOne(outcomes);
        m_socket->arrive(Crafted::rawError(Router, 3, 1, Target, m_socket->identifierOf(i), m_socket->sequenceOf(i)));
        QTRY_COMPARE(outcomes.replies.size(), 1);
        QCOMPARE(outcomes.replies.first().status, IpStatus::DestHostUnreachable);
        QCOMPARE(outcomes.replies.first().address, Router);
    }

    void rawErrorAboutSomeoneElsesEcho_data()
    {
        QTest::addColumn<int>("identifierDelta");
        QTest::addColumn<quint32>("destination");
        QTest::newRow("other identifier") << 1 << Target;
        QTest::newRow("other destination") << 0 << Other;
    }
    void rawErrorAboutSomeoneElsesEcho()
    {
        QFETCH(int, identifierDelta);
        QFETCH(quint32, destination);
        Outcomes outcomes;
        const int i = sendOne(outcomes);
        m_socket->arrive(Crafted::rawError(Router, 11, 0, destination,
                                           static_cast<quint16>(m_socket->identifierOf(i) + identifierDelta),
                                           m_socket->sequenceOf(i)));
        QTRY_COMPARE(outcomes.replies.size(), 1);
        QCOMPARE(outcomes.replies.first().status, IpStatus::RequestTimedOut);
    }

    void datagramErrorQueue()
    {
        delete m_engine;
        makeEngine(IcmpSocket::Kind::Datagram);
        Outcomes outcomes;
        const int i = sendOne(outcomes);
        const QByteArray quoted = IcmpPacket::echoRequest(m_socket->identifier, m_socket->sequenceOf(i), "Echo This");
        m_socket->arriveError(quoted, Target, Crafted::errorControl(SO_EE_ORIGIN_ICMP, 11, 0, Router));
        QTRY_COMPARE(outcomes.replies.size(), 1);
        QCOMPARE(outcomes.replies.first().status, IpStatus::TtlExpiredTransit);
        QCOMPARE(outcomes.replies.first().address, Router);
    }

    // --- sending trouble ---

    void sendErrorsMapByMeaning_data()
    {
        QTest::addColumn<int>("error");
        QTest::addColumn<quint32>("status");
        QTest::newRow("ENETUNREACH") << ENETUNREACH << IpStatus::DestNetUnreachable;
        QTest::newRow("EHOSTUNREACH") << EHOSTUNREACH << IpStatus::DestHostUnreachable;
        QTest::newRow("EMSGSIZE") << EMSGSIZE << IpStatus::PacketTooBig;
        QTest::newRow("EACCES") << EACCES << IpStatus::GeneralFailure;
        QTest::newRow("EPERM") << EPERM << IpStatus::GeneralFailure;
    }
    void sendErrorsMapByMeaning()
    {
        QFETCH(int, error);
        QFETCH(quint32, status);
        m_socket->sendErrors = {error};
        Outcomes outcomes;
        m_engine->send(QStringLiteral("198.18.0.5"), this, outcomes.recorder());
        QTRY_COMPARE(outcomes.replies.size(), 1);
        QCOMPARE(outcomes.replies.first().status, status);
        QCOMPARE(m_engine->inFlightCount(), 0);
    }

    void fullKernelBufferKeepsTheEchoQueued()
    {
        m_socket->sendErrors = {ENOBUFS, EAGAIN, ENOBUFS};
        Outcomes outcomes;
        m_engine->send(QStringLiteral("198.18.0.5"), this, outcomes.recorder());
        QTRY_COMPARE(m_socket->sent.size(), 1);
        QCOMPARE(m_socket->sendCalls, 4);
        m_socket->arrive(Crafted::rawReply(Target, m_socket->identifierOf(0), m_socket->sequenceOf(0)));
        QTRY_COMPARE(outcomes.replies.size(), 1);
        QCOMPARE(outcomes.replies.first().status, 0u);
    }

    // --- what never reaches the wire ---

    void invalidAddressText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << "";
        QTest::newRow("octet too big") << "10.0.0.300";
        QTest::newRow("three parts") << "1.2.3";
        QTest::newRow("leading space") << " 1.2.3.4";
        QTest::newRow("name") << "router-2";
    }
    void invalidAddressText()
    {
        QFETCH(QString, text);
        Outcomes outcomes;
        m_engine->send(text, this, outcomes.recorder());
        QVERIFY(outcomes.replies.isEmpty());
        QTRY_COMPARE(outcomes.replies.size(), 1);
        QCOMPARE(outcomes.replies.first().status, IpStatus::BadDestination);
        QCOMPARE(m_socket->sendCalls, 0);
    }

    void cancelDropsAnUnsentEcho()
    {
        Outcomes cancelled;
        Outcomes kept;
        const auto ticket = m_engine->send(QStringLiteral("198.18.0.5"), this, cancelled.recorder());
        m_engine->send(QStringLiteral("198.18.0.6"), this, kept.recorder());
        QVERIFY(m_engine->cancel(ticket));
        QVERIFY(!m_engine->cancel(ticket));
        QTRY_COMPARE(kept.replies.size(), 1);
        QCOMPARE(m_socket->sent.size(), 1);
        QCOMPARE(m_socket->sent.first().destination, Other);
        QVERIFY(cancelled.replies.isEmpty());
    }

    void cancelOfASentEchoFails()
    {
        Outcomes outcomes;
        const auto ticket = m_engine->send(QStringLiteral("198.18.0.5"), this, outcomes.recorder());
        QTRY_COMPARE(m_socket->sent.size(), 1);
        QVERIFY(!m_engine->cancel(ticket));
        QVERIFY(!m_engine->cancel(999999));
        QTRY_COMPARE(outcomes.replies.size(), 1);
    }

    void destroyedContextHearsNothing()
    {
        Outcomes outcomes;
        auto* context = new QObject;
        m_engine->send(QStringLiteral("198.18.0.5"), context, outcomes.recorder());
        QTRY_COMPARE(m_socket->sent.size(), 1);
        delete context;
        m_socket->arrive(Crafted::rawReply(Target, m_socket->identifierOf(0), m_socket->sequenceOf(0)));
        QVERIFY(settleAll());
        QVERIFY(outcomes.replies.isEmpty());
        QCOMPARE(m_engine->inFlightCount(), 0);
    }

    void contextDestroyedBeforeSending()
    {
        Outcomes outcomes;
        auto* context = new QObject;
        m_engine->send(QStringLiteral("bad"), context, outcomes.recorder());
        m_engine->send(QStringLiteral("198.18.0.5"), context, outcomes.recorder());
        delete context;
        QVERIFY(settleAll());
        QVERIFY(outcomes.replies.isEmpty());
    }

    // --- no permission ---

    void noPermissionShowsOneMessageAndFails()
    {
        delete m_engine;
        makeEngine(IcmpSocket::Kind::Raw, false);
        QVERIFY(m_boxes->shown.isEmpty()); // constructing is silent
        Outcomes outcomes;
        m_engine->send(QStringLiteral("198.18.0.5"), this, outcomes.recorder());
        m_engine->send(QStringLiteral("198.18.0.6"), this, outcomes.recorder());
        QTRY_COMPARE(outcomes.replies.size(), 2);
        m_engine->send(QStringLiteral("198.18.0.7"), this, outcomes.recorder());
        QTRY_COMPARE(outcomes.replies.size(), 3);
        for (const EchoReply& reply : outcomes.replies)
            QCOMPARE(reply.status, IpStatus::GeneralFailure);
        QCOMPARE(m_boxes->shown.size(), 1);
        QCOMPARE(m_boxes->shown.first().title, QStringLiteral("Vantrel"));
        QVERIFY(!m_boxes->shown.first().warning);
        QVERIFY(m_boxes->shown.first().text.contains(QStringLiteral("setcap cap_net_raw+ep")));
        QVERIFY(m_boxes->shown.first().text.contains(QStringLiteral("net.ipv4.ping_group_range=\"0 2147483647\"")));
        QVERIFY(!m_engine->available());
        QCOMPARE(m_engine->unavailableReason(), m_boxes->shown.first().text);
        QCOMPARE(m_socket->opens, 1);
        QCOMPARE(m_socket->sendCalls, 0);
    }

    void queryingAvailabilityIsSilent()
    {
        QVERIFY(m_engine->available());
        QVERIFY(m_engine->unavailableReason().isEmpty());
        QCOMPARE(m_engine->socketKind(), IcmpSocket::Kind::Raw);
        delete m_engine;
        makeEngine(IcmpSocket::Kind::Raw, false);
        QVERIFY(!m_engine->available());
        QVERIFY(m_boxes->shown.isEmpty());
    }
};

QTEST_GUILESS_MAIN(EchoEngineTest)
#include "EchoEngineTest.moc"
