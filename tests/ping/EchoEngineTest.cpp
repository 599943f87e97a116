#include "ping/HostAddress.h"
#include "ping/LinuxEchoService.h"
#include "tests/fakes/FakeRandom.h"
#include "tests/ping/CraftedPackets.h"
#include "tests/ping/EchoOutcomes.h"
#include "tests/ping/ScriptedIcmpSocket.h"

#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <cerrno>

namespace
{

constexpr quint32 Target = 0xC6120005; // 198.18.0.5, only ever handed to the scripted socket
constexpr quint32 Other = 0xC6120006;
constexpr quint32 Router = 0xC6120001;

// Collects the outcomes of the echoes of one test.

} // namespace

// The engine against a socket whose every packet the test writes and a clock that moves only when the test
// says, so matching and timing are deterministic and no test waits for a real timeout.
class EchoEngineTest : public QObject
{
    Q_OBJECT

    FakePreciseClock m_clock;
    FakeRandom m_random;
    ScriptedIcmpSocket* m_socket = nullptr;
    LinuxEchoService* m_engine = nullptr;

    void makeEngine(IcmpSocket::Kind kind = IcmpSocket::Kind::Raw, bool permitted = true)
    {
        delete m_engine;
        auto socket = std::make_unique<ScriptedIcmpSocket>(m_clock);
        socket->openKind = kind;
        socket->openSucceeds = permitted;
        m_socket = socket.get();
        m_engine = new LinuxEchoService(m_clock, m_random, std::move(socket));
    }

    // Sends one echo to Target and waits until it is on the wire; returns its index among the sent packets.
    int sendOne(Outcomes& outcomes, quint32 destination = Target)
    {
        const int index = m_socket->sent.size();
        outcomes.send(*m_engine, AddressText(destination));
        if (!QTest::qWaitFor([&] { return m_socket->sent.size() > index; }, 2000))
            return -1;
        return index;
    }

    // Moves the clock past every deadline so far and lets the engine notice.
    void expireAll()
    {
        m_clock.advanceMs(EchoTimeoutMs);
        m_engine->expireOverdue();
    }

    QByteArray replyTo(int i) const
    {
        return Crafted::rawReply(m_socket->sent.at(i).destination.toIpv4(), m_socket->identifierOf(i),
                                 m_socket->sequenceOf(i));
    }

    static QString AddressText(quint32 address) { return HostAddress::ipv4Text(address); }

private slots:
    void init()
    {
        m_random.value = 0.5;
        makeEngine();
    }
    void cleanup()
    {
        delete m_engine;
        m_engine = nullptr;
    }

    // --- what goes out ---

    void sendsOneEchoThisRequest()
    {
        Outcomes outcomes;
        const int i = sendOne(outcomes);
        QCOMPARE(i, 0);
        const QByteArray packet = m_socket->sent.at(0).packet;
        QCOMPARE(m_socket->sent.at(0).destination, V4(Target));
        QCOMPARE(IcmpPacket::byteAt(packet.constData(), 0), quint8(8));
        QCOMPARE(packet.mid(8), QByteArray("Echo This"));
        QCOMPARE(IcmpPacket::checksum(packet), quint16(0));
    }

    void neverAnswersInsideMyping()
    {
        m_socket->openSucceeds = false;
        Outcomes outcomes;
        outcomes.send(*m_engine, QStringLiteral("198.18.0.5"));
        outcomes.send(*m_engine, QStringLiteral("not an address"));
        QVERIFY(outcomes.replies.isEmpty());
        QTRY_COMPARE(outcomes.replies.size(), 2);
    }

    void sequencesInFlightAreDistinct()
    {
        Outcomes outcomes;
        for (int i = 0; i < 2000; ++i)
            outcomes.send(*m_engine, AddressText(Target + static_cast<quint32>(i % 7)));
        QTRY_COMPARE(m_socket->sent.size(), 2000);
        QSet<quint16> sequences;
        for (int i = 0; i < m_socket->sent.size(); ++i)
            sequences.insert(m_socket->sequenceOf(i));
        QCOMPARE(sequences.size(), 2000);
        // Answered in reverse, each still finds its own echo.
        for (int i = m_socket->sent.size() - 1; i >= 0; --i)
            m_socket->arriveUnread(replyTo(i));
        emit m_socket->readyRead();
        QTRY_COMPARE(outcomes.replies.size(), 2000);
        for (const EchoOutcome& reply : outcomes.replies)
            QCOMPARE(reply.status, EchoStatus::Success);
        QCOMPARE(m_engine->inFlightCount(), 0);
    }

    // --- replies ---

    void rawReplySucceeds()
    {
        Outcomes outcomes;
        const int i = sendOne(outcomes);
        m_clock.advanceMs(7);
        m_socket->arrive(Crafted::rawReply(Target, m_socket->identifierOf(i), m_socket->sequenceOf(i), 57));
        QCOMPARE(outcomes.replies.size(), 1);
        const EchoOutcome reply = outcomes.replies.first();
        QCOMPARE(reply.status, EchoStatus::Success);
        QCOMPARE(reply.address, V4(Target));
        QCOMPARE(reply.ttl, quint8(57));
        QCOMPARE(reply.rttUs / 1000, 7u);
    }

