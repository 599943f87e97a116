#pragma once

#include "ping/EchoQueue.h"
#include "ping/EchoService.h"
#include "ping/IcmpReplyParser.h"
#include "ping/InFlightTable.h"
#include "ping/PingOptions.h"
#include "platform/IcmpSocket.h"

#include <QTimer>
#include <array>
#include <memory>
#include <optional>
#include <vector>

class PreciseClock;
class RandomSource;

// The ICMP echo engine: one socket per address family (ICMP for IPv4, ICMPv6 for IPv6), each with its own
// echoes in flight; one send queue for both, paced by event-loop turns; replies matched by identifier,
// sequence and source; and one timer aimed at the earliest of the in-flight deadlines. A request of several
// echoes goes out once at its turn in the queue; each later echo waits in a second queue, its time set by when
// the echo before it left, so the echoes of a round go out as passes over its hosts without a timer per host. Outcomes
// go back to their sinks in batches: all that one read of the sockets, one expiry or one turn of sends settled.
//
// Timing is the network's: an echo is stamped just before it is handed to the kernel, and a reply by the
// kernel's receive stamp, so a reply that arrived in time counts however late the thread read it.
//
// Outcomes: Success on a reply; the IP status of an ICMP error, with the reporting router as address;
// RequestTimedOut when no reply arrived within the timeout; BadDestination for a text that is not an address,
// or whose family the engine was told not to use; GeneralFailure when ICMP is not permitted or sending failed
// for a reason without its own code. ICMPv6 errors map onto the same codes (Icmp6ReplyParser).
// How to tell the user that ICMP is not permitted is the caller's business (icmpUnavailable).
class LinuxEchoService : public QObject, public EchoService
{
    Q_OBJECT
public:
    LinuxEchoService(PreciseClock& clock, RandomSource& random, QObject* parent = nullptr);
    // Takes already made sockets: tests script one, and the lab forces a socket kind. With one socket only
    // its family is served; echoes to the other fail with BadDestination.
    LinuxEchoService(PreciseClock& clock, RandomSource& random, std::unique_ptr<IcmpSocket> socket,
                     QObject* parent = nullptr);
    LinuxEchoService(PreciseClock& clock, RandomSource& random, std::unique_ptr<IcmpSocket> ipv4,
                     std::unique_ptr<IcmpSocket> ipv6, QObject* parent = nullptr);
    ~LinuxEchoService() override;

    void send(std::span<const EchoRequest> requests, EchoSink& sink) override;
    int echoesPerRequest() const override { return m_count; }
    int cancel(EchoSink& sink) override;
    void detach(EchoSink& sink) override;
    void setStraySink(EchoSink* sink) override { m_straySink = sink; }

    // How long an echo may take, for the echoes sent from now on.
    void setTimeoutMs(int ms) { m_timeoutNs = qint64(ms) * 1000000; }
    int timeoutMs() const { return static_cast<int>(m_timeoutNs / 1000000); }

    // Only this family from now on: an address of the other fails with BadDestination. Unspecified: both.
    void setFamily(IpFamily family) { m_family = family; }
    // The TTL (IPv4) or hop limit (IPv6) of the echoes sent from now on; none: the system's.
    void setHopLimit(std::optional<int> hops);
    // The payload of each echo: none, the 9 bytes "Echo This"; else that text repeated or cut to this size.
    void setPayloadBytes(std::optional<int> bytes);
    void setFragmentation(IcmpSocket::Fragmentation fragmentation);
    // Where the echoes leave from: an address of this machine (the socket of its family only; null: the
    // system's choice) and an interface (empty: any). A socket already open is opened again for it once none of
    // its echoes is in flight (between rounds), so late replies to the echoes before are not heard then.
    void setSendFrom(const IpAddress& source, const QString& interfaceName);
    // Each request sent from now on goes out as this many echoes (1 to 255), each the interval after the one
    // before it left. The rate below counts every one of them.
    void setCount(int echoes, int intervalMs);
    // At most this many echoes a second, spread evenly (bursts of at most 10 ms' worth); none: as fast as the
    // kernel takes them.
    void setRate(std::optional<int> echoesPerSecond);
    // Don't-fragment forbids it. A size of one's own allows it otherwise, so that a big echo crosses a link
    // with a smaller MTU in pieces, as ping does; the classic echo keeps the system's path MTU discovery.
    static IcmpSocket::Fragmentation fragmentationFor(const PingOptions& options)
    {
        if (options.dontFragment)
            return IcmpSocket::Fragmentation::Forbid;
        return options.payloadBytes ? IcmpSocket::Fragmentation::Allow : IcmpSocket::Fragmentation::SystemDefault;
    }
    IpFamily family() const { return m_family; }

    // Opens the socket of the family if not yet tried (silently); false when ICMP is not permitted. Without a
    // family: the one set by setFamily, IPv4 when both are served.
    bool available(IpFamily family = IpFamily::Unspecified);
    // The system's reason why ICMP is not available; empty when available.
    QString unavailableReason(IpFamily family = IpFamily::Unspecified);
    IcmpSocket::Kind socketKind(IpFamily family = IpFamily::Unspecified);
    // Echoes sent and not yet answered or timed out.
    int inFlightCount() const;
    int queuedCount() const { return m_queue.size() + m_repeats.size(); }

    // Reads of the socket that failed for an unexpected reason, and the errno of the last of them.
    int receiveFailures() const { return m_receiveFailures; }
    quint64 receiveErrors() const override { return static_cast<quint64>(m_receiveFailures); }
    int lastReceiveError() const { return m_lastReceiveError; }
    // Datagrams dropped because the kernel cut them or their control data.
    int truncatedDatagrams() const { return m_truncatedDatagrams; }

