#include "platform/LinuxIcmpSocket.h"

#include "platform/ControlMessage.h"
#include "platform/SocketAddress.h"

#include <QSocketNotifier>
#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <linux/icmp.h>
#include <netinet/icmp6.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace
{

// Ten thousand replies arriving while we are still sending must all fit; the kernel doubles the figure.
constexpr int WantedReceiveBuffer = 8 * 1024 * 1024;
// Larger than any ICMP error we care about (they quote at most 576 bytes) and any echo reply we asked for.
// Enough for a reply to the default echo with any IP header; larger echoes ask for more (setLargestEcho).
constexpr int BufferSize = 2048;
constexpr int ControlSize = 512;
// Reads one receive call may spend getting past interruptions and pending ICMP errors.
constexpr int ReadAttempts = 16;

bool setIntOption(int fd, int level, int name, int value)
{
    return setsockopt(fd, level, name, &value, sizeof value) == 0;
}

QString errnoText(const char* what, int error)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(strerror(error)));
}

QString optionError(const char* kindName, const char* option, int error)
{
    return QStringLiteral("%1: %2: %3")
        .arg(QLatin1String(kindName), QLatin1String(option), QString::fromLocal8Bit(strerror(error)));
}

// With IP_RECVERR an ICMP error about an earlier echo also sets the socket error, which the next plain read
// reports once (the error itself waits in the error queue). These are the errnos the kernel uses for that.
bool isPendingIcmpError(int error)
{
    switch (error) {
    case ENETUNREACH:
    case EHOSTUNREACH:
    case ENOPROTOOPT:
    case ECONNREFUSED:
    case EMSGSIZE:
    case EOPNOTSUPP:
    case EHOSTDOWN:
    case ENONET:
    case EREMOTEIO:
    case EPROTO:
    case EACCES:
        return true;
    default:
        return false;
    }
}

// When the kernel received the datagram, from its SO_TIMESTAMPNS control message; 0 without one.
qint64 receiveStamp(const QByteArray& control)
{
    size_t length = 0;
    const char* payload = ControlMessage::find(control, SOL_SOCKET, SCM_TIMESTAMPNS, length);
    if (payload == nullptr || length < sizeof(timespec))
        return 0;
    timespec stamp{};
    std::memcpy(&stamp, payload, sizeof stamp);
    return qint64(stamp.tv_sec) * 1000000000 + stamp.tv_nsec;
}

quint16 portOf(const sockaddr_storage& address)
{
    if (address.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
    return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
}

// A raw socket gets every ICMP packet of the host; let the kernel drop all but the kinds we read, above all our
// own echo requests looping back on lo.
bool setIcmpFilter(int fd)
{
    icmp_filter filter{};
    filter.data = ~((1U << ICMP_ECHOREPLY) | (1U << ICMP_DEST_UNREACH) | (1U << ICMP_SOURCE_QUENCH) |
                    (1U << ICMP_TIME_EXCEEDED) | (1U << ICMP_PARAMETERPROB));
    return setsockopt(fd, SOL_RAW, ICMP_FILTER, &filter, sizeof filter) == 0;
}

// As for IPv4: only replies and the errors that can quote an echo, above all not neighbour discovery and not our
// own requests looping back. The kernel fills in ICMPv6 checksums and checks those received.
bool setIcmp6Filter(int fd)
{
    icmp6_filter filter;
    ICMP6_FILTER_SETBLOCKALL(&filter);
    for (const int type :
         {ICMP6_ECHO_REPLY, ICMP6_DST_UNREACH, ICMP6_PACKET_TOO_BIG, ICMP6_TIME_EXCEEDED, ICMP6_PARAM_PROB})
        ICMP6_FILTER_SETPASS(type, &filter);
    return setsockopt(fd, IPPROTO_ICMPV6, ICMP6_FILTER, &filter, sizeof filter) == 0;
}

} // namespace

LinuxIcmpSocket::LinuxIcmpSocket(Preference preference, IpFamily family, QObject* parent)
    : IcmpSocket(parent), m_preference(preference), m_family(family)
{
}