    void datagramReplySucceedsWithTtlFromControl()
    {
        makeEngine(IcmpSocket::Kind::Datagram);
        Outcomes outcomes;
        const int i = sendOne(outcomes);
        // The kernel owns the identifier of a ping socket: replies carry the local port.
        m_socket->arrive(Crafted::echoReply(m_socket->identifier, m_socket->sequenceOf(i)), V4(Target),
                         Crafted::ttlControl(63));
        QCOMPARE(outcomes.replies.size(), 1);
        QCOMPARE(outcomes.replies.first().status, EchoStatus::Success);
        QCOMPARE(outcomes.replies.first().ttl, quint8(63));
        QCOMPARE(outcomes.replies.first().address, V4(Target));
    }

    void foreignRepliesAreIgnored_data()
    {
        QTest::addColumn<int>("identifierDelta");
        QTest::addColumn<int>("sequenceDelta");
        QTest::addColumn<quint32>("source");
        QTest::addColumn<int>("cut");
        QTest::addColumn<bool>("cutByKernel");
        QTest::newRow("other identifier") << 1 << 0 << Target << 0 << false;
        QTest::newRow("sequence not in flight") << 0 << 1 << Target << 0 << false;
        QTest::newRow("other source") << 0 << 0 << Other << 0 << false;
        QTest::newRow("truncated") << 0 << 0 << Target << 10 << false;
        QTest::newRow("cut by the kernel") << 0 << 0 << Target << 0 << true;
    }
    void foreignRepliesAreIgnored()
    {
        QFETCH(int, identifierDelta);
        QFETCH(int, sequenceDelta);
        QFETCH(quint32, source);
        QFETCH(int, cut);
        QFETCH(bool, cutByKernel);
        Outcomes outcomes;
        const int i = sendOne(outcomes);
        QByteArray packet = Crafted::rawReply(source, static_cast<quint16>(m_socket->identifierOf(i) + identifierDelta),
                                              static_cast<quint16>(m_socket->sequenceOf(i) + sequenceDelta));
        packet.chop(cut);
        m_socket->arriveUnread(packet);
        m_socket->incoming.last().truncated = cutByKernel;
        emit m_socket->readyRead();
        m_clock.advanceMs(EchoTimeoutMs - 1);
        m_engine->expireOverdue();
        QVERIFY(outcomes.replies.isEmpty());
        expireAll();
        QCOMPARE(outcomes.replies.size(), 1);
        QCOMPARE(outcomes.replies.first().status, EchoStatus::RequestTimedOut);
        QCOMPARE(m_engine->truncatedDatagrams(), cutByKernel ? 1 : 0);
    }

    // A second reply is no second outcome: the stray sink hears of it as a duplicate, the requester never.
    void duplicateReplyCountsOnce()
    {
        Outcomes outcomes;
        Outcomes strays;
        m_engine->setStraySink(&strays);
        const int i = sendOne(outcomes);
        const QByteArray reply = Crafted::rawReply(Target, m_socket->identifierOf(i), m_socket->sequenceOf(i));
        m_clock.advanceMs(3);
        m_socket->arriveUnread(reply);
        m_clock.advanceMs(2);
        m_socket->arrive(reply);
        QCOMPARE(outcomes.replies.size(), 1);
        QVERIFY(outcomes.replies.first().answered());
        QCOMPARE(strays.replies.size(), 1);
        QCOMPARE(strays.replies.first().kind, EchoOutcome::Kind::Duplicate);
        QCOMPARE(strays.replies.first().tag, outcomes.replies.first().tag);
        QCOMPARE(strays.replies.first().rttUs / 1000, 5u);
        QVERIFY(!strays.replies.first().answered());
        expireAll();
        QCOMPARE(outcomes.replies.size(), 1);
        QCOMPARE(strays.replies.size(), 1);
    }

