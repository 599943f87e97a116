#pragma once

#include "ping/IcmpReplyParser.h"

// The ICMPv6 side of IcmpReplyParser. Raw and ping sockets of IPv6 both deliver the ICMPv6 message without
// the IP header, with the sender in the peer address and the hop limit in an IPV6_HOPLIMIT control message.
class Icmp6ReplyParser
{
public:
    using Event = IcmpReplyParser::Event;

    // An echo reply, or (raw sockets) an error quoting an IPv6 header and our echo request.
    static Event parseMessage(const QByteArray& data, const IpAddress& peer, const QByteArray& control);
    // A ping socket error queue entry: data is the quoted echo, peer its destination, control holds the
    // sock_extended_err (IPV6_RECVERR) followed by the reporting router.
    static Event parseErrorQueue(const QByteArray& data, const IpAddress& peer, const QByteArray& control);

    // The hop limit of an IPV6_HOPLIMIT control message, or -1 when there is none.
    static int hopLimitFromControl(const QByteArray& control);
    static EchoStatus statusForIcmp6(quint8 type, quint8 code);
};
