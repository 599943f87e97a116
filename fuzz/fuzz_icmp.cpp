#include "ping/HostAddress.h"
#include "ping/Icmp6ReplyParser.h"
#include "ping/IcmpReplyParser.h"

#include <cstddef>
#include <cstdint>

// Arbitrary bytes off the wire, as a raw packet, a ping socket reply with its control data, or an error
// queue entry, for ICMP and ICMPv6: parsing never reads out of bounds, and nothing that is not a reply or an
// error is taken. The same bytes as text go through the address literal parser.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const size_t split = size > 1 ? data[0] % size : 0;
    const QByteArray packet(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(split > 0 ? split - 1 : 0));
    const QByteArray control(reinterpret_cast<const char*>(data + (split > 0 ? split : 1)),
                             static_cast<qsizetype>(size - (split > 0 ? split : 1)));
    const QByteArray whole(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    const auto raw = IcmpReplyParser::parseRawPacket(whole);
    if (raw.kind == IcmpReplyParser::Event::Kind::Reply && whole.size() < 28)
        __builtin_trap(); // a reply needs at least an IP header and an ICMP header
    const IpAddress loopback = IpAddress::fromIpv4(0x7F000001);
    IcmpReplyParser::parseDatagramReply(packet, loopback, control);
    IcmpReplyParser::parseErrorQueue(packet, loopback, control);
    const int ttl = IcmpReplyParser::ttlFromControl(control);
    if (ttl < -1 || ttl > 255)
        __builtin_trap();

    const IpAddress loopback6 = *IpAddress::parseIpv6(QStringLiteral("::1"));
    const auto message = Icmp6ReplyParser::parseMessage(packet, loopback6, control);
    if (message.kind == IcmpReplyParser::Event::Kind::Error && packet.size() < 8 + 40 + 8)
        __builtin_trap(); // an error must quote an IPv6 header and the echo header
    Icmp6ReplyParser::parseErrorQueue(packet, loopback6, control);
    const int hopLimit = Icmp6ReplyParser::hopLimitFromControl(control);
    if (hopLimit < -1 || hopLimit > 255)
        __builtin_trap();

    // A literal that parses shows as text that parses back to the same address.
    if (const auto target = HostAddress::parseLiteral(QString::fromLatin1(whole))) {
        const auto again = HostAddress::parseLiteral(target->address.toString());
        if (!again || again->address != target->address)
            __builtin_trap();
    }
    return 0;
}