    // Too late is still a failure; the reply is counted as late, a further one as a duplicate, and a reply
    // from elsewhere, or about an echo an ICMP error settled, as nothing.
    void replyAfterTimeoutIsLate_data()
    {
        QTest::addColumn<bool>("readBeforeTheTimer");
        QTest::newRow("after the timer") << false;
        QTest::newRow("read before the timer") << true;
    }
    void replyAfterTimeoutIsLate()
    {
        QFETCH(bool, readBeforeTheTimer);
        Outcomes outcomes;
        Outcomes strays;
        m_engine->setStraySink(&strays);
        const int i = sendOne(outcomes);
        m_clock.advanceMs(EchoTimeoutMs + 100);
        if (!readBeforeTheTimer)
            m_engine->expireOverdue();
        m_socket->arrive(replyTo(i));
        m_engine->expireOverdue();
        QCOMPARE(outcomes.replies.size(), 1);
        QCOMPARE(outcomes.replies.first().status, EchoStatus::RequestTimedOut);
        QVERIFY(outcomes.replies.first().address.isNull());
        QCOMPARE(strays.replies.size(), 1);
        const EchoOutcome late = strays.replies.first();
        QCOMPARE(late.kind, EchoOutcome::Kind::Late);
        QCOMPARE(late.status, EchoStatus::RequestTimedOut);
        QCOMPARE(late.rttUs / 1000, quint32(EchoTimeoutMs + 100));
        m_socket->arrive(Crafted::rawReply(Other, m_socket->identifierOf(i), m_socket->sequenceOf(i)));
        m_socket->arrive(replyTo(i));
        QCOMPARE(strays.replies.size(), 2);
        QCOMPARE(strays.replies.last().kind, EchoOutcome::Kind::Duplicate);
        QCOMPARE(outcomes.replies.size(), 1);

        const int failed = sendOne(outcomes);
        m_socket->arrive(
            Crafted::rawError(Router, 3, 1, Target, m_socket->identifierOf(failed), m_socket->sequenceOf(failed)));
        QCOMPARE(outcomes.replies.size(), 2);
        m_socket->arrive(replyTo(failed));
        QCOMPARE(strays.replies.size(), 2);
    }

    // New send-from options reach a socket already open by opening it again, but not under an echo in flight.
    void sendFromReopensOnceIdle()
    {
        Outcomes outcomes;
        const int first = sendOne(outcomes);
        QCOMPARE(m_socket->opens, 1);
        m_engine->setSendFrom(IpAddress::fromIpv4(0x7f000001), QStringLiteral("lo"));
        const int second = sendOne(outcomes);
        QCOMPARE(m_socket->opens, 1);
        m_socket->arrive(replyTo(first));
        m_socket->arrive(replyTo(second));
        QCOMPARE(outcomes.replies.size(), 2);
        sendOne(outcomes);
        QCOMPARE(m_socket->opens, 2);
        sendOne(outcomes);
        QCOMPARE(m_socket->opens, 2);
    }

    // The ring grows while an answered echo's record sits in it: the record moves along, so a second reply to
    // that echo is still known for a duplicate.
    void settledEchoesOutliveTheRingGrowing()
    {
        Outcomes outcomes;
        Outcomes strays;
        m_engine->setStraySink(&strays);
        sendOne(outcomes); // stays waiting, so the window spans everything sent after it
        const int answered = sendOne(outcomes);
        m_socket->arrive(replyTo(answered));
        for (int i = 0; i < 300; ++i)
            outcomes.send(*m_engine, AddressText(Target));
        QVERIFY(QTest::qWaitFor([&] { return m_socket->sent.size() == 302; }, 5000));
        m_socket->arrive(replyTo(answered));
        QCOMPARE(strays.replies.size(), 1);
        QCOMPARE(strays.replies.first().kind, EchoOutcome::Kind::Duplicate);
        QCOMPARE(outcomes.replies.size(), 1);
    }

    // Nobody asked for strays: the engine keeps none of them.
    void straysWithoutASinkAreDropped()
    {
        Outcomes outcomes;
        Outcomes strays;
        m_engine->setStraySink(&strays);
        m_engine->detach(strays);
        const int i = sendOne(outcomes);
        m_socket->arrive(replyTo(i));
        m_socket->arrive(replyTo(i));
        QCOMPARE(outcomes.replies.size(), 1);
        QVERIFY(strays.replies.isEmpty());
    }

    // --- timing: the kernel's receive stamp decides, not when the engine's thread read the reply ---

    void roundTripIsTheNetworks_data()
    {
        QTest::addColumn<int>("arrivesMs");
        QTest::addColumn<bool>("stamped");
        QTest::addColumn<qint64>("wallStepMs");
        QTest::addColumn<int>("readMs");
        QTest::addColumn<EchoStatus>("status");
        QTest::addColumn<quint32>("roundTripMs");
        QTest::newRow("read at once") << 7 << true << 0LL << 7 << EchoStatus::Success << 7u;
        QTest::newRow("read after a stall") << 5 << true << 0LL << 300 << EchoStatus::Success << 5u;
        QTest::newRow("just in time, read late") << 199 << true << 0LL << 450 << EchoStatus::Success << 199u;
        QTest::newRow("too late, read before the timer")
            << EchoTimeoutMs << true << 0LL << EchoTimeoutMs << EchoStatus::RequestTimedOut << 0u;
        QTest::newRow("no stamp: read time counts") << 5 << false << 0LL << 12 << EchoStatus::Success << 12u;
        QTest::newRow("wall clock stepped back") << 4 << true << -3600000LL << 9 << EchoStatus::Success << 9u;
        QTest::newRow("wall clock stepped ahead") << 4 << true << 3600000LL << 9 << EchoStatus::Success << 9u;
    }
    void roundTripIsTheNetworks()
    {
        QFETCH(int, arrivesMs);
        QFETCH(bool, stamped);
        QFETCH(qint64, wallStepMs);
        QFETCH(int, readMs);
        QFETCH(EchoStatus, status);
        QFETCH(quint32, roundTripMs);
        Outcomes outcomes;
        const int i = sendOne(outcomes);
        m_clock.realtime += wallStepMs * 1000000;
        m_clock.advanceMs(arrivesMs);
        m_socket->arriveUnread(replyTo(i));
        if (!stamped)
            m_socket->incoming.last().receivedRealtimeNs = 0;
        m_clock.advanceMs(readMs - arrivesMs);
        // Whichever comes first after the stall: the notifier or the deadline timer.
        if (readMs <= EchoTimeoutMs)
            emit m_socket->readyRead();
        else
            m_engine->expireOverdue();
        QCOMPARE(outcomes.replies.size(), 1);
        QCOMPARE(outcomes.replies.first().status, status);
        QCOMPARE(outcomes.replies.first().rttUs / 1000, roundTripMs);
    }

