#include "ping/IcmpReplyParser.h"

#include "ping/EchoEventReader.h"
#include "ping/EchoService.h"
#include "ping/IcmpPacket.h"
#include "platform/ControlMessage.h"

#include <cerrno>
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

int quotedIpv4Header(const char* bytes, qsizetype size, IpAddress& destination)
{
    const int headerLength = icmpIpHeaderLength(bytes, size);
    if (headerLength != 0)
        destination = IpAddress::fromIpv4(IcmpPacket::read32(bytes + 16));
    return headerLength;
}

// A ping socket of IPv4 has always been trusted to name the destination: any peer family passes.
constexpr EchoEventReader::Family Icmp{IcmpPacket::EchoReplyType,
                                       IcmpPacket::EchoRequestType,
                                       (1U << IcmpPacket::DestUnreachableType) | (1U << IcmpPacket::SourceQuenchType) |
                                           (1U << IcmpPacket::TimeExceededType) |
                                           (1U << IcmpPacket::ParameterProblemType),
                                       quotedIpv4Header,
                                       IcmpReplyParser::statusForIcmp,
                                       IPPROTO_IP,
                                       IP_RECVERR,
                                       SO_EE_ORIGIN_ICMP,
                                       AF_INET,
                                       IpFamily::Unspecified};

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
    const IpAddress source = IpAddress::fromIpv4(IcmpPacket::read32(bytes + 12));
    return EchoEventReader::message(icmp, icmpSize, source, IcmpPacket::byteAt(bytes, 8), Icmp);
}

IcmpReplyParser::Event IcmpReplyParser::parseDatagramReply(const QByteArray& data, const IpAddress& peer,
                                                           const QByteArray& control)
{
    if (data.size() < IcmpPacket::HeaderSize)
        return {};
    return EchoEventReader::reply(data.constData(), peer, ttlFromControl(control), Icmp);
}

IcmpReplyParser::Event IcmpReplyParser::parseErrorQueue(const QByteArray& data, const IpAddress& peer,
                                                        const QByteArray& control)
{
    return EchoEventReader::errorQueueEntry(data, peer, control, Icmp);
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