LinuxIcmpSocket::~LinuxIcmpSocket()
{
    close();
}

struct LinuxIcmpSocket::Flag {
    int level;
    int name;
    const char* text;
};

struct LinuxIcmpSocket::FamilyConstants {
    int domain;
    int protocol;
    socklen_t addressLength;
    const char* datagramName;
    const char* rawName;
    // Hands over the TTL or hop limit of each reply as a control message.
    Flag hopCount;
    // Queues the ICMP errors about our echoes on a ping socket.
    Flag receiveErrors;
    // Passes only the ICMP types we read to a raw socket; false with errno set.
    bool (*setFilter)(int fd);
    const char* filterText;
    // A raw IPv4 socket delivers the IP header with the TTL; a raw IPv6 socket delivers no header.
    bool rawNeedsHopCount;
};

const LinuxIcmpSocket::FamilyConstants& LinuxIcmpSocket::constantsOf(IpFamily family)
{
    static constexpr Flag ReceiveTtl{IPPROTO_IP, IP_RECVTTL, "IP_RECVTTL"};
    static constexpr Flag ReceiveIpErrors{IPPROTO_IP, IP_RECVERR, "IP_RECVERR"};
    static constexpr Flag ReceiveHopLimit{IPPROTO_IPV6, IPV6_RECVHOPLIMIT, "IPV6_RECVHOPLIMIT"};
    static constexpr Flag ReceiveIpv6Errors{IPPROTO_IPV6, IPV6_RECVERR, "IPV6_RECVERR"};
    // In the order of the fields above.
    static constexpr FamilyConstants Ipv4{AF_INET,    IPPROTO_ICMP,    sizeof(sockaddr_in), "ping socket", "raw socket",
                                          ReceiveTtl, ReceiveIpErrors, setIcmpFilter,       "ICMP_FILTER", false};
    static constexpr FamilyConstants Ipv6{
        AF_INET6,        IPPROTO_ICMPV6,    sizeof(sockaddr_in6), "ICMPv6 ping socket", "ICMPv6 raw socket",
        ReceiveHopLimit, ReceiveIpv6Errors, setIcmp6Filter,       "ICMP6_FILTER",       true};
    return family == IpFamily::IPv6 ? Ipv6 : Ipv4;
}

bool LinuxIcmpSocket::open()
{
    if (m_fd >= 0)
        return true;
    m_openError.clear();
    m_familyUnsupported = false;
    bool opened = false;
    const FamilyConstants& constants = constantsOf(m_family);
    if (m_preference != Preference::RawOnly)
        opened = openDatagram(constants);
    if (!opened && m_preference != Preference::DatagramOnly)
        opened = openRaw(constants);
    if (!opened)
        return false;
    growReceiveBuffer();
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    // The read notifier also fires on POLLERR, which is how a queued ICMP error shows up on a ping socket.
    connect(m_notifier, &QSocketNotifier::activated, this, &IcmpSocket::readyRead);
    return true;
}

void LinuxIcmpSocket::addOpenError(const QString& error)
{
    m_openError = m_openError.isEmpty() ? error : m_openError + QStringLiteral("; ") + error;
}

int LinuxIcmpSocket::openSocket(const FamilyConstants& family, int type, const char* kindName)
{
    const int fd = socket(family.domain, type | SOCK_NONBLOCK | SOCK_CLOEXEC, family.protocol);
    if (fd < 0) {
        m_familyUnsupported = m_familyUnsupported || errno == EAFNOSUPPORT;
        addOpenError(errnoText(kindName, errno));
    }
    return fd;
}

bool LinuxIcmpSocket::setCommonOptions(int fd, const char* kindName)
{
    // Round trips are measured from the kernel's receive time, not from when the thread got round to reading.
    return setFlag(fd, kindName, {SOL_SOCKET, SO_TIMESTAMPNS, "SO_TIMESTAMPNS"});
}

bool LinuxIcmpSocket::setFlag(int fd, const char* kindName, const Flag& flag)
{
    if (!setIntOption(fd, flag.level, flag.name, 1)) {
        addOpenError(optionError(kindName, flag.text, errno));
        return false;
    }
    return true;
}

