#include "ping/LinuxEchoService.h"

#include "ping/HostAddress.h"
#include "ping/Icmp6Packet.h"
#include "ping/Icmp6ReplyParser.h"
#include "ping/IcmpPacket.h"
#include "ping/IcmpReplyParser.h"
#include "platform/LinuxIcmpSocket.h"
#include "platform/PreciseClock.h"
#include "platform/RandomSource.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace
{

// Echoes sent per event-loop turn: large enough to keep up with a round that dispatches 256 per turn,
// small enough that replies and timers get their turn.
constexpr int SendsPerTurn = 512;
// A turn also ends after this long: sending to loopback includes the kernel's answer, and the replies read
// between sends are recorded at once, so 512 echoes can hold the window for ten milliseconds.
constexpr qint64 TurnBudgetNs = 4000000;
// Replies to loopback come back while we are still sending; reading them this often keeps the receive
// buffer far from full.
constexpr int DrainEverySends = 32;
// Reads per drain, so a flood of foreign ICMP cannot hold the thread; the notifier fires again for the rest.
constexpr int ReadsPerDrain = 8192;
// Before declaring timeouts everything received must be read; the receive buffer holds fewer than this.
constexpr int ReadsBeforeTimeouts = 8 * ReadsPerDrain;
// When the kernel has no room for another echo, try again this soon.
constexpr int RetryAfterMs = 1;
constexpr qint64 NsPerMs = 1000000;
// The wall clock moving against the monotonic one by more than this, plus what slewing can do (chrony slews
// at up to 83,333 ppm), means it was stepped, and its receive stamps cannot be compared with the send stamp.
constexpr qint64 SteppedNs = NsPerMs;
constexpr qint64 SlewDivisor = 8;

constexpr qint64 NsPerUs = 1000;

} // namespace

LinuxEchoService::LinuxEchoService(PreciseClock& clock, RandomSource& random, QObject* parent)
    : LinuxEchoService(clock, random,
                       std::make_unique<LinuxIcmpSocket>(LinuxIcmpSocket::Preference::Any, IpFamily::IPv4),
                       std::make_unique<LinuxIcmpSocket>(LinuxIcmpSocket::Preference::Any, IpFamily::IPv6), parent)
{
}

LinuxEchoService::LinuxEchoService(PreciseClock& clock, RandomSource& random, std::unique_ptr<IcmpSocket> socket,
                                   QObject* parent)
    : LinuxEchoService(clock, random, std::move(socket), nullptr, parent)
{
}

LinuxEchoService::LinuxEchoService(PreciseClock& clock, RandomSource& random, std::unique_ptr<IcmpSocket> ipv4,
                                   std::unique_ptr<IcmpSocket> ipv6, QObject* parent)
    : QObject(parent), m_clock(clock), m_random(random), m_payload(IcmpPacket::echoPayload())
{
    m_pumpTimer.setSingleShot(true);
    connect(&m_pumpTimer, &QTimer::timeout, this, &LinuxEchoService::pump);
    m_timeoutTimer.setSingleShot(true);
    m_timeoutTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_timeoutTimer, &QTimer::timeout, this, &LinuxEchoService::expireOverdue);
    m_drainTimer.setSingleShot(true);
    connect(&m_drainTimer, &QTimer::timeout, this, [this] {
        drain(ReadsPerDrain);
        deliver();
    });
    addChannel(std::move(ipv4));
    addChannel(std::move(ipv6));
}

LinuxEchoService::~LinuxEchoService() = default;

void LinuxEchoService::addChannel(std::unique_ptr<IcmpSocket> socket)
{
    if (!socket)
        return;
    Channel& channel = socket->family() == IpFamily::IPv6 ? m_ipv6 : m_ipv4;
    channel.socket = std::move(socket);
    connect(channel.socket.get(), &IcmpSocket::readyRead, this, [this, &channel] {
        drain(channel, ReadsPerDrain);
        deliver();
    });
}

LinuxEchoService::Channel* LinuxEchoService::channelFor(IpFamily family)
{
    Channel* channel = family == IpFamily::IPv6 ? &m_ipv6 : family == IpFamily::IPv4 ? &m_ipv4 : nullptr;
    return channel != nullptr && channel->socket ? channel : nullptr;
}

LinuxEchoService::Channel* LinuxEchoService::queriedChannel(IpFamily family)
{
    if (family == IpFamily::Unspecified)
        family = m_family == IpFamily::Unspecified ? IpFamily::IPv4 : m_family;
    return channelFor(family);
}