    void sequencesWrapAround()
    {
        makeEngine(IcmpSocket::Kind::Datagram);
        m_random.value = 65534.5 / 65536; // the first sequence handed out is 65534
        Outcomes outcomes;
        for (int i = 0; i < 4; ++i)
            outcomes.send(*m_engine, AddressText(Target));
        QTRY_COMPARE(m_socket->sent.size(), 4);
        const QList<quint16> expected{65534, 65535, 0, 1};
        for (int i = 0; i < 4; ++i)
            QCOMPARE(m_socket->sequenceOf(i), expected.at(i));
        for (int i = 3; i >= 0; --i)
            m_socket->arrive(Crafted::echoReply(m_socket->identifier, m_socket->sequenceOf(i)), V4(Target));
        QCOMPARE(outcomes.replies.size(), 4);
        for (const EchoOutcome& reply : outcomes.replies)
            QCOMPARE(reply.status, EchoStatus::Success);
    }

    // Every sequence in flight: the next echo waits for one to free, then takes it. A late answer to the echo
    // that had it, received before the new echo left, is not the new echo's reply.
    void allSequencesInFlightThenReuse()
    {
        constexpr int Space = InFlightTable::SequenceSpace;
        Outcomes strays;
        m_engine->setStraySink(&strays);
        Outcomes first;
        const int oldest = sendOne(first);
        m_clock.advanceMs(100);
        Outcomes rest;
        for (int i = 1; i < Space; ++i)
            rest.send(*m_engine, AddressText(Target));
        Outcomes waiting;
        waiting.send(*m_engine, AddressText(Target));
        QVERIFY(QTest::qWaitFor([&] { return m_socket->sent.size() == Space; }, 20000));
        QTest::qWait(20);
        QCOMPARE(m_socket->sent.size(), Space);
        QCOMPARE(m_engine->queuedCount(), 1);
        QCOMPARE(m_engine->inFlightCount(), Space);

        m_clock.advanceMs(100); // the first echo's deadline
        m_engine->expireOverdue();
        QCOMPARE(first.replies.size(), 1);
        QCOMPARE(first.replies.first().status, EchoStatus::RequestTimedOut);
        QVERIFY(rest.replies.isEmpty());
        m_clock.advanceMs(2);
        const qint64 lateAnswerNs = m_clock.realtimeInMs(-1);
        QTRY_COMPARE(m_socket->sent.size(), Space + 1);
        QCOMPARE(m_socket->sequenceOf(Space), m_socket->sequenceOf(oldest));

        m_clock.advanceMs(3);
        m_socket->arriveUnread(replyTo(oldest));
        m_socket->incoming.last().receivedRealtimeNs = lateAnswerNs;
        emit m_socket->readyRead();
        QVERIFY(waiting.replies.isEmpty());
        m_socket->arrive(replyTo(Space));
        QVERIFY(strays.replies.isEmpty()); // the first echo's record went to the new one with its sequence
        QCOMPARE(waiting.replies.size(), 1);
        QCOMPARE(waiting.replies.first().status, EchoStatus::Success);
        QCOMPARE(waiting.replies.first().rttUs / 1000, 3u);
    }

    void unexpectedReadErrorsAreCounted()
    {
        Outcomes outcomes;
        const int i = sendOne(outcomes);
        IcmpSocket::Message failed;
        failed.error = EBADF;
        QTest::ignoreMessage(QtWarningMsg, "Reading the ICMP socket failed: Bad file descriptor");
        m_socket->incoming.append(failed);
        emit m_socket->readyRead();
        m_socket->incoming.append(failed);
        m_socket->arriveUnread(replyTo(i));
        emit m_socket->readyRead();
        QCOMPARE(m_engine->receiveFailures(), 2);
        QCOMPARE(m_engine->lastReceiveError(), EBADF);
        // The next read gets past it.
        emit m_socket->readyRead();
        QCOMPARE(outcomes.replies.size(), 1);
        QCOMPARE(outcomes.replies.first().status, EchoStatus::Success);
    }

    // --- ICMP errors ---

