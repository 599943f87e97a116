#include "LinuxEchoService.h"

#include "IcmpPacket.h"
#include "IcmpReplyParser.h"
#include "LinuxIcmpSocket.h"
#include "MessageBoxes.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <cerrno>

namespace
{

constexpr int SequenceSpace = 65536;
// Echoes sent per event-loop turn: large enough to keep up with a round that dispatches 256 per turn,
// small enough that replies and timers get their turn.
constexpr int SendsPerTurn = 512;
// Replies to loopback come back while we are still sending; reading them this often keeps the receive
// buffer far from full.
constexpr int DrainEverySends = 32;
// Reads per drain, so a flood of foreign ICMP cannot hold the thread; the notifier fires again for the rest.
constexpr int ReadsPerDrain = 8192;
// When the kernel has no room for another echo, try again this soon.
constexpr int RetryAfterMs = 1;
constexpr qint64 NsPerMs = 1000000;
constexpr qint64 TimeoutNs = qint64(EchoTimeoutMs) * NsPerMs;

} // namespace

LinuxEchoService::LinuxEchoService(MessageBoxes& boxes, QObject* parent)
    : LinuxEchoService(boxes, std::make_unique<LinuxIcmpSocket>(), parent)
{
}

LinuxEchoService::LinuxEchoService(MessageBoxes& boxes, std::unique_ptr<IcmpSocket> socket, QObject* parent)
    : QObject(parent), m_boxes(boxes), m_socket(std::move(socket)), m_inFlight(SequenceSpace),
      m_payload(IcmpPacket::echoPayload())
{
    m_clock.start();
    m_pumpTimer.setSingleShot(true);
    connect(&m_pumpTimer, &QTimer::timeout, this, &LinuxEchoService::pump);
    m_timeoutTimer.setSingleShot(true);
    m_timeoutTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_timeoutTimer, &QTimer::timeout, this, &LinuxEchoService::checkTimeouts);
    connect(m_socket.get(), &IcmpSocket::readyRead, this, &LinuxEchoService::drain);
}

LinuxEchoService::~LinuxEchoService() = default;

EchoService::Ticket LinuxEchoService::send(const QString& addressText, QObject* context, Done done)
{
    Queued echo;
    const std::optional<quint32> address = parseAddress(addressText);
    echo.valid = address.has_value();
    echo.destination = address.value_or(0);
    echo.hasContext = context != nullptr;
    echo.context = context;
    echo.done = std::move(done);
    const Ticket ticket = m_nextTicket++;
    m_queue.emplace(ticket, std::move(echo));
    // Even an address we refuse is answered from the event loop, never from inside this call.
    schedulePump();
    return ticket;
}

bool LinuxEchoService::cancel(Ticket ticket)
{
    return m_queue.erase(ticket) > 0;
}

bool LinuxEchoService::available()
{
    return ensureOpen();
}

QString LinuxEchoService::unavailableReason()
{
    return ensureOpen() ? QString() : permissionAdvice(m_unavailableReason);
}

IcmpSocket::Kind LinuxEchoService::socketKind()
{
    ensureOpen();
    return m_socket->kind();
}

QString LinuxEchoService::permissionAdvice(const QString& reason)
{
    QString path = QCoreApplication::applicationFilePath();
    if (path.isEmpty())
        path = QStringLiteral("/path/to/vantrel");
    return QStringLiteral("Vantrel cannot send pings: this system does not permit ICMP echo for this user (%1).\n\n"
                          "To permit it, either give the program the raw socket capability:\n"
                          "    sudo setcap cap_net_raw+ep %2\n"
                          "or let every group use ping sockets:\n"
                          "    sudo sysctl -w net.ipv4.ping_group_range=\"0 2147483647\"")
        .arg(reason, path);
}