LinuxEchoService::Sink* LinuxEchoService::findSink(EchoSink& sink)
{
    for (Sink& s : m_sinks) {
        if (s.sink == &sink && !s.detached)
            return &s;
    }
    return nullptr;
}

quint16 LinuxEchoService::sinkIndex(EchoSink& sink)
{
    // Requesters are few (a round, a probe request), so a short list searched from the front will do.
    std::size_t freeAt = m_sinks.size();
    for (std::size_t i = 0; i < m_sinks.size(); ++i) {
        Sink& s = m_sinks[i];
        if (s.sink == &sink && !s.detached)
            return static_cast<quint16>(i);
        if (freeAt == m_sinks.size() && s.detached && s.echoes == 0 && !m_delivering)
            freeAt = i;
    }
    if (freeAt == m_sinks.size())
        m_sinks.emplace_back();
    Sink& s = m_sinks[freeAt];
    s.sink = &sink;
    s.detached = false;
    s.echoes = 0;
    s.pending.clear();
    return static_cast<quint16>(freeAt);
}

void LinuxEchoService::send(std::span<const EchoRequest> requests, EchoSink& sink)
{
    if (requests.empty())
        return;
    const quint16 index = sinkIndex(sink);
    m_sinks[index].echoes += static_cast<int>(requests.size()) * m_count;
    for (const EchoRequest& request : requests) {
        EchoRequest checked = request;
        checked.valid = request.valid && channelFor(request.target.address.family()) != nullptr &&
                        (m_family == IpFamily::Unspecified || m_family == request.target.address.family());
        m_queue.push(checked, index, static_cast<quint8>(m_count));
    }
    // Even an address we refuse is answered from the event loop, never from inside this call.
    schedulePump();
}

int LinuxEchoService::cancel(EchoSink& sink)
{
    Sink* s = findSink(sink);
    if (s == nullptr)
        return 0;
    const auto index = static_cast<quint16>(s - m_sinks.data());
    const int removed = m_queue.removeSink(index) + m_repeats.removeSink(index);
    s->echoes -= removed;
    return removed;
}

void LinuxEchoService::detach(EchoSink& sink)
{
    if (m_straySink == &sink)
        setStraySink(nullptr);
    Sink* s = findSink(sink);
    if (s == nullptr)
        return;
    cancel(sink);
    // Echoes in flight keep their entry until they settle; their outcomes go nowhere.
    s->detached = true;
    s->sink = nullptr;
    s->pending.clear();
}

bool LinuxEchoService::available(IpFamily family)
{
    Channel* channel = queriedChannel(family);
    return channel != nullptr && ensureOpen(*channel);
}

QString LinuxEchoService::unavailableReason(IpFamily family)
{
    Channel* channel = queriedChannel(family);
    if (channel == nullptr)
        return QStringLiteral("no ICMP socket for this address family");
    return ensureOpen(*channel) ? QString() : channel->unavailableReason;
}

IcmpSocket::Kind LinuxEchoService::socketKind(IpFamily family)
{
    Channel* channel = queriedChannel(family);
    if (channel == nullptr)
        return IcmpSocket::Kind::None;
    ensureOpen(*channel);
    return channel->socket->kind();
}

int LinuxEchoService::inFlightCount() const
{
    return m_ipv4.inFlight.size() + m_ipv6.inFlight.size();
}

void LinuxEchoService::setHopLimit(std::optional<int> hops)
{
    m_hopLimit = hops;
    for (Channel* channel : {&m_ipv4, &m_ipv6}) {
        if (channel->socket && channel->openState == OpenState::Open)
            applySocketOptions(*channel);
    }
}

void LinuxEchoService::setPayloadBytes(std::optional<int> bytes)
{
    const QByteArray text = IcmpPacket::echoPayload();
    if (!bytes) {
        m_payload = text;
    } else {
        m_payload.resize(std::max(*bytes, 0));
        for (qsizetype i = 0; i < m_payload.size(); ++i)
            m_payload[i] = text.at(i % text.size());
    }
    for (Channel* channel : {&m_ipv4, &m_ipv6}) {
        if (channel->socket)
            channel->socket->setLargestEcho(int(IcmpPacket::HeaderSize + m_payload.size()));
    }
}

