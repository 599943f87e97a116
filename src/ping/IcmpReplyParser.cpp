#include "IcmpReplyParser.h"

#include "ControlMessage.h"
#include "EchoReply.h"
#include "IcmpPacket.h"

#include <cerrno>
#include <cstring>
#include <linux/errqueue.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace
{

constexpr int MinIpHeader = 20;
constexpr quint8 IcmpProtocol = 1;

// Length of a sane IPv4 header carrying ICMP at the start of bytes, or 0.
int icmpIpHeaderLength(const char* bytes, qsizetype size)
{
    if (size < MinIpHeader)
        return 0;
    const quint8 versionAndLength = IcmpPacket::byteAt(bytes, 0);
    const int headerLength = (versionAndLength & 0x0F) * 4;
    if ((versionAndLength >> 4) != 4 || headerLength < MinIpHeader || headerLength > size)
        return 0;
    if (IcmpPacket::byteAt(bytes, 9) != IcmpProtocol)
        return 0;
    return headerLength;
}

} // namespace

IcmpReplyParser::Event IcmpReplyParser::parseRawPacket(const QByteArray& packet)
{
    Event event;
    const char* bytes = packet.constData();
    qsizetype size = packet.size();
    const int headerLength = icmpIpHeaderLength(bytes, size);
    if (headerLength == 0)
        return event;
    // Trailing link padding is not part of the datagram.
    const quint16 totalLength = IcmpPacket::read16(bytes + 2);
    if (totalLength < headerLength)
        return event;
    size = std::min<qsizetype>(size, totalLength);
    const char* icmp = bytes + headerLength;
    const qsizetype icmpSize = size - headerLength;
    if (icmpSize < IcmpPacket::HeaderSize || IcmpPacket::checksum(icmp, icmpSize) != 0)
        return event;
    const quint8 type = IcmpPacket::byteAt(icmp, 0);
    const quint8 code = IcmpPacket::byteAt(icmp, 1);
    const IpAddress source = IpAddress::fromIpv4(IcmpPacket::read32(bytes + 12));

    if (type == IcmpPacket::EchoReplyType) {
        if (code != 0)
            return event;
        event.kind = Event::Kind::Reply;
        event.identifier = IcmpPacket::read16(icmp + 4);
        event.sequence = IcmpPacket::read16(icmp + 6);
        event.address = source;
        event.ttl = IcmpPacket::byteAt(bytes, 8);
        return event;
    }
    if (type != IcmpPacket::DestUnreachableType && type != IcmpPacket::SourceQuenchType &&
        type != IcmpPacket::TimeExceededType && type != IcmpPacket::ParameterProblemType)
        return event;

    // The error quotes the offending IP header and at least the first 8 bytes of its payload: our echo header.
    const char* quoted = icmp + IcmpPacket::HeaderSize;
    const qsizetype quotedSize = icmpSize - IcmpPacket::HeaderSize;
    const int quotedHeaderLength = icmpIpHeaderLength(quoted, quotedSize);
    if (quotedHeaderLength == 0 || quotedSize - quotedHeaderLength < IcmpPacket::HeaderSize)
        return event;
    const char* quotedIcmp = quoted + quotedHeaderLength;
    if (IcmpPacket::byteAt(quotedIcmp, 0) != IcmpPacket::EchoRequestType)
        return event;
    event.kind = Event::Kind::Error;
    event.identifier = IcmpPacket::read16(quotedIcmp + 4);
    event.sequence = IcmpPacket::read16(quotedIcmp + 6);
    event.address = source;
    event.destination = IpAddress::fromIpv4(IcmpPacket::read32(quoted + 16));
    event.status = statusForIcmp(type, code);
    return event;
}