std::optional<quint32> LinuxEchoService::parseAddress(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return std::nullopt;
    quint32 address = 0;
    for (const QString& part : parts) {
        if (part.isEmpty() || part.size() > 3)
            return std::nullopt;
        quint32 value = 0;
        for (const QChar c : part) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return std::nullopt;
            value = value * 10 + static_cast<quint32>(c.unicode() - u'0');
        }
        if (value > 255)
            return std::nullopt;
        address = address << 8 | value;
    }
    return address;
}

bool LinuxEchoService::ensureOpen()
{
    if (m_openState == OpenState::NotTried) {
        if (m_socket->open()) {
            m_openState = OpenState::Open;
            m_identifier = m_socket->kind() == IcmpSocket::Kind::Datagram
                               ? m_socket->localIdentifier()
                               : static_cast<quint16>(QRandomGenerator::global()->bounded(1, SequenceSpace));
            // Start the sequences somewhere random too, so two runs do not look alike to a middlebox.
            m_nextSequence = static_cast<quint16>(QRandomGenerator::global()->bounded(SequenceSpace));
        } else {
            m_openState = OpenState::Unavailable;
            m_unavailableReason = m_socket->openError();
        }
    }
    return m_openState == OpenState::Open;
}

void LinuxEchoService::schedulePump()
{
    if (!m_pumpTimer.isActive())
        m_pumpTimer.start(0);
}

void LinuxEchoService::pump()
{
    if (!ensureOpen()) {
        failQueued();
        return;
    }
    int sent = 0;
    bool kernelFull = false;
    while (!m_queue.empty() && sent < SendsPerTurn) {
        auto first = m_queue.begin();
        if (!first->second.valid) {
            const Queued echo = std::move(first->second);
            m_queue.erase(first);
            EchoReply reply;
            reply.status = IpStatus::BadDestination;
            deliver(echo.hasContext, echo.context, echo.done, reply);
            continue;
        }
        quint16 sequence = 0;
        if (!nextFreeSequence(sequence))
            break; // every sequence is in flight; timeouts will free some
        const QByteArray packet = IcmpPacket::echoRequest(m_identifier, sequence, m_payload);
        const int error = m_socket->send(first->second.destination, packet);
        if (error == EAGAIN || error == EWOULDBLOCK || error == ENOBUFS || error == EINTR) {
            kernelFull = true;
            drain();
            break;
        }
        const Ticket ticket = first->first;
        Queued echo = std::move(first->second);
        m_queue.erase(first);
        if (error != 0) {
            EchoReply reply;
            reply.status = IcmpReplyParser::statusForErrno(error);
            deliver(echo.hasContext, echo.context, echo.done, reply);
            continue;
        }
        InFlight& slot = m_inFlight[sequence];
        slot.ticket = ticket;
        slot.destination = echo.destination;
        slot.sentNs = m_clock.nsecsElapsed();
        slot.hasContext = echo.hasContext;
        slot.context = echo.context;
        slot.done = std::move(echo.done);
        m_sendOrder.emplace_back(sequence, ticket);
        ++m_inFlightCount;
        m_nextSequence = static_cast<quint16>(sequence + 1);
        if (++sent % DrainEverySends == 0)
            drain();
    }
    if (!m_queue.empty() && !m_pumpTimer.isActive())
        m_pumpTimer.start(kernelFull ? RetryAfterMs : 0);
    if (!m_timeoutTimer.isActive())
        armTimeout();
}

void LinuxEchoService::failQueued()
{
    if (!m_adviceShown) {
        m_adviceShown = true;
        m_boxes.information(QStringLiteral("Vantrel"), permissionAdvice(m_unavailableReason));
    }
    // A callback may queue more echoes; they get their own turn.
    std::map<Ticket, Queued> failing;
    failing.swap(m_queue);
    for (auto& [ticket, echo] : failing) {
        Q_UNUSED(ticket);
        EchoReply reply;
        reply.status = echo.valid ? IpStatus::GeneralFailure : IpStatus::BadDestination;
        deliver(echo.hasContext, echo.context, echo.done, reply);
    }
}