    void rawErrorAboutOurEcho()
    {
        Outcomes outcomes;
        const int i = sendOne(outcomes);
        m_socket->arrive(Crafted::rawError(Router, 3, 1, Target, m_socket->identifierOf(i), m_socket->sequenceOf(i)));
        QCOMPARE(outcomes.replies.size(), 1);
        QCOMPARE(outcomes.replies.first().status, EchoStatus::DestHostUnreachable);
        QCOMPARE(outcomes.replies.first().address, V4(Router));
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
        expireAll();
        QCOMPARE(outcomes.replies.size(), 1);
        QCOMPARE(outcomes.replies.first().status, EchoStatus::RequestTimedOut);
    }

    void datagramErrorQueue()
    {
        makeEngine(IcmpSocket::Kind::Datagram);
        Outcomes outcomes;
        const int i = sendOne(outcomes);
        const QByteArray quoted = IcmpPacket::echoRequest(m_socket->identifier, m_socket->sequenceOf(i), "Echo This");
        m_socket->arriveError(quoted, V4(Target), Crafted::errorControl(SO_EE_ORIGIN_ICMP, 11, 0, Router));
        QCOMPARE(outcomes.replies.size(), 1);
        QCOMPARE(outcomes.replies.first().status, EchoStatus::TtlExpiredTransit);
        QCOMPARE(outcomes.replies.first().address, V4(Router));
    }

    // --- IPv6: its own socket and echoes in flight, the same matching ---

    void ipv6GoesOverItsOwnSocket()
    {
        auto v4 = std::make_unique<ScriptedIcmpSocket>(m_clock);
        auto v6 = std::make_unique<ScriptedIcmpSocket>(m_clock);
        v6->socketFamily = IpFamily::IPv6;
        v6->openKind = IcmpSocket::Kind::Datagram;
        ScriptedIcmpSocket* socket4 = v4.get();
        ScriptedIcmpSocket* socket6 = v6.get();
        delete m_engine;
        m_socket = socket4;
        m_engine = new LinuxEchoService(m_clock, m_random, std::move(v4), std::move(v6));
        const IpAddress target6 = Crafted::v6("fd00:5::5");
        Outcomes outcomes;
        outcomes.send(*m_engine, QStringLiteral("[FD00:5:0::5]"));
        outcomes.send(*m_engine, AddressText(Target));
        QTRY_COMPARE(socket6->sent.size(), 1);
        QTRY_COMPARE(socket4->sent.size(), 1);
        QCOMPARE(socket6->sent.first().destination, target6);
        QCOMPARE(IcmpPacket::byteAt(socket6->sent.first().packet.constData(), 0), quint8(128));
        QCOMPARE(socket6->sent.first().packet.mid(8), QByteArray("Echo This"));

        const quint16 sequence = socket6->sequenceOf(0);
        // Another source, another identifier, the IPv4 socket: none of them answers the IPv6 echo.
        socket6->arrive(Crafted::echo6Reply(socket6->identifier, sequence), Crafted::v6("fd00:5::6"));
        socket6->arrive(Crafted::echo6Reply(socket6->identifier + 1, sequence), target6);
        socket4->arrive(Crafted::echoReply(socket6->identifier, sequence), V4(Target));
        QVERIFY(outcomes.replies.isEmpty());
        m_clock.advanceMs(4);
        socket6->arrive(Crafted::echo6Reply(socket6->identifier, sequence), target6, Crafted::hopLimitControl(58));
        QCOMPARE(outcomes.replies.size(), 1);
        QCOMPARE(outcomes.replies.first().status, EchoStatus::Success);
        QCOMPARE(outcomes.replies.first().address, target6);
        QCOMPARE(outcomes.replies.first().ttl, quint8(58));
        QCOMPARE(outcomes.replies.first().rttUs / 1000, 4u);
        QCOMPARE(m_engine->inFlightCount(), 1); // the IPv4 echo waits on
        expireAll();
        QCOMPARE(outcomes.replies.size(), 2);
        QCOMPARE(outcomes.replies.last().status, EchoStatus::RequestTimedOut);
    }

    void ipv6ErrorQuotingAnotherHostIsIgnored()
    {
        auto v6 = std::make_unique<ScriptedIcmpSocket>(m_clock);
        v6->socketFamily = IpFamily::IPv6;
        ScriptedIcmpSocket* socket6 = v6.get();
        delete m_engine;
        m_socket = nullptr;
        m_engine = new LinuxEchoService(m_clock, m_random, std::move(v6));
        Outcomes outcomes;
        outcomes.send(*m_engine, QStringLiteral("fd00:5::5"));
        outcomes.send(*m_engine, AddressText(Target)); // no IPv4 socket given
        QTRY_COMPARE(socket6->sent.size(), 1);
        QTRY_COMPARE(outcomes.replies.size(), 1);
        QCOMPARE(outcomes.replies.first().status, EchoStatus::BadDestination);
        const quint16 id = socket6->identifierOf(0);
        const quint16 sequence = socket6->sequenceOf(0);
        const IpAddress router = Crafted::v6("fd00:5::1");
        socket6->arrive(Crafted::raw6Error(3, 0, Crafted::v6("fd00:5::6"), id, sequence), router);
        QCOMPARE(outcomes.replies.size(), 1);
        socket6->arrive(Crafted::raw6Error(3, 0, Crafted::v6("fd00:5::5"), id, sequence), router);
        QCOMPARE(outcomes.replies.size(), 2);
        QCOMPARE(outcomes.replies.last().status, EchoStatus::TtlExpiredTransit);
        QCOMPARE(outcomes.replies.last().address, router);
    }