    // Credits the replies already received, then settles every echo whose deadline has passed. The deadline
    // timer calls it; so do tests that drive the clock.
    void expireOverdue();

signals:
    // ICMP is not permitted: emitted once, when the first echo fails for it. reason is the system's own text.
    void icmpUnavailable(const QString& reason);

private:
    enum class OpenState { NotTried, Open, Unavailable };
    // Everything one family's socket needs.
    struct Channel {
        std::unique_ptr<IcmpSocket> socket;
        OpenState openState = OpenState::NotTried;
        QString unavailableReason;
        quint16 identifier = 0;
        bool reopen = false; // the options it was opened (or failed to open) with changed
        InFlightTable inFlight;
    };
    // A requester: its echoes queued or in flight, and the outcomes it has not been handed yet.
    struct Sink {
        EchoSink* sink = nullptr;
        int echoes = 0;
        bool detached = false;
        std::vector<EchoOutcome> pending;
        std::vector<EchoOutcome> delivering;
    };

    void addChannel(std::unique_ptr<IcmpSocket> socket);
    Channel* channelFor(IpFamily family);
    Channel* queriedChannel(IpFamily family);
    bool ensureOpen(Channel& channel);
    void applySocketOptions(Channel& channel);
    // Echoes the rate allows now (at most wanted); 0 with waitMs set when the next one is due later.
    int rateAllows(int wanted, int& waitMs);
    quint16 sinkIndex(EchoSink& sink);
    Sink* findSink(EchoSink& sink);
    // What one call to the socket did.
    struct Batch {
        int sent = 0;
        qint64 sentNs = 0;
        bool kernelFull = false; // no room for the next echo now; it stays queued
        int error = 0;           // why the next echo cannot be sent at all
    };
    // Echoes handed to the kernel in one call. All are stamped before it, so more would add to the round trips.
    static constexpr int SendsPerBatch = 16;

    void schedulePump();
    void pump();
    // Answers the echo at the front of the queue, which has no open socket of its family.
    void refuseFirst(EchoQueue& queue, Channel* channel);
    // Answers the echo at the front of the queue with a failure; with its request's later echoes too when all
    // would fail alike.
    void refuseFirst(EchoQueue& queue, EchoStatus status, bool laterEchoesToo);
    // The queue the next echo comes from now; none while only later echoes wait, and not yet.
    EchoQueue* nextQueue(qint64 nowNs);
    // Queues the request's next echo, if it has one, to leave the interval after fromNs.
    void repeatLater(EchoQueue::Entry entry, qint64 fromNs);
    // Sends up to wanted echoes due at nowNs from the front of the queue, all to channel; none sent and nothing
    // else set means every sequence is in flight.
    Batch sendBatch(Channel& channel, EchoQueue& queue, int wanted, qint64 nowNs);
    void reportUnavailable(const QString& reason);
    bool drain(int maxReads);
    bool drain(Channel& channel, int maxReads);
    void handle(Channel& channel, const IcmpSocket::Message& message, bool fromErrorQueue);
    qint64 roundTripNs(const IcmpSocket::Message& message, const InFlightTable::Echo& echo) const;
    void recordReceiveFailure(int error);
    void armTimeout();
    static EchoOutcome outcomeOf(const InFlightTable::Echo& echo);
    void settle(Channel& channel, InFlightTable::Echo& echo, const EchoOutcome& outcome, InFlightTable::State how);
    // A reply whose echo was settled already: late or a duplicate, for the stray sink.
    void handleStray(InFlightTable::Echo& echo, const IcmpSocket::Message& message,
                     const IcmpReplyParser::Event& event);
    void answer(quint16 sink, const EchoOutcome& outcome);
    // Hands every sink the outcomes gathered for it.
    void deliver();

    PreciseClock& m_clock;
    RandomSource& m_random;
    Channel m_ipv4;
    Channel m_ipv6;
    IpFamily m_family = IpFamily::Unspecified;
    qint64 m_timeoutNs = qint64(EchoTimeoutMs) * 1000000;
    std::optional<int> m_hopLimit;
    // The rate limit as a bucket of send credits, refilled from the monotonic clock.
    std::optional<int> m_ratePps;
    double m_rateCredits = 0;
    qint64 m_rateRefilledNs = 0;
    IcmpSocket::Fragmentation m_fragmentation = IcmpSocket::Fragmentation::SystemDefault;
    bool m_unavailableReported = false;

    EchoQueue m_queue;
    // The later echoes of requests, in the order they are due.
    EchoQueue m_repeats;
    int m_count = 1;
    qint64 m_intervalNs = 0;
    // The pump timer waits only for the next later echo: new requests need not wait for it.
    bool m_pumpAwaitsRepeat = false;
    std::vector<Sink> m_sinks;
    EchoSink* m_straySink = nullptr;
    std::vector<EchoOutcome> m_strays;
    std::vector<EchoOutcome> m_straysDelivering;
    bool m_delivering = false;
    QByteArray m_payload;
    std::array<IcmpSocket::Outgoing, SendsPerBatch> m_outgoing;

    int m_receiveFailures = 0;
    int m_lastReceiveError = 0;
    int m_truncatedDatagrams = 0;

    QTimer m_pumpTimer;
    QTimer m_timeoutTimer;
    QTimer m_drainTimer;
};
