#include "LinuxIcmpSocket.h"

#include <QSocketNotifier>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <linux/icmp.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{

// Ten thousand replies arriving while we are still sending must all fit; the kernel doubles the figure.
constexpr int WantedReceiveBuffer = 8 * 1024 * 1024;
// Larger than any ICMP error we care about (they quote at most 576 bytes) and any echo reply we asked for.
constexpr int BufferSize = 2048;
constexpr int ControlSize = 512;

int setIntOption(int fd, int level, int name, int value)
{
    return setsockopt(fd, level, name, &value, sizeof value);
}

QString errnoText(const char* what, int error)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(strerror(error)));
}

} // namespace

LinuxIcmpSocket::LinuxIcmpSocket(Preference preference, QObject* parent)
    : IcmpSocket(parent), m_preference(preference), m_buffer(BufferSize, '\0'), m_controlBuffer(ControlSize, '\0')
{
}

LinuxIcmpSocket::~LinuxIcmpSocket()
{
    close();
}

bool LinuxIcmpSocket::open()
{
    if (m_fd >= 0)
        return true;
    m_openError.clear();
    bool opened = false;
    if (m_preference != Preference::RawOnly)
        opened = openDatagram();
    if (!opened && m_preference != Preference::DatagramOnly)
        opened = openRaw();
    if (!opened)
        return false;
    growReceiveBuffer();
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    // The read notifier also fires on POLLERR, which is how a queued ICMP error shows up on a ping socket.
    connect(m_notifier, &QSocketNotifier::activated, this, &IcmpSocket::readyRead);
    return true;
}

bool LinuxIcmpSocket::openDatagram()
{
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (fd < 0) {
        m_openError = errnoText("ping socket", errno);
        return false;
    }
    // Binding now makes the kernel pick our identifier before the first echo, so replies can be matched.
    sockaddr_in local{};
    local.sin_family = AF_INET;
    socklen_t length = sizeof local;
    if (bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
        m_openError = errnoText("ping socket", errno);
        ::close(fd);
        return false;
    }
    setIntOption(fd, IPPROTO_IP, IP_RECVTTL, 1);
    setIntOption(fd, IPPROTO_IP, IP_RECVERR, 1);
    m_fd = fd;
    m_kind = Kind::Datagram;
    m_identifier = ntohs(local.sin_port);
    return true;
}

bool LinuxIcmpSocket::openRaw()
{
    const int fd = socket(AF_INET, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (fd < 0) {
        const QString rawError = errnoText("raw socket", errno);
        m_openError = m_openError.isEmpty() ? rawError : m_openError + QStringLiteral("; ") + rawError;
        return false;
    }
    // A raw socket gets every ICMP packet of the host; let the kernel drop all but the kinds we read, above
    // all our own echo requests looping back on lo.
    icmp_filter filter{};
    filter.data = ~((1U << ICMP_ECHOREPLY) | (1U << ICMP_DEST_UNREACH) | (1U << ICMP_SOURCE_QUENCH) |
                    (1U << ICMP_TIME_EXCEEDED) | (1U << ICMP_PARAMETERPROB));
    setsockopt(fd, SOL_RAW, ICMP_FILTER, &filter, sizeof filter);
    m_fd = fd;
    m_kind = Kind::Raw;
    m_identifier = 0;
    return true;
}

void LinuxIcmpSocket::growReceiveBuffer()
{
    // FORCE passes the rmem_max cap when we hold CAP_NET_ADMIN; otherwise take what the cap allows.
    if (setIntOption(m_fd, SOL_SOCKET, SO_RCVBUFFORCE, WantedReceiveBuffer) != 0)
        setIntOption(m_fd, SOL_SOCKET, SO_RCVBUF, WantedReceiveBuffer);
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
}

int LinuxIcmpSocket::send(quint32 destination, const QByteArray& packet)
{
    if (m_fd < 0)
        return EBADF;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(destination);
    int error = 0;
    int staleErrors = 0;
    for (int attempt = 0; attempt < 6; ++attempt) {
        const ssize_t sent = sendto(m_fd, packet.constData(), static_cast<size_t>(packet.size()), MSG_DONTWAIT,
                                    reinterpret_cast<const sockaddr*>(&to), sizeof to);
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

bool LinuxIcmpSocket::receive(Message& message)
{
    return receiveInto(message, MSG_DONTWAIT);
}

bool LinuxIcmpSocket::receiveError(Message& message)
{
    if (m_kind != Kind::Datagram)
        return false;
    return receiveInto(message, MSG_DONTWAIT | MSG_ERRQUEUE);
}

bool LinuxIcmpSocket::receiveInto(Message& message, int flags)
{
    if (m_fd < 0)
        return false;
    // A pending socket error (set alongside a queued ICMP error) is reported once by a plain read and then
    // cleared, so a few retries get past it without spinning.
    for (int attempt = 0; attempt < 4; ++attempt) {
        sockaddr_in from{};
        iovec vector{m_buffer.data(), static_cast<size_t>(m_buffer.size())};
        msghdr header{};
        header.msg_name = &from;
        header.msg_namelen = sizeof from;
        header.msg_iov = &vector;
        header.msg_iovlen = 1;
        header.msg_control = m_controlBuffer.data();
        header.msg_controllen = static_cast<size_t>(m_controlBuffer.size());
        const ssize_t received = recvmsg(m_fd, &header, flags);
        if (received < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                return false;
            continue;
        }
        const qsizetype length = std::min<qsizetype>(received, m_buffer.size());
        message.data = QByteArray(m_buffer.constData(), length);
        message.peer = header.msg_namelen >= sizeof from ? ntohl(from.sin_addr.s_addr) : 0;
        message.control =
            QByteArray(m_controlBuffer.constData(),
                       std::min<qsizetype>(static_cast<qsizetype>(header.msg_controllen), m_controlBuffer.size()));
        return true;
    }
    return false;
}