    void forcedFamilyRefusesTheOther_data()
    {
        QTest::addColumn<IpFamily>("family");
        QTest::addColumn<QString>("address");
        QTest::newRow("--ipv4 with an IPv6 literal") << IpFamily::IPv4 << "::1";
        QTest::newRow("--ipv6 with an IPv4 literal") << IpFamily::IPv6 << "127.0.0.1";
    }
    void forcedFamilyRefusesTheOther()
    {
        QFETCH(IpFamily, family);
        QFETCH(QString, address);
        m_engine->setFamily(family);
        Outcomes outcomes;
        outcomes.send(*m_engine, address);
        QTRY_COMPARE(outcomes.replies.size(), 1);
        QCOMPARE(outcomes.replies.first().status, EchoStatus::BadDestination);
        QVERIFY(m_socket->sent.isEmpty());
    }

    // --- sending trouble ---

    void sendErrorsMapByMeaning_data()
    {
        QTest::addColumn<int>("error");
        QTest::addColumn<EchoStatus>("status");
        QTest::newRow("ENETUNREACH") << ENETUNREACH << EchoStatus::DestNetUnreachable;
        QTest::newRow("EHOSTUNREACH") << EHOSTUNREACH << EchoStatus::DestHostUnreachable;
        QTest::newRow("EMSGSIZE") << EMSGSIZE << EchoStatus::PacketTooBig;
        QTest::newRow("EACCES") << EACCES << EchoStatus::GeneralFailure;
        QTest::newRow("EPERM") << EPERM << EchoStatus::GeneralFailure;
    }
    void sendErrorsMapByMeaning()
    {
        QFETCH(int, error);
        QFETCH(EchoStatus, status);
        m_socket->sendErrors = {error};
        Outcomes outcomes;
        outcomes.send(*m_engine, QStringLiteral("198.18.0.5"));
        QTRY_COMPARE(outcomes.replies.size(), 1);
        QCOMPARE(outcomes.replies.first().status, status);
        QCOMPARE(m_engine->inFlightCount(), 0);
    }

    // Echoes go to the kernel several at a time; one that fails inside such a batch fails alone (a full
    // kernel only delays it), and each echo keeps its own sequence and outcome.
    void failureInsideABatch_data()
    {
        QTest::addColumn<int>("error");
        QTest::addColumn<bool>("delayedOnly");
        QTest::newRow("unreachable") << EHOSTUNREACH << false;
        QTest::newRow("kernel full") << EAGAIN << true;
    }
    void failureInsideABatch()
    {
        QFETCH(int, error);
        QFETCH(bool, delayedOnly);
        m_socket->sendErrors = {0, 0, error};
        constexpr int Count = 5;
        QList<Outcomes> outcomes(Count);
        for (Outcomes& o : outcomes)
            o.send(*m_engine, AddressText(Target));
        const int wentOut = delayedOnly ? Count : Count - 1;
        QTRY_COMPARE(m_socket->sent.size(), wentOut);
        for (int i = 0; i < wentOut; ++i)
            m_socket->arrive(replyTo(i));
        for (int i = 0; i < Count; ++i) {
            QCOMPARE(outcomes[i].replies.size(), 1);
            const bool failed = !delayedOnly && i == 2;
            QCOMPARE(outcomes[i].replies.first().status,
                     failed ? EchoStatus::DestHostUnreachable : EchoStatus::Success);
        }
        QCOMPARE(m_engine->inFlightCount(), 0);
    }

    void fullKernelBufferKeepsTheEchoQueued()
    {
        m_socket->sendErrors = {ENOBUFS, EAGAIN, ENOBUFS};
        Outcomes outcomes;
        outcomes.send(*m_engine, QStringLiteral("198.18.0.5"));
        QTRY_COMPARE(m_socket->sent.size(), 1);
        QCOMPARE(m_socket->sendCalls, 4);
        m_socket->arrive(Crafted::rawReply(Target, m_socket->identifierOf(0), m_socket->sequenceOf(0)));
        QCOMPARE(outcomes.replies.size(), 1);
        QCOMPARE(outcomes.replies.first().status, EchoStatus::Success);
    }