void LinuxEchoService::setFragmentation(IcmpSocket::Fragmentation fragmentation)
{
    m_fragmentation = fragmentation;
    for (Channel* channel : {&m_ipv4, &m_ipv6}) {
        if (channel->socket && channel->openState == OpenState::Open)
            applySocketOptions(*channel);
    }
}

void LinuxEchoService::setSendFrom(const IpAddress& source, const QString& interfaceName)
{
    for (Channel* channel : {&m_ipv4, &m_ipv6}) {
        if (channel->socket) {
            channel->socket->setSendFrom(source, interfaceName);
            // One that could not open may well open now: an address it could not bind to is gone.
            channel->reopen = channel->openState != OpenState::NotTried;
        }
    }
}

void LinuxEchoService::setCount(int echoes, int intervalMs)
{
    m_count = std::clamp(echoes, 1, 255);
    m_intervalNs = qint64(std::max(intervalMs, 0)) * NsPerMs;
}

void LinuxEchoService::setRate(std::optional<int> echoesPerSecond)
{
    m_ratePps = echoesPerSecond;
    m_rateCredits = 1;
    m_rateRefilledNs = m_clock.monotonicNs();
}

int LinuxEchoService::rateAllows(int wanted, int& waitMs)
{
    waitMs = 0;
    if (!m_ratePps)
        return wanted;
    // Bursts of up to a hundredth of a second's worth keep the system calls few. A burst can leave right at the
    // start of any second, so the credits come in burst - 1 slower than the rate: then no second, wherever it
    // starts, sees more echoes leave than the rate allows.
    const double burst = std::max(1, *m_ratePps / 100);
    const double refill = *m_ratePps - burst + 1;
    const qint64 now = m_clock.monotonicNs();
    m_rateCredits = std::min(burst, m_rateCredits + double(now - m_rateRefilledNs) * refill / 1e9);
    m_rateRefilledNs = now;
    const int allowed = std::min(wanted, static_cast<int>(m_rateCredits));
    if (allowed == 0)
        waitMs = std::max(1, static_cast<int>(std::ceil((1 - m_rateCredits) * 1000 / refill)));
    return allowed;
}