bool LinuxEchoService::nextFreeSequence(quint16& sequence)
{
    if (m_inFlightCount >= SequenceSpace)
        return false;
    quint16 candidate = m_nextSequence;
    for (int tries = 0; tries < SequenceSpace; ++tries, ++candidate) {
        if (m_inFlight[candidate].ticket == 0) {
            sequence = candidate;
            return true;
        }
    }
    return false;
}

void LinuxEchoService::drain()
{
    if (m_openState != OpenState::Open)
        return;
    IcmpSocket::Message message;
    int reads = 0;
    // Errors first: a ping socket may hold an ICMP error and a plain read would only report its errno.
    while (reads < ReadsPerDrain && m_socket->receiveError(message)) {
        ++reads;
        handle(message, true);
    }
    while (reads < ReadsPerDrain && m_socket->receive(message)) {
        ++reads;
        handle(message, false);
    }
}

void LinuxEchoService::handle(const IcmpSocket::Message& message, bool fromErrorQueue)
{
    using Event = IcmpReplyParser::Event;
    Event event;
    if (fromErrorQueue)
        event = IcmpReplyParser::parseErrorQueue(message.data, message.peer, message.control);
    else if (m_socket->kind() == IcmpSocket::Kind::Raw)
        event = IcmpReplyParser::parseRawPacket(message.data);
    else
        event = IcmpReplyParser::parseDatagramReply(message.data, message.peer, message.control);
    if (event.kind == Event::Kind::Ignored || event.identifier != m_identifier)
        return;
    const InFlight& slot = m_inFlight[event.sequence];
    if (slot.ticket == 0)
        return; // unknown, late or already answered
    EchoReply reply;
    reply.address = event.address;
    if (event.kind == Event::Kind::Reply) {
        if (event.address != slot.destination)
            return;
        reply.status = IpStatus::Success;
        reply.roundTripMs = static_cast<quint32>((m_clock.nsecsElapsed() - slot.sentNs) / NsPerMs);
        reply.ttl = event.ttl;
    } else {
        if (event.destination != slot.destination)
            return;
        reply.status = event.status;
    }
    finish(event.sequence, reply);
}

void LinuxEchoService::finish(quint16 sequence, const EchoReply& reply)
{
    InFlight& slot = m_inFlight[sequence];
    const bool hasContext = slot.hasContext;
    const QPointer<QObject> context = slot.context;
    const Done done = std::move(slot.done);
    slot = InFlight();
    --m_inFlightCount;
    deliver(hasContext, context, done, reply);
}

void LinuxEchoService::checkTimeouts()
{
    // A reply already waiting in the socket must win over its deadline.
    drain();
    const qint64 now = m_clock.nsecsElapsed();
    while (!m_sendOrder.empty()) {
        const auto [sequence, ticket] = m_sendOrder.front();
        const InFlight& slot = m_inFlight[sequence];
        if (slot.ticket != ticket) {
            m_sendOrder.pop_front(); // answered already
            continue;
        }
        if (slot.sentNs + TimeoutNs > now)
            break;
        m_sendOrder.pop_front();
        EchoReply reply;
        reply.status = IpStatus::RequestTimedOut;
        finish(sequence, reply);
    }
    armTimeout();
}

void LinuxEchoService::armTimeout()
{
    while (!m_sendOrder.empty() && m_inFlight[m_sendOrder.front().first].ticket != m_sendOrder.front().second)
        m_sendOrder.pop_front();
    if (m_sendOrder.empty()) {
        m_timeoutTimer.stop();
        return;
    }
    const qint64 deadline = m_inFlight[m_sendOrder.front().first].sentNs + TimeoutNs;
    const qint64 remaining = deadline - m_clock.nsecsElapsed();
    m_timeoutTimer.start(remaining <= 0 ? 0 : static_cast<int>((remaining + NsPerMs - 1) / NsPerMs));
}

void LinuxEchoService::deliver(bool hasContext, const QPointer<QObject>& context, const Done& done,
                               const EchoReply& reply)
{
    if (hasContext && context.isNull())
        return;
    if (done)
        done(reply);
}
