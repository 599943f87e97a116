#pragma once

#include "ping/IcmpReplyParser.h"

#include <QtGlobal>

// The reading that ICMP and ICMPv6 share: our echo header in a reply, the echo request an error quotes, and a
// ping socket's error queue entry. Each parser checks what is particular to its family first and passes the
// numbers that tell the two apart.
class EchoEventReader
{
public:
    using Event = IcmpReplyParser::Event;

    struct Family {
        quint8 echoReplyType;
        quint8 echoRequestType;
        // Bit n set: type n (below 32) is an error that quotes the datagram it is about.
        quint32 quotingErrors;
        // The length of the IP header a quote starts with when it is a sane one carrying ICMP, else 0; sets
        // destination to where the quoted datagram was going.
        int (*quotedIpHeader)(const char* bytes, qsizetype size, IpAddress& destination);
        EchoStatus (*statusForIcmp)(quint8 type, quint8 code);
        // The control message with the sock_extended_err, and its origin when ICMP reported the error.
        int errorLevel;
        int errorType;
        quint8 icmpOrigin;
        // The address family of the reporting router that follows the sock_extended_err.
        int offenderFamily;
        // The family an error queue entry's peer must have; Unspecified takes any.
        IpFamily peerFamily;
    };

    // An echo reply from `from` whose ICMP header is at icmp (HeaderSize bytes there); hopCount is the TTL or
    // hop limit, -1 when unknown.
    static Event reply(const char* icmp, const IpAddress& from, int hopCount, const Family& family);
    // The same for any ICMP message of size bytes at icmp: a reply, or an error quoting one of our echo requests.
    static Event message(const char* icmp, qsizetype size, const IpAddress& from, int hopCount, const Family& family);
    // A ping socket error queue entry: data is the quoted echo header, peer its destination, control holds the
    // sock_extended_err followed by the reporting router.
    static Event errorQueueEntry(const QByteArray& data, const IpAddress& peer, const QByteArray& control,
                                 const Family& family);
};