    // More replies behind one notice than one drain reads: all are read, each once. (A socket that reads
    // ahead gives no second notice for what it holds.)
    void repliesBeyondOneDrainAreAllRead()
    {
        constexpr int Count = 8192 + 40;
        Outcomes outcomes;
        for (int i = 0; i < Count; ++i)
            outcomes.send(*m_engine, AddressText(Target));
        QVERIFY(QTest::qWaitFor([&] { return m_socket->sent.size() == Count; }, 20000));
        for (int i = 0; i < Count; ++i)
            m_socket->arriveUnread(replyTo(i));
        emit m_socket->readyRead();
        QTRY_COMPARE(outcomes.replies.size(), Count);
        QCOMPARE(m_engine->inFlightCount(), 0);
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
        outcomes.send(*m_engine, text);
        QVERIFY(outcomes.replies.isEmpty());
        QTRY_COMPARE(outcomes.replies.size(), 1);
        QCOMPARE(outcomes.replies.first().status, EchoStatus::BadDestination);
        QCOMPARE(m_socket->sendCalls, 0);
    }

    void cancelDropsOnlyThatSinksUnsentEchoes()
    {
        Outcomes cancelled;
        Outcomes kept;
        cancelled.send(*m_engine, QStringLiteral("198.18.0.5"));
        kept.send(*m_engine, QStringLiteral("198.18.0.6"));
        QCOMPARE(m_engine->cancel(cancelled), 1);
        QCOMPARE(m_engine->cancel(cancelled), 0);
        QTRY_COMPARE(m_socket->sent.size(), 1);
        expireAll();
        QCOMPARE(kept.replies.size(), 1);
        QCOMPARE(m_socket->sent.first().destination, V4(Other));
        QVERIFY(cancelled.replies.isEmpty());
    }

    // Three echoes a request, 10 ms apart: each pass over the requests waits for the interval after the one
    // before it left, and every outcome says which echo of its request it was.
    void severalEchoesARequestGoOutInPasses()
    {
        m_engine->setCount(3, 10);
        QCOMPARE(m_engine->echoesPerRequest(), 3);
        Outcomes outcomes;
        outcomes.send(*m_engine, AddressText(Target));
        outcomes.send(*m_engine, AddressText(Other));
        QTRY_COMPARE(m_socket->sent.size(), 2);
        QTest::qWait(30); // the clock has not moved: the second pass is not due
        QCOMPARE(m_socket->sent.size(), 2);
        QCOMPARE(m_engine->queuedCount(), 2);
        m_clock.advanceMs(9);
        QTest::qWait(20);
        QCOMPARE(m_socket->sent.size(), 2);
        m_clock.advanceMs(1);
        QTRY_COMPARE(m_socket->sent.size(), 4);
        m_socket->arrive(replyTo(2)); // the first host's second echo
        m_clock.advanceMs(10);
        QTRY_COMPARE(m_socket->sent.size(), 6);
        for (int i = 0; i < 6; ++i)
            QCOMPARE(m_socket->sent.at(i).destination, V4(i % 2 == 0 ? Target : Other));
        expireAll();
        QCOMPARE(outcomes.replies.size(), 6);
        QList<int> echoesOf[2];
        for (const EchoOutcome& o : outcomes.replies) {
            QCOMPARE(o.echoes, quint8(3));
            QCOMPARE(o.answered(), o.tag == 1 && o.echo == 1);
            echoesOf[o.tag - 1].append(o.echo);
        }
        std::sort(echoesOf[0].begin(), echoesOf[0].end());
        QCOMPARE(echoesOf[0], (QList<int>{0, 1, 2}));
        QCOMPARE(echoesOf[1].size(), 3);
    }

    // The rate counts the later echoes too; one whose time has come goes before the requests still queued.
    void theRateCountsEveryEcho()
    {
        m_engine->setRate(100); // one echo every 10 ms
        m_engine->setCount(2, 0);
        Outcomes outcomes;
        outcomes.send(*m_engine, AddressText(Target));
        outcomes.send(*m_engine, AddressText(Other));
        for (int sent = 1; sent <= 4; ++sent) {
            QTRY_COMPARE(m_socket->sent.size(), sent);
            QTest::qWait(25);
            QCOMPARE(m_socket->sent.size(), sent);
            m_clock.advanceMs(10);
        }
        for (int i = 0; i < 4; ++i)
            QCOMPARE(m_socket->sent.at(i).destination, V4(i < 2 ? Target : Other));
    }

    void cancelDropsTheLaterEchoesOfSentRequests()
    {
        m_engine->setCount(4, 10);
        Outcomes outcomes;
        outcomes.send(*m_engine, AddressText(Target));
        outcomes.send(*m_engine, QStringLiteral("bad"));
        QTRY_COMPARE(outcomes.replies.size(), 4); // a text that is no address fails all its echoes at once
        QCOMPARE(m_socket->sent.size(), 1);
        QCOMPARE(m_engine->cancel(outcomes), 3);
        m_clock.advanceMs(50);
        QTest::qWait(20);
        QCOMPARE(m_socket->sent.size(), 1);
        expireAll();
        QCOMPARE(outcomes.replies.size(), 5);
    }

