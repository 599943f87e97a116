#include "ping/EchoEventReader.h"

#include "ping/IcmpPacket.h"
#include "platform/ControlMessage.h"
#include "platform/SocketAddress.h"

#include <arpa/inet.h>
#include <cstring>
#include <linux/errqueue.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace
{

using Event = EchoEventReader::Event;

// Our identifier and sequence from the echo header at icmp.
void takeEchoHeader(Event& event, Event::Kind kind, const char* icmp)
{
    event.kind = kind;
    event.identifier = IcmpPacket::read16(icmp + 4);
    event.sequence = IcmpPacket::read16(icmp + 6);
}

// The address in size bytes of sockaddr when they hold one of the family, else null.
IpAddress addressOf(const char* bytes, size_t size, int family)
{
    const IpAddress address = SocketAddress::read(bytes, size);
    const IpFamily wanted = family == AF_INET6 ? IpFamily::IPv6 : IpFamily::IPv4;
    return address.family() == wanted ? address : IpAddress();
}

} // namespace

Event EchoEventReader::reply(const char* icmp, const IpAddress& from, int hopCount, const Family& family)
{
    Event event;
    if (IcmpPacket::byteAt(icmp, 0) != family.echoReplyType || IcmpPacket::byteAt(icmp, 1) != 0)
        return event;
    takeEchoHeader(event, Event::Kind::Reply, icmp);
    event.address = from;
    event.ttl = hopCount < 0 ? 0 : static_cast<quint8>(hopCount);
    return event;
}

Event EchoEventReader::message(const char* icmp, qsizetype size, const IpAddress& from, int hopCount,
                               const Family& family)
{
    const quint8 type = IcmpPacket::byteAt(icmp, 0);
    if (type == family.echoReplyType)
        return reply(icmp, from, hopCount, family);
    Event event;
    if (type >= 32 || (family.quotingErrors & (1U << type)) == 0)
        return event;

    // The error quotes the offending IP header and at least the first 8 bytes of its payload: our echo header.
    const char* quoted = icmp + IcmpPacket::HeaderSize;
    const qsizetype quotedSize = size - IcmpPacket::HeaderSize;
    IpAddress destination;
    const int quotedHeaderLength = family.quotedIpHeader(quoted, quotedSize, destination);
    if (quotedHeaderLength == 0 || quotedSize - quotedHeaderLength < IcmpPacket::HeaderSize)
        return event;
    const char* quotedIcmp = quoted + quotedHeaderLength;
    if (IcmpPacket::byteAt(quotedIcmp, 0) != family.echoRequestType)
        return event;
    takeEchoHeader(event, Event::Kind::Error, quotedIcmp);
    event.address = from;
    event.destination = destination;
    event.status = family.statusForIcmp(type, IcmpPacket::byteAt(icmp, 1));
    return event;
}

Event EchoEventReader::errorQueueEntry(const QByteArray& data, const IpAddress& peer, const QByteArray& control,
                                       const Family& family)
{
    Event event;
    size_t length = 0;
    const char* payload = ControlMessage::find(control, family.errorLevel, family.errorType, length);
    if (payload == nullptr || length < sizeof(sock_extended_err))
        return event;
    sock_extended_err error;
    std::memcpy(&error, payload, sizeof error);

    if (error.ee_origin == family.icmpOrigin) {
        event.status = family.statusForIcmp(error.ee_type, error.ee_code);
        // The router that reported it follows the error structure.
        event.address = addressOf(payload + sizeof error, length - sizeof error, family.offenderFamily);
    } else if (error.ee_origin == SO_EE_ORIGIN_LOCAL) {
        event.status = IcmpReplyParser::statusForErrno(static_cast<int>(error.ee_errno));
    } else {
        return event;
    }

    const bool peerFits = family.peerFamily == IpFamily::Unspecified || peer.family() == family.peerFamily;
    if (data.size() < IcmpPacket::HeaderSize || !peerFits ||
        IcmpPacket::byteAt(data.constData(), 0) != family.echoRequestType)
        return event;
    takeEchoHeader(event, Event::Kind::Error, data.constData());
    event.destination = peer;
    return event;
}