IcmpReplyParser::Event IcmpReplyParser::parseDatagramReply(const QByteArray& data, const IpAddress& peer,
                                                           const QByteArray& control)
{
    Event event;
    if (data.size() < IcmpPacket::HeaderSize)
        return event;
    const char* icmp = data.constData();
    if (IcmpPacket::byteAt(icmp, 0) != IcmpPacket::EchoReplyType || IcmpPacket::byteAt(icmp, 1) != 0)
        return event;
    event.kind = Event::Kind::Reply;
    event.identifier = IcmpPacket::read16(icmp + 4);
    event.sequence = IcmpPacket::read16(icmp + 6);
    event.address = peer;
    const int ttl = ttlFromControl(control);
    event.ttl = ttl < 0 ? 0 : static_cast<quint8>(ttl);
    return event;
}

IcmpReplyParser::Event IcmpReplyParser::parseErrorQueue(const QByteArray& data, const IpAddress& peer,
                                                        const QByteArray& control)
{
    Event event;
    size_t length = 0;
    const char* payload = ControlMessage::find(control, IPPROTO_IP, IP_RECVERR, length);
    if (payload == nullptr || length < sizeof(sock_extended_err))
        return event;
    sock_extended_err error;
    std::memcpy(&error, payload, sizeof error);

    if (error.ee_origin == SO_EE_ORIGIN_ICMP) {
        event.status = statusForIcmp(error.ee_type, error.ee_code);
        // The router that reported it follows the error structure.
        sockaddr_in offender;
        if (length >= sizeof error + sizeof offender) {
            std::memcpy(&offender, payload + sizeof error, sizeof offender);
            if (offender.sin_family == AF_INET)
                event.address = IpAddress::fromIpv4(ntohl(offender.sin_addr.s_addr));
        }
    } else if (error.ee_origin == SO_EE_ORIGIN_LOCAL) {
        event.status = statusForErrno(static_cast<int>(error.ee_errno));
    } else {
        return event;
    }

    if (data.size() < IcmpPacket::HeaderSize || IcmpPacket::byteAt(data.constData(), 0) != IcmpPacket::EchoRequestType)
        return event;
    event.kind = Event::Kind::Error;
    event.identifier = IcmpPacket::read16(data.constData() + 4);
    event.sequence = IcmpPacket::read16(data.constData() + 6);
    event.destination = peer;
    return event;
}

int IcmpReplyParser::ttlFromControl(const QByteArray& control)
{
    return ControlMessage::hopCount(control, IPPROTO_IP, IP_TTL);
}

EchoStatus IcmpReplyParser::statusForIcmp(quint8 type, quint8 code)
{
    switch (type) {
    case IcmpPacket::DestUnreachableType:
        switch (code) {
        case 0:  // network
        case 6:  // network unknown
        case 9:  // network administratively prohibited
        case 11: // network unreachable for type of service
            return EchoStatus::DestNetUnreachable;
        case 1:  // host
        case 7:  // host unknown
        case 8:  // source host isolated
        case 10: // host administratively prohibited
        case 12: // host unreachable for type of service
        case 13: // communication administratively prohibited
        case 14: // host precedence violation
        case 15: // precedence cutoff
            return EchoStatus::DestHostUnreachable;
        case 2:
            return EchoStatus::DestProtUnreachable;
        case 3:
            return EchoStatus::DestPortUnreachable;
        case 4: // fragmentation needed but DF set
            return EchoStatus::PacketTooBig;
        case 5:
            return EchoStatus::BadRoute;
        default:
            return EchoStatus::GeneralFailure;
        }
    case IcmpPacket::TimeExceededType:
        if (code == 0)
            return EchoStatus::TtlExpiredTransit;
        if (code == 1)
            return EchoStatus::TtlExpiredReassembly;
        return EchoStatus::GeneralFailure;
    case IcmpPacket::ParameterProblemType:
        return EchoStatus::ParameterProblem;
    case IcmpPacket::SourceQuenchType:
        return EchoStatus::SourceQuench;
    default:
        return EchoStatus::GeneralFailure;
    }
}

EchoStatus IcmpReplyParser::statusForErrno(int error)
{
    switch (error) {
    case ENETUNREACH:
        return EchoStatus::DestNetUnreachable;
    case EHOSTUNREACH:
        return EchoStatus::DestHostUnreachable;
    case EMSGSIZE:
        return EchoStatus::PacketTooBig;
    default:
        return EchoStatus::GeneralFailure;
    }
}