    void cancelLeavesSentEchoesToBeAnswered()
    {
        Outcomes outcomes;
        outcomes.send(*m_engine, QStringLiteral("198.18.0.5"));
        QTRY_COMPARE(m_socket->sent.size(), 1);
        QCOMPARE(m_engine->cancel(outcomes), 0);
        expireAll();
        QCOMPARE(outcomes.replies.size(), 1);
    }

    void detachedSinkHearsNothing()
    {
        Outcomes outcomes;
        Outcomes other;
        outcomes.send(*m_engine, QStringLiteral("198.18.0.5"));
        QTRY_COMPARE(m_socket->sent.size(), 1);
        outcomes.send(*m_engine, QStringLiteral("bad"));
        outcomes.send(*m_engine, QStringLiteral("198.18.0.6"));
        m_engine->detach(outcomes);
        QCOMPARE(m_engine->queuedCount(), 0);
        // Its slot in the engine goes to the next requester once its echo in flight is settled.
        m_socket->arrive(replyTo(0));
        other.send(*m_engine, QStringLiteral("198.18.0.6"));
        QTRY_COMPARE(m_socket->sent.size(), 2);
        expireAll();
        QVERIFY(outcomes.replies.isEmpty());
        QCOMPARE(other.replies.size(), 1);
        QCOMPARE(m_engine->inFlightCount(), 0);
    }

    void repliesOfOneReadComeInOneBatch()
    {
        Outcomes outcomes;
        for (int i = 0; i < 5; ++i)
            outcomes.send(*m_engine, AddressText(Target));
        QTRY_COMPARE(m_socket->sent.size(), 5);
        for (int i = 0; i < 5; ++i)
            m_socket->arriveUnread(replyTo(i));
        emit m_socket->readyRead();
        QCOMPARE(outcomes.replies.size(), 5);
        QCOMPARE(outcomes.batches, 1);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(outcomes.replies.at(i).tag, quint64(i + 1));
    }

    // --- no permission ---

    void noPermissionIsReportedOnceAndEveryEchoFails()
    {
        makeEngine(IcmpSocket::Kind::Raw, false);
        QSignalSpy unavailable(m_engine, &LinuxEchoService::icmpUnavailable);
        Outcomes outcomes;
        outcomes.send(*m_engine, QStringLiteral("198.18.0.5"));
        outcomes.send(*m_engine, QStringLiteral("198.18.0.6"));
        QTRY_COMPARE(outcomes.replies.size(), 2);
        outcomes.send(*m_engine, QStringLiteral("198.18.0.7"));
        QTRY_COMPARE(outcomes.replies.size(), 3);
        for (const EchoOutcome& reply : outcomes.replies)
            QCOMPARE(reply.status, EchoStatus::GeneralFailure);
        QCOMPARE(unavailable.size(), 1);
        QCOMPARE(unavailable.first().first().toString(), QStringLiteral("Operation not permitted"));
        QVERIFY(!m_engine->available());
        QCOMPARE(m_engine->unavailableReason(), QStringLiteral("Operation not permitted"));
        QCOMPARE(m_socket->opens, 1);
        QCOMPARE(m_socket->sendCalls, 0);
    }

    // IPv6 switched off on the system: IPv6 hosts fail as unreachable, IPv4 goes on, and nobody is told to
    // fix a permission.
    void missingIpv6FailsItsHostsWithoutAPermissionReport()
    {
        auto v4 = std::make_unique<ScriptedIcmpSocket>(m_clock);
        auto v6 = std::make_unique<ScriptedIcmpSocket>(m_clock);
        v6->socketFamily = IpFamily::IPv6;
        v6->openSucceeds = false;
        v6->familyMissing = true;
        ScriptedIcmpSocket* socket4 = v4.get();
        delete m_engine;
        m_socket = socket4;
        m_engine = new LinuxEchoService(m_clock, m_random, std::move(v4), std::move(v6));
        QSignalSpy unavailable(m_engine, &LinuxEchoService::icmpUnavailable);
        Outcomes outcomes;
        outcomes.send(*m_engine, QStringLiteral("fd00:5::5"));
        outcomes.send(*m_engine, AddressText(Target));
        QTRY_COMPARE(outcomes.replies.size(), 1);
        QCOMPARE(outcomes.replies.first().status, EchoStatus::DestNetUnreachable);
        QTRY_COMPARE(socket4->sent.size(), 1);
        QCOMPARE(unavailable.size(), 0);
    }

    void queryingAvailabilityIsSilent()
    {
        QVERIFY(m_engine->available());
        QVERIFY(m_engine->unavailableReason().isEmpty());
        QCOMPARE(m_engine->socketKind(), IcmpSocket::Kind::Raw);
        makeEngine(IcmpSocket::Kind::Raw, false);
        QSignalSpy unavailable(m_engine, &LinuxEchoService::icmpUnavailable);
        QVERIFY(!m_engine->available());
        QVERIFY(!m_engine->unavailableReason().isEmpty());
        QCOMPARE(unavailable.size(), 0);
    }
};

QTEST_GUILESS_MAIN(EchoEngineTest)
#include "EchoEngineTest.moc"
