#include "ping/Icmp6ReplyParser.h"

#include "ping/EchoEventReader.h"
#include "ping/Icmp6Packet.h"
#include "platform/ControlMessage.h"

#include <linux/errqueue.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace
{

int quotedIpv6Header(const char* bytes, qsizetype size, IpAddress& destination)
{
    // An echo of ours carries no extension headers, so anything else in Next Header is not ours.
    if (size < Icmp6Packet::Ipv6HeaderSize || (IcmpPacket::byteAt(bytes, 0) >> 4) != 6 ||
        IcmpPacket::byteAt(bytes, 6) != Icmp6Packet::Icmp6NextHeader)
        return 0;
    destination = IpAddress::fromIpv6(bytes + 24);
    return Icmp6Packet::Ipv6HeaderSize;
}

constexpr EchoEventReader::Family Icmp6{
    Icmp6Packet::EchoReplyType,
    Icmp6Packet::EchoRequestType,
    (1U << Icmp6Packet::DestUnreachableType) | (1U << Icmp6Packet::PacketTooBigType) |
        (1U << Icmp6Packet::TimeExceededType) | (1U << Icmp6Packet::ParameterProblemType),
    quotedIpv6Header,
    Icmp6ReplyParser::statusForIcmp6,
    IPPROTO_IPV6,
    IPV6_RECVERR,
    SO_EE_ORIGIN_ICMP6,
    AF_INET6,
    IpFamily::IPv6};

} // namespace

IcmpReplyParser::Event Icmp6ReplyParser::parseMessage(const QByteArray& data, const IpAddress& peer,
                                                      const QByteArray& control)
{
    if (data.size() < IcmpPacket::HeaderSize || !peer.isIpv6())
        return {};
    return EchoEventReader::message(data.constData(), data.size(), peer, hopLimitFromControl(control), Icmp6);
}

IcmpReplyParser::Event Icmp6ReplyParser::parseErrorQueue(const QByteArray& data, const IpAddress& peer,
                                                         const QByteArray& control)
{
    return EchoEventReader::errorQueueEntry(data, peer, control, Icmp6);
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