bool LinuxIcmpSocket::keepIfReady(int fd, bool ready, Kind kind, quint16 identifier)
{
    if (!ready) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_kind = kind;
    m_identifier = identifier;
    return true;
}

bool LinuxIcmpSocket::openDatagram(const FamilyConstants& family)
{
    const char* name = family.datagramName;
    const int fd = openSocket(family, SOCK_DGRAM, name);
    if (fd < 0)
        return false;
    // Binding now makes the kernel pick our identifier before the first echo, so replies can be matched.
    sockaddr_storage local{};
    local.ss_family = static_cast<sa_family_t>(family.domain);
    socklen_t length = family.addressLength;
    if (!bindToSource(fd, name, local, length)) {
        ::close(fd);
        return false;
    }
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
        addOpenError(errnoText(name, errno));
        ::close(fd);
        return false;
    }
    // Without the TTL the rows lose a column; without the error queue every ICMP error would pass for a timeout.
    const bool ready =
        setCommonOptions(fd, name) && setFlag(fd, name, family.hopCount) && setFlag(fd, name, family.receiveErrors);
    return keepIfReady(fd, ready, Kind::Datagram, portOf(local));
}

bool LinuxIcmpSocket::openRaw(const FamilyConstants& family)
{
    const char* name = family.rawName;
    const int fd = openSocket(family, SOCK_RAW, name);
    if (fd < 0)
        return false;
    sockaddr_storage local{};
    local.ss_family = static_cast<sa_family_t>(family.domain);
    const bool bound =
        (m_source.family() != m_family && m_interface.isEmpty()) || bindToSource(fd, name, local, family.addressLength);
    bool ready = bound && setCommonOptions(fd, name);
    if (ready && !family.setFilter(fd)) {
        addOpenError(optionError(name, family.filterText, errno));
        ready = false;
    }
    if (ready && family.rawNeedsHopCount)
        ready = setFlag(fd, name, family.hopCount);
    return keepIfReady(fd, ready, Kind::Raw, 0);
}

void LinuxIcmpSocket::setSendFrom(const IpAddress& source, const QString& interfaceName)
{
    m_source = source;
    m_interface = interfaceName.toLocal8Bit();
}

bool LinuxIcmpSocket::bindToSource(int fd, const char* kindName, sockaddr_storage& local, socklen_t length)
{
    if (!m_interface.isEmpty() &&
        setsockopt(fd, SOL_SOCKET, SO_BINDTODEVICE, m_interface.constData(), socklen_t(m_interface.size())) != 0) {
        addOpenError(optionError(kindName, "SO_BINDTODEVICE", errno));
        return false;
    }
    if (m_source.family() == m_family)
        SocketAddress::write(m_source, 0, local);
    if (bind(fd, reinterpret_cast<const sockaddr*>(&local), length) != 0) {
        addOpenError(errnoText(kindName, errno));
        return false;
    }
    return true;
}

void LinuxIcmpSocket::growReceiveBuffer()
{
    // FORCE passes the rmem_max cap when we hold CAP_NET_ADMIN; otherwise take what the cap allows.
    if (!setIntOption(m_fd, SOL_SOCKET, SO_RCVBUFFORCE, WantedReceiveBuffer))
        setIntOption(m_fd, SOL_SOCKET, SO_RCVBUF, WantedReceiveBuffer);
}

int LinuxIcmpSocket::setHopLimit(int hops)
{
    if (m_fd < 0)
        return EBADF;
    const int level = m_family == IpFamily::IPv6 ? IPPROTO_IPV6 : IPPROTO_IP;
    const int name = m_family == IpFamily::IPv6 ? IPV6_UNICAST_HOPS : IP_TTL;
    return setsockopt(m_fd, level, name, &hops, sizeof hops) == 0 ? 0 : errno;
}

void LinuxIcmpSocket::setLargestEcho(int bytes)
{
    // The reply carries the echo back behind at most a 60-byte IPv4 header (raw sockets see it); an error
    // quotes the echo behind its own headers. Both must fit, or the kernel cuts them and they are dropped.
    m_bufferSize = std::max(BufferSize, bytes + 60 + 8 + 60 + 8);
}

