#include "Icmp6ReplyParser.h"

#include "ControlMessage.h"
#include "Icmp6Packet.h"

#include <cstring>
#include <linux/errqueue.h>
#include <netinet/in.h>
#include <sys/socket.h>

IcmpReplyParser::Event Icmp6ReplyParser::parseMessage(const QByteArray& data, const IpAddress& peer,
                                                      const QByteArray& control)
{
    Event event;
    if (data.size() < IcmpPacket::HeaderSize || !peer.isIpv6())
        return event;
    const char* icmp = data.constData();
    const quint8 type = IcmpPacket::byteAt(icmp, 0);
    const quint8 code = IcmpPacket::byteAt(icmp, 1);
    if (type == Icmp6Packet::EchoReplyType) {
        if (code != 0)
            return event;
        event.kind = Event::Kind::Reply;
        event.identifier = IcmpPacket::read16(icmp + 4);
        event.sequence = IcmpPacket::read16(icmp + 6);
        event.address = peer;
        const int hopLimit = hopLimitFromControl(control);
        event.ttl = hopLimit < 0 ? 0 : static_cast<quint8>(hopLimit);
        return event;
    }
    if (type != Icmp6Packet::DestUnreachableType && type != Icmp6Packet::PacketTooBigType &&
        type != Icmp6Packet::TimeExceededType && type != Icmp6Packet::ParameterProblemType)
        return event;

    // The error quotes as much of the offending packet as fits: its IPv6 header, then our echo header. An
    // echo of ours carries no extension headers, so anything else in Next Header is not ours.
    const char* quoted = icmp + IcmpPacket::HeaderSize;
    const qsizetype quotedSize = data.size() - IcmpPacket::HeaderSize;
    if (quotedSize < Icmp6Packet::Ipv6HeaderSize + IcmpPacket::HeaderSize)
        return event;
    if ((IcmpPacket::byteAt(quoted, 0) >> 4) != 6 || IcmpPacket::byteAt(quoted, 6) != Icmp6Packet::Icmp6NextHeader)
        return event;
    const char* quotedIcmp = quoted + Icmp6Packet::Ipv6HeaderSize;
    if (IcmpPacket::byteAt(quotedIcmp, 0) != Icmp6Packet::EchoRequestType)
        return event;
    event.kind = Event::Kind::Error;
    event.identifier = IcmpPacket::read16(quotedIcmp + 4);
    event.sequence = IcmpPacket::read16(quotedIcmp + 6);
    event.address = peer;
    event.destination = IpAddress::fromIpv6(quoted + 24);
    event.status = statusForIcmp6(type, code);
    return event;
}

IcmpReplyParser::Event Icmp6ReplyParser::parseErrorQueue(const QByteArray& data, const IpAddress& peer,
                                                         const QByteArray& control)
{
    Event event;
    size_t length = 0;
    const char* payload = ControlMessage::find(control, IPPROTO_IPV6, IPV6_RECVERR, length);
    if (payload == nullptr || length < sizeof(sock_extended_err))
        return event;
    sock_extended_err error;
    std::memcpy(&error, payload, sizeof error);

    if (error.ee_origin == SO_EE_ORIGIN_ICMP6) {
        event.status = statusForIcmp6(error.ee_type, error.ee_code);
        sockaddr_in6 offender;
        if (length >= sizeof error + sizeof offender) {
            std::memcpy(&offender, payload + sizeof error, sizeof offender);
            if (offender.sin6_family == AF_INET6)
                event.address = IpAddress::fromIpv6(&offender.sin6_addr);
        }
    } else if (error.ee_origin == SO_EE_ORIGIN_LOCAL) {
        event.status = IcmpReplyParser::statusForErrno(static_cast<int>(error.ee_errno));
    } else {
        return event;
    }

    if (data.size() < IcmpPacket::HeaderSize || !peer.isIpv6() ||
        IcmpPacket::byteAt(data.constData(), 0) != Icmp6Packet::EchoRequestType)
        return event;
    event.kind = Event::Kind::Error;
    event.identifier = IcmpPacket::read16(data.constData() + 4);
    event.sequence = IcmpPacket::read16(data.constData() + 6);
    event.destination = peer;
    return event;
}

int Icmp6ReplyParser::hopLimitFromControl(const QByteArray& control)
{
    return ControlMessage::hopCount(control, IPPROTO_IPV6, IPV6_HOPLIMIT);
}

// RFC 4443 messages mapped by meaning onto the IP status codes the table already shows.
EchoStatus Icmp6ReplyParser::statusForIcmp6(quint8 type, quint8 code)
{
    switch (type) {
    case Icmp6Packet::DestUnreachableType:
        switch (code) {
        case 0: // no route to destination
        case 2: // beyond scope of source address
            return EchoStatus::DestNetUnreachable;
        case 1: // communication administratively prohibited
        case 3: // address unreachable
        case 5: // source address failed ingress/egress policy
        case 6: // reject route to destination
            return EchoStatus::DestHostUnreachable;
        case 4:
            return EchoStatus::DestPortUnreachable;
        case 7: // error in source routing header
            return EchoStatus::BadRoute;
        default:
            return EchoStatus::GeneralFailure;
        }
    case Icmp6Packet::PacketTooBigType:
        return EchoStatus::PacketTooBig;
    case Icmp6Packet::TimeExceededType:
        if (code == 0)
            return EchoStatus::TtlExpiredTransit;
        if (code == 1)
            return EchoStatus::TtlExpiredReassembly;
        return EchoStatus::GeneralFailure;
    case Icmp6Packet::ParameterProblemType:
        return EchoStatus::ParameterProblem;
    default:
        return EchoStatus::GeneralFailure;
    }
}
