#pragma once

#include "IcmpPacket.h"

#include <QByteArray>
#include <cstring>
#include <linux/errqueue.h>
#include <netinet/in.h>
#include <sys/socket.h>

// Builders for the bytes a socket would hand the engine, so tests can say what arrived in a line.
namespace Crafted
{

inline void put16(QByteArray& bytes, int at, quint16 value)
{
    bytes[at] = static_cast<char>(value >> 8);
    bytes[at + 1] = static_cast<char>(value & 0xFF);
}

inline void put32(QByteArray& bytes, int at, quint32 value)
{
    put16(bytes, at, static_cast<quint16>(value >> 16));
    put16(bytes, at + 2, static_cast<quint16>(value & 0xFFFF));
}

// An ICMP message with a valid checksum.
inline QByteArray icmp(quint8 type, quint8 code, quint16 identifier, quint16 sequence, const QByteArray& body = {})
{
    QByteArray bytes(8, '\0');
    bytes[0] = static_cast<char>(type);
    bytes[1] = static_cast<char>(code);
    put16(bytes, 4, identifier);
    put16(bytes, 6, sequence);
    bytes += body;
    put16(bytes, 2, IcmpPacket::checksum(bytes));
    return bytes;
}

// An IPv4 header (no options) in front of payload.
inline QByteArray ip(quint32 source, quint32 destination, quint8 ttl, const QByteArray& payload, quint8 protocol = 1)
{
    QByteArray bytes(20, '\0');
    bytes[0] = 0x45;
    put16(bytes, 2, static_cast<quint16>(20 + payload.size()));
    bytes[8] = static_cast<char>(ttl);
    bytes[9] = static_cast<char>(protocol);
    put32(bytes, 12, source);
    put32(bytes, 16, destination);
    put16(bytes, 10, IcmpPacket::checksum(bytes));
    return bytes + payload;
}

inline QByteArray echoReply(quint16 identifier, quint16 sequence)
{
    return icmp(IcmpPacket::EchoReplyType, 0, identifier, sequence, IcmpPacket::echoPayload());
}

// What a raw socket reads for an echo reply from source.
inline QByteArray rawReply(quint32 source, quint16 identifier, quint16 sequence, quint8 ttl = 64)
{
    return ip(source, 0x0A000001, ttl, echoReply(identifier, sequence));
}

// What a raw socket reads when router reports type/code about our echo to destination.
inline QByteArray rawError(quint32 router, quint8 type, quint8 code, quint32 destination, quint16 identifier,
                           quint16 sequence)
{
    const QByteArray quotedEcho =
        ip(0x0A000001, destination, 1, IcmpPacket::echoRequest(identifier, sequence, IcmpPacket::echoPayload()));
    return ip(router, 0x0A000001, 64, icmp(type, code, 0, 0, quotedEcho));
}

// One control message laid out the way the kernel does it.
inline QByteArray control(int level, int type, const void* data, size_t size)
{
    const size_t align = sizeof(size_t);
    const size_t headerLength = (sizeof(cmsghdr) + align - 1) & ~(align - 1);
    const size_t total = (headerLength + size + align - 1) & ~(align - 1);
    QByteArray bytes(static_cast<qsizetype>(total), '\0');
    cmsghdr header{};
    header.cmsg_len = headerLength + size;
    header.cmsg_level = level;
    header.cmsg_type = type;
    std::memcpy(bytes.data(), &header, sizeof header);
    std::memcpy(bytes.data() + headerLength, data, size);
    return bytes;
}

inline QByteArray ttlControl(int ttl)
{
    return control(IPPROTO_IP, IP_TTL, &ttl, sizeof ttl);
}

// An IP_RECVERR control message: ICMP origin with the reporting router, or a local error.
inline QByteArray errorControl(quint8 origin, quint8 type, quint8 code, quint32 offender, quint32 error = 0)
{
    struct {
        sock_extended_err error;
        sockaddr_in offender;
    } body{};
    body.error.ee_errno = error;
    body.error.ee_origin = origin;
    body.error.ee_type = type;
    body.error.ee_code = code;
    body.offender.sin_family = AF_INET;
    body.offender.sin_addr.s_addr = htonl(offender);
    return control(IPPROTO_IP, IP_RECVERR, &body, sizeof body);
}

} // namespace Crafted
