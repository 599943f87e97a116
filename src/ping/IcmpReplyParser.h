#pragma once

#include "ping/EchoStatus.h"
#include "platform/IpAddress.h"

#include <QByteArray>
#include <QtGlobal>

// Turns what an ICMP socket received into an event about one of our echoes. Pure functions over bytes, so
// tests feed them crafted packets; matching against the echoes in flight is the engine's job.
class IcmpReplyParser
{
public:
    struct Event {
        enum class Kind { Ignored, Reply, Error };
        Kind kind = Kind::Ignored;
        quint16 identifier = 0;
        quint16 sequence = 0;
        IpAddress address;     // who answered: the destination for a reply, the reporting router for an error
        IpAddress destination; // errors only: where the quoted echo was going
        EchoStatus status = EchoStatus::Success; // errors only
        quint8 ttl = 0;                          // replies only: the TTL or hop limit
    };

    // A raw socket datagram: IP header, then ICMP. Echo replies and errors quoting an echo request.
    static Event parseRawPacket(const QByteArray& packet);
    // A ping socket datagram: ICMP header and payload only; the TTL comes in the IP_TTL control message.
    static Event parseDatagramReply(const QByteArray& data, const IpAddress& peer, const QByteArray& control);
    // A ping socket error queue entry: data is the quoted echo header, peer its destination, control holds
    // the sock_extended_err.
    static Event parseErrorQueue(const QByteArray& data, const IpAddress& peer, const QByteArray& control);

    // The TTL from an IP_TTL control message, or -1 when there is none.
    static int ttlFromControl(const QByteArray& control);
    static EchoStatus statusForIcmp(quint8 type, quint8 code);
    static EchoStatus statusForErrno(int error);
};