int LinuxIcmpSocket::setFragmentation(Fragmentation fragmentation)
{
    if (m_fd < 0)
        return EBADF;
    if (m_family == IpFamily::IPv6) {
        const int dontFragment = fragmentation == Fragmentation::Forbid ? 1 : 0;
        return setsockopt(m_fd, IPPROTO_IPV6, IPV6_DONTFRAG, &dontFragment, sizeof dontFragment) == 0 ? 0 : errno;
    }
    const int discovery = fragmentation == Fragmentation::Forbid  ? IP_PMTUDISC_DO
                          : fragmentation == Fragmentation::Allow ? IP_PMTUDISC_DONT
                                                                  : IP_PMTUDISC_WANT;
    return setsockopt(m_fd, IPPROTO_IP, IP_MTU_DISCOVER, &discovery, sizeof discovery) == 0 ? 0 : errno;
}

int LinuxIcmpSocket::receiveBufferSize() const
{
    int value = 0;
    socklen_t length = sizeof value;
    if (m_fd < 0 || getsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &value, &length) != 0)
        return 0;
    return value;
}

void LinuxIcmpSocket::close()
{
    delete m_notifier;
    m_notifier = nullptr;
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_kind = Kind::None;
    m_batchNext = m_batchCount = 0;
}

int LinuxIcmpSocket::send(const IpAddress& destination, quint32 scopeId, const QByteArray& packet)
{
    if (m_fd < 0)
        return EBADF;
    if (destination.family() != m_family)
        return EAFNOSUPPORT;
    sockaddr_storage to{};
    const socklen_t toLength = SocketAddress::write(destination, scopeId, to);
    int error = 0;
    int staleErrors = 0;
    for (int attempt = 0; attempt < 6; ++attempt) {
        const ssize_t sent = sendto(m_fd, packet.constData(), static_cast<size_t>(packet.size()), MSG_DONTWAIT,
                                    reinterpret_cast<const sockaddr*>(&to), toLength);
        if (sent >= 0)
            return 0;
        error = errno;
        if (error == EINTR)
            continue;
        // A ping socket reports an ICMP error that arrived for an earlier echo as the errno of the next send,
        // without sending. The report clears it, so trying again tells it apart from a real local error, which
        // repeats. (The error itself still waits in the error queue for its own echo.)
        if (m_kind == Kind::Datagram && staleErrors < 3 && error != EAGAIN && error != EWOULDBLOCK &&
            error != ENOBUFS) {
            ++staleErrors;
            continue;
        }
        return error;
    }
    return error;
}

int LinuxIcmpSocket::sendBatch(const Outgoing* messages, int count, int& error)
{
    error = 0;
    if (m_fd < 0) {
        error = EBADF;
        return 0;
    }
    // One system call for many echoes: on a virtual machine entering the kernel costs about as much as the
    // send itself.
    constexpr int MaxBatch = 64;
    std::array<sockaddr_storage, MaxBatch> to;
    std::array<iovec, MaxBatch> vectors;
    std::array<mmsghdr, MaxBatch> headers;
    int done = 0;
    while (done < count) {
        const int n = std::min(count - done, MaxBatch);
        for (int i = 0; i < n; ++i) {
            const Outgoing& message = messages[done + i];
            if (message.destination.family() != m_family) {
                error = EAFNOSUPPORT;
                return done;
            }
            vectors[i] = {const_cast<char*>(message.packet.constData()), static_cast<size_t>(message.packet.size())};
            headers[i] = {};
            headers[i].msg_hdr.msg_name = &to[i];
            headers[i].msg_hdr.msg_namelen = SocketAddress::write(message.destination, message.scopeId, to[i]);
            headers[i].msg_hdr.msg_iov = &vectors[i];
            headers[i].msg_hdr.msg_iovlen = 1;
        }
        const int sent = sendmmsg(m_fd, headers.data(), static_cast<unsigned>(n), MSG_DONTWAIT);
        if (sent > 0) {
            done += sent;
            continue;
        }
        // The first message would not go: the single send tells why, and tells a stale ICMP error from a real
        // one, as for any other echo.
        const Outgoing& first = messages[done];
        error = send(first.destination, first.scopeId, first.packet);
        if (error != 0)
            return done;
        ++done;
    }
    return done;
}