void LinuxEchoService::applySocketOptions(Channel& channel)
{
    // The values were checked before they got here; a refusal by the kernel says the socket is unusable.
    auto refused = [&channel](const char* what, int error) {
        channel.openState = OpenState::Unavailable;
        channel.unavailableReason =
            QStringLiteral("setting %1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(error)));
    };
    if (const int error = channel.socket->setHopLimit(m_hopLimit.value_or(-1)); error != 0)
        refused("the TTL", error);
    else if (const int fragError = channel.socket->setFragmentation(m_fragmentation); fragError != 0)
        refused("fragmentation", fragError);
}

bool LinuxEchoService::ensureOpen(Channel& channel)
{
    if (channel.reopen && channel.inFlight.size() == 0) {
        channel.reopen = false;
        channel.socket->close();
        channel.openState = OpenState::NotTried;
    }
    if (channel.openState == OpenState::NotTried) {
        if (channel.socket->open()) {
            channel.openState = OpenState::Open;
            const auto draw = [this](int count) {
                return std::clamp(static_cast<int>(m_random.next() * count), 0, count - 1);
            };
            channel.identifier = channel.socket->kind() == IcmpSocket::Kind::Datagram
                                     ? channel.socket->localIdentifier()
                                     : static_cast<quint16>(1 + draw(InFlightTable::SequenceSpace - 1));
            // Start the sequences somewhere random too, so two runs do not look alike to a middlebox.
            channel.inFlight.startAt(static_cast<quint16>(draw(InFlightTable::SequenceSpace)));
            if (m_hopLimit || m_fragmentation != IcmpSocket::Fragmentation::SystemDefault)
                applySocketOptions(channel);
        } else {
            channel.openState = OpenState::Unavailable;
            channel.unavailableReason = channel.socket->openError();
        }
    }
    return channel.openState == OpenState::Open;
}

void LinuxEchoService::schedulePump()
{
    if (!m_pumpTimer.isActive() || m_pumpAwaitsRepeat) {
        m_pumpAwaitsRepeat = false;
        m_pumpTimer.start(0);
    }
}

EchoQueue* LinuxEchoService::nextQueue(qint64 nowNs)
{
    // A later echo whose time has come goes first: its request has waited longer than anything queued.
    if (!m_repeats.empty() && m_repeats.front().dueNs <= nowNs)
        return &m_repeats;
    return m_queue.empty() ? nullptr : &m_queue;
}

void LinuxEchoService::repeatLater(EchoQueue::Entry entry, qint64 fromNs)
{
    if (entry.echo + 1 >= entry.echoes)
        return;
    ++entry.echo;
    // Sends only get later and the interval is one for all, so the queue stays in the order its echoes are due.
    entry.dueNs = fromNs + m_intervalNs;
    m_repeats.push(entry);
}

void LinuxEchoService::pump()
{
    int sent = 0;
    int sentSinceDrain = 0;
    int refused = 0; // counted too, so that a queue of refusals still ends the turn
    bool kernelFull = false;
    bool allSequencesInFlight = false;
    int rateWaitMs = 0;
    qint64 nowNs = m_clock.monotonicNs();
    const qint64 turnEndsNs = nowNs + TurnBudgetNs;
    m_pumpAwaitsRepeat = false;
    while (sent + refused < SendsPerTurn) {
        EchoQueue* queue = nextQueue(nowNs);
        if (queue == nullptr)
            break;
        const EchoQueue::Entry& first = queue->front();
        Channel* channel = first.request.valid ? channelFor(first.request.target.address.family()) : nullptr;
        if (channel == nullptr || !ensureOpen(*channel)) {
            ++refused;
            refuseFirst(*queue, channel);
            continue;
        }
        int waitMs = 0;
        const int allowed = rateAllows(std::min(SendsPerBatch, SendsPerTurn - sent - refused), waitMs);
        if (allowed == 0) {
            rateWaitMs = waitMs;
            break;
        }
        const Batch batch = sendBatch(*channel, *queue, allowed, nowNs);
        m_rateCredits -= batch.sent;
        if (batch.sentNs != 0)
            nowNs = batch.sentNs;
        if (batch.sent == 0 && !batch.kernelFull && batch.error == 0) {
            allSequencesInFlight = true; // the next echo to settle frees one and calls the pump again
            break;
        }
        sent += batch.sent;
        sentSinceDrain += batch.sent;
        if (batch.kernelFull) {
            kernelFull = true;
            drain(*channel, ReadsPerDrain);
            break;
        }
        if (batch.error != 0) {
            ++refused;
            // The next echo may find the way open again.
            refuseFirst(*queue, IcmpReplyParser::statusForErrno(batch.error), false);
        }
        if (sentSinceDrain >= DrainEverySends) {
            sentSinceDrain = 0;
            drain(*channel, ReadsPerDrain);
            if (batch.sentNs >= turnEndsNs)
                break;
        }
    }
    if (!allSequencesInFlight && !m_pumpTimer.isActive()) {
        nowNs = m_clock.monotonicNs();
        if (nextQueue(nowNs) != nullptr) {
            m_pumpTimer.start(rateWaitMs > 0 ? rateWaitMs : kernelFull ? RetryAfterMs : 0);
        } else if (!m_repeats.empty()) {
            const qint64 waitNs = m_repeats.front().dueNs - nowNs;
            m_pumpTimer.start(std::max(rateWaitMs, static_cast<int>((waitNs + NsPerMs - 1) / NsPerMs)));
            m_pumpAwaitsRepeat = true;
        }
    }
    if (!m_timeoutTimer.isActive())
        armTimeout();
    deliver();
}

void LinuxEchoService::refuseFirst(EchoQueue& queue, Channel* channel)
{
    EchoStatus status = EchoStatus::BadDestination;
    if (channel != nullptr && channel->socket->familyUnsupported()) {
        // No IPv6 on this system: no route to the host, and nothing the permission advice could mend.
        status = EchoStatus::DestNetUnreachable;
    } else if (channel != nullptr) {
        reportUnavailable(channel->unavailableReason);
        status = EchoStatus::GeneralFailure;
    }
    refuseFirst(queue, status, true);
}

void LinuxEchoService::refuseFirst(EchoQueue& queue, EchoStatus status, bool laterEchoesToo)
{
    const EchoQueue::Entry first = queue.front();
    queue.pop();
    EchoOutcome outcome;
    outcome.tag = first.request.tag;
    outcome.status = status;
    outcome.whenUs = m_clock.realtimeNs() / NsPerUs;
    outcome.echoes = first.echoes;
    const int last = laterEchoesToo ? first.echoes - 1 : first.echo;
    for (int echo = first.echo; echo <= last; ++echo) {
        outcome.echo = static_cast<quint8>(echo);
        answer(first.sink, outcome);
    }
    if (!laterEchoesToo)
        repeatLater(first, m_clock.monotonicNs());
}

LinuxEchoService::Batch LinuxEchoService::sendBatch(Channel& channel, EchoQueue& queue, int wanted, qint64 nowNs)
{
    // The echoes at the front of the queue that go to this channel, each with the next sequence.
    std::array<quint16, SendsPerBatch> sequences{};
    int count = 0;
    const int sequencesFree = channel.inFlight.room();
    for (std::size_t i = 0; i < static_cast<std::size_t>(queue.size()) && count < wanted && count < sequencesFree;
         ++i) {
        const EchoQueue::Entry& queued = queue.at(i);
        if (!queued.request.valid || channelFor(queued.request.target.address.family()) != &channel ||
            queued.dueNs > nowNs)
            break;
        if (count == 0) {
            const std::optional<quint16> sequence = channel.inFlight.nextFree();
            if (!sequence)
                break;
            sequences[0] = *sequence;
        } else {
            sequences[count] = static_cast<quint16>(sequences[count - 1] + 1);
        }
        IcmpSocket::Outgoing& outgoing = m_outgoing[count];
        outgoing.destination = queued.request.target.address;
        outgoing.scopeId = queued.request.target.scopeId;
        if (&channel == &m_ipv6)
            Icmp6Packet::writeEchoRequest(outgoing.packet, channel.identifier, sequences[count], m_payload);
        else
            IcmpPacket::writeEchoRequest(outgoing.packet, channel.identifier, sequences[count], m_payload);
        ++count;
    }
    Batch batch;
    if (count == 0)
        return batch;
    // Every echo of the batch is stamped before the call: a round trip may come out longer by the time the
    // kernel took for the echoes before it in the batch (microseconds), never shorter.
    batch.sentNs = m_clock.monotonicNs();
    const qint64 sentRealtimeNs = m_clock.realtimeNs();
    int error = 0;
    batch.sent = channel.socket->sendBatch(m_outgoing.data(), count, error);
    for (int i = 0; i < batch.sent; ++i) {
        // A copy: the request's next echo may go to the back of this very queue.
        const EchoQueue::Entry front = queue.front();
        // nextFree made room for the first; it grows the table for the others when they need it.
        if (i > 0)
            channel.inFlight.nextFree();
        InFlightTable::Echo& echo = channel.inFlight.insertNext();
        echo.tag = front.request.tag;
        echo.destination = front.request.target.address;
        echo.sentMonotonicNs = batch.sentNs;
        echo.sentRealtimeNs = sentRealtimeNs;
        echo.sink = front.sink;
        echo.echo = front.echo;
        echo.echoes = front.echoes;
        queue.pop();
        repeatLater(front, batch.sentNs);
    }
    if (batch.sent < count) {
        if (error == EAGAIN || error == EWOULDBLOCK || error == ENOBUFS || error == EINTR)
            batch.kernelFull = true;
        else
            batch.error = error;
    }
    return batch;
}

void LinuxEchoService::reportUnavailable(const QString& reason)
{
    if (m_unavailableReported)
        return;
    m_unavailableReported = true;
    emit icmpUnavailable(reason);
}

bool LinuxEchoService::drain(int maxReads)
{
    const bool ipv4Done = drain(m_ipv4, maxReads);
    const bool ipv6Done = drain(m_ipv6, maxReads);
    return ipv4Done && ipv6Done;
}

bool LinuxEchoService::drain(Channel& channel, int maxReads)
{
    if (channel.openState != OpenState::Open)
        return true;
    IcmpSocket::Message message;
    int reads = 0;
    // Errors first: a ping socket may hold an ICMP error and a plain read would only report its errno.
    while (reads < maxReads && channel.socket->receiveError(message)) {
        ++reads;
        handle(channel, message, true);
        if (message.error != 0)
            break; // whatever failed would fail again at once
    }
    while (reads < maxReads && channel.socket->receive(message)) {
        ++reads;
        handle(channel, message, false);
        if (message.error != 0)
            break;
    }
    if (reads < maxReads)
        return true;
    // The socket may hold replies it read ahead, which its notifier will not announce again.
    if (!m_drainTimer.isActive())
        m_drainTimer.start(0);
    return false;
}

void LinuxEchoService::handle(Channel& channel, const IcmpSocket::Message& message, bool fromErrorQueue)
{
    if (message.error != 0) {
        recordReceiveFailure(message.error);
        return;
    }
    if (message.truncated) {
        ++m_truncatedDatagrams;
        return;
    }
    using Event = IcmpReplyParser::Event;
    Event event;
    if (&channel == &m_ipv6)
        event = fromErrorQueue ? Icmp6ReplyParser::parseErrorQueue(message.data, message.peer, message.control)
                               : Icmp6ReplyParser::parseMessage(message.data, message.peer, message.control);
    else if (fromErrorQueue)
        event = IcmpReplyParser::parseErrorQueue(message.data, message.peer, message.control);
    else if (channel.socket->kind() == IcmpSocket::Kind::Raw)
        event = IcmpReplyParser::parseRawPacket(message.data);
    else
        event = IcmpReplyParser::parseDatagramReply(message.data, message.peer, message.control);
    if (event.kind == Event::Kind::Ignored || event.identifier != channel.identifier)
        return;
    InFlightTable::Echo* echo = channel.inFlight.find(event.sequence);
    if (echo == nullptr) {
        if (event.kind == Event::Kind::Reply) {
            if (InFlightTable::Echo* settled = channel.inFlight.findSettled(event.sequence))
                handleStray(*settled, message, event);
        }
        return; // unknown, or settled already
    }
    // Replies come from the destination; errors quote it.
    if ((event.kind == Event::Kind::Reply ? event.address : event.destination) != echo->destination)
        return;
    const qint64 roundTrip = roundTripNs(message, *echo);
    if (roundTrip < 0)
        return; // an answer to an earlier echo that had the same sequence
    EchoOutcome outcome = outcomeOf(*echo);
    if (roundTrip >= m_timeoutNs) {
        outcome.status = EchoStatus::RequestTimedOut;
        outcome.whenUs = (echo->sentRealtimeNs + m_timeoutNs) / NsPerUs;
        settle(channel, *echo, outcome, InFlightTable::State::TimedOut);
        // The echo stays in its slot until a newer one takes it, so the reply that came too late is one.
        if (event.kind == Event::Kind::Reply)
            handleStray(*echo, message, event);
        return;
    }
    outcome.address = event.address;
    outcome.whenUs = (message.receivedRealtimeNs != 0 ? message.receivedRealtimeNs : m_clock.realtimeNs()) / NsPerUs;
    if (event.kind == Event::Kind::Reply) {
        outcome.status = EchoStatus::Success;
        outcome.rttUs = static_cast<quint32>(roundTrip / NsPerUs);
        outcome.ttl = event.ttl;
    } else {
        outcome.status = event.status;
    }
    settle(channel, *echo, outcome,
           event.kind == Event::Kind::Reply ? InFlightTable::State::Replied : InFlightTable::State::Failed);
}

void LinuxEchoService::handleStray(InFlightTable::Echo& echo, const IcmpSocket::Message& message,
                                   const IcmpReplyParser::Event& event)
{
    using State = InFlightTable::State;
    if (event.address != echo.destination)
        return;
    EchoOutcome outcome;
    if (echo.state == State::TimedOut) {
        outcome.kind = EchoOutcome::Kind::Late;
        outcome.status = EchoStatus::RequestTimedOut;
        echo.state = State::RepliedLate; // a reply after this one is a duplicate
    } else if (echo.state == State::Replied || echo.state == State::RepliedLate) {
        outcome.kind = EchoOutcome::Kind::Duplicate;
        outcome.status = EchoStatus::Success;
    } else {
        return; // an ICMP error settled it: a reply now says nothing more
    }
    const qint64 roundTrip = roundTripNs(message, echo);
    if (roundTrip < 0) {
        if (outcome.kind == EchoOutcome::Kind::Late)
            echo.state = State::TimedOut;
        return; // an answer to an earlier echo that had the same sequence
    }
    if (m_straySink == nullptr)
        return;
    outcome.tag = echo.tag;
    outcome.address = event.address;
    outcome.ttl = event.ttl;
    outcome.rttUs = static_cast<quint32>(std::min<qint64>(roundTrip / NsPerUs, 0xFFFFFFFFLL));
    outcome.whenUs = (message.receivedRealtimeNs != 0 ? message.receivedRealtimeNs : m_clock.realtimeNs()) / NsPerUs;
    m_strays.push_back(outcome);
}

qint64 LinuxEchoService::roundTripNs(const IcmpSocket::Message& message, const InFlightTable::Echo& echo) const
{
    const qint64 nowMonotonic = m_clock.monotonicNs();
    // The message is here now, so it took no longer than this.
    const qint64 elapsed = nowMonotonic - echo.sentMonotonicNs;
    if (message.receivedRealtimeNs == 0)
        return elapsed;
    const qint64 drift = (m_clock.realtimeNs() - nowMonotonic) - (echo.sentRealtimeNs - echo.sentMonotonicNs);
    if (std::abs(drift) > SteppedNs + elapsed / SlewDivisor)
        return elapsed;
    const qint64 stamped = message.receivedRealtimeNs - echo.sentRealtimeNs;
    if (stamped < 0)
        return -1; // in the kernel before this echo left
    return std::min(stamped, elapsed);
}

void LinuxEchoService::recordReceiveFailure(int error)
{
    ++m_receiveFailures;
    m_lastReceiveError = error;
    if (m_receiveFailures == 1)
        qWarning("Reading the ICMP socket failed: %s", std::strerror(error));
}

EchoOutcome LinuxEchoService::outcomeOf(const InFlightTable::Echo& echo)
{
    EchoOutcome outcome;
    outcome.tag = echo.tag;
    outcome.echo = echo.echo;
    outcome.echoes = echo.echoes;
    return outcome;
}

void LinuxEchoService::settle(Channel& channel, InFlightTable::Echo& echo, const EchoOutcome& outcome,
                              InFlightTable::State how)
{
    const bool allWereInFlight = channel.inFlight.room() == 0;
    const quint16 sink = echo.sink;
    channel.inFlight.release(echo, how);
    if (allWereInFlight && !(m_queue.empty() && m_repeats.empty()))
        schedulePump();
    answer(sink, outcome);
}

void LinuxEchoService::answer(quint16 sink, const EchoOutcome& outcome)
{
    Sink& s = m_sinks[sink];
    --s.echoes;
    if (!s.detached)
        s.pending.push_back(outcome);
}

void LinuxEchoService::deliver()
{
    // A sink may send, cancel or detach while it takes its outcomes; what it is handed is its own copy.
    if (m_delivering)
        return;
    m_delivering = true;
    for (std::size_t i = 0; i < m_sinks.size(); ++i) {
        if (m_sinks[i].pending.empty() || m_sinks[i].detached)
            continue;
        m_sinks[i].delivering.swap(m_sinks[i].pending);
        EchoSink* sink = m_sinks[i].sink;
        sink->echoesDone(m_sinks[i].delivering);
        m_sinks[i].delivering.clear();
    }
    if (!m_strays.empty()) {
        m_straysDelivering.swap(m_strays);
        if (m_straySink != nullptr)
            m_straySink->echoesDone(m_straysDelivering);
        m_straysDelivering.clear();
    }
    m_delivering = false;
}

void LinuxEchoService::expireOverdue()
{
    // A reply that arrived in time must win over its deadline, however late the thread gets to it.
    drain(ReadsBeforeTimeouts);
    const qint64 now = m_clock.monotonicNs();
    for (Channel* channel : {&m_ipv4, &m_ipv6}) {
        while (InFlightTable::Echo* echo = channel->inFlight.oldest()) {
            if (echo->sentMonotonicNs + m_timeoutNs > now)
                break;
            EchoOutcome outcome = outcomeOf(*echo);
            outcome.status = EchoStatus::RequestTimedOut;
            outcome.whenUs = (echo->sentRealtimeNs + m_timeoutNs) / NsPerUs;
            settle(*channel, *echo, outcome, InFlightTable::State::TimedOut);
        }
    }
    armTimeout();
    deliver();
}

void LinuxEchoService::armTimeout()
{
    const InFlightTable::Echo* oldest = m_ipv4.inFlight.oldest();
    if (const InFlightTable::Echo* oldest6 = m_ipv6.inFlight.oldest())
        oldest = oldest == nullptr || oldest6->sentMonotonicNs < oldest->sentMonotonicNs ? oldest6 : oldest;
    if (oldest == nullptr) {
        m_timeoutTimer.stop();
        return;
    }
    const qint64 remaining = oldest->sentMonotonicNs + m_timeoutNs - m_clock.monotonicNs();
    m_timeoutTimer.start(remaining <= 0 ? 0 : static_cast<int>((remaining + NsPerMs - 1) / NsPerMs));
}