namespace
{

// Makes room in message for a datagram and its control data, keeping the buffers it already has, and points
// header at them.
void prepare(IcmpSocket::Message& message, sockaddr_storage& from, iovec& vector, msghdr& header, int bufferSize)
{
    message.data.resize(bufferSize);
    message.control.resize(ControlSize);
    vector = {message.data.data(), static_cast<size_t>(bufferSize)};
    header = {};
    header.msg_name = &from;
    header.msg_namelen = sizeof from;
    header.msg_iov = &vector;
    header.msg_iovlen = 1;
    header.msg_control = message.control.data();
    header.msg_controllen = static_cast<size_t>(ControlSize);
}

void complete(IcmpSocket::Message& message, const sockaddr_storage& from, msghdr& header, size_t length, int bufferSize)
{
    message.data.resize(static_cast<qsizetype>(std::min<size_t>(length, static_cast<size_t>(bufferSize))));
    message.peer = SocketAddress::read(&from, header.msg_namelen);
    message.control.resize(static_cast<qsizetype>(std::min<size_t>(header.msg_controllen, ControlSize)));
    message.receivedRealtimeNs = receiveStamp(message.control);
    message.truncated = (header.msg_flags & (MSG_TRUNC | MSG_CTRUNC)) != 0;
    message.error = 0;
}

} // namespace

bool LinuxIcmpSocket::receive(Message& message)
{
    if (m_batchNext == m_batchCount && !readBatch(message))
        return message.error != 0;
    // The slot takes the caller's buffers in exchange, so neither side allocates in the steady state.
    std::swap(message, m_slots[m_batchNext++].message);
    return true;
}

bool LinuxIcmpSocket::receiveError(Message& message)
{
    if (m_kind != Kind::Datagram)
        return false;
    // Straight into message's own buffers: errors are few, and must not mix with the replies read ahead.
    sockaddr_storage from{};
    iovec vector{};
    mmsghdr header{};
    prepare(message, from, vector, header.msg_hdr, m_bufferSize);
    if (readMessages(&header, 1, MSG_DONTWAIT | MSG_ERRQUEUE, message) == 1) {
        complete(message, from, header.msg_hdr, header.msg_len, m_bufferSize);
        return true;
    }
    return message.error != 0;
}

bool LinuxIcmpSocket::readBatch(Message& failure)
{
    m_batchNext = m_batchCount = 0;
    for (int i = 0; i < BatchSize; ++i)
        prepare(m_slots[i].message, m_slots[i].from, m_slots[i].vector, m_headers[i].msg_hdr, m_bufferSize);
    const int received = readMessages(m_headers.data(), BatchSize, MSG_DONTWAIT, failure);
    for (int i = 0; i < received; ++i)
        complete(m_slots[i].message, m_slots[i].from, m_headers[i].msg_hdr, m_headers[i].msg_len, m_bufferSize);
    m_batchCount = received;
    return received > 0;
}

int LinuxIcmpSocket::readMessages(mmsghdr* headers, int count, int flags, Message& failure)
{
    failure.error = 0;
    if (m_fd < 0)
        return 0;
    for (int attempt = 0; attempt < ReadAttempts; ++attempt) {
        const int received = recvmmsg(m_fd, headers, static_cast<unsigned>(count), flags, nullptr);
        if (received >= 0)
            return received;
        const int error = errno;
        if (error == EAGAIN || error == EWOULDBLOCK)
            return 0;
        // A pending socket error is reported once by a plain read and then cleared: read on past it.
        if (error == EINTR || (m_kind == Kind::Datagram && isPendingIcmpError(error)))
            continue;
        failure = Message();
        failure.error = error;
        return 0;
    }
    return 0;
}
