#pragma once

#include "ping/IcmpPacket.h"
#include "platform/IpAddress.h"

#include <QByteArray>
#include <cstring>
#include <linux/errqueue.h>
#include <netinet/in.h>
#include <sys/socket.h>

// QCOMPARE prints addresses as text.
inline char* toString(const IpAddress& address)
{
    return qstrdup(address.isNull() ? "(none)" : qPrintable(address.toString()));
}

inline IpAddress V4(quint32 address)
{
    return IpAddress::fromIpv4(address);
}

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

// --- IPv6 ---

inline IpAddress v6(const char* text)
{
    return *IpAddress::parseIpv6(QString::fromLatin1(text));
}

// An ICMPv6 message as the socket hands it over (no IP header; the kernel has checked the checksum).
inline QByteArray icmp6(quint8 type, quint8 code, quint16 identifier, quint16 sequence, const QByteArray& body = {})
{
    QByteArray bytes = icmp(type, code, identifier, sequence, body);
    bytes[2] = bytes[3] = '\0';
    return bytes;
}

inline QByteArray echo6Reply(quint16 identifier, quint16 sequence)
{
    return icmp6(129, 0, identifier, sequence, IcmpPacket::echoPayload());
}

// An IPv6 header in front of payload.
inline QByteArray ip6(const IpAddress& source, const IpAddress& destination, const QByteArray& payload,
                      quint8 nextHeader = 58)
{
    QByteArray bytes(40, '\0');
    bytes[0] = 0x60;
    put16(bytes, 4, static_cast<quint16>(payload.size()));
    bytes[6] = static_cast<char>(nextHeader);
    bytes[7] = 1;
    std::memcpy(bytes.data() + 8, source.bytes().data(), 16);
    std::memcpy(bytes.data() + 24, destination.bytes().data(), 16);
    return bytes + payload;
}

// What a raw ICMPv6 socket reads when a router reports type/code about our echo to destination.
inline QByteArray raw6Error(quint8 type, quint8 code, const IpAddress& destination, quint16 identifier,
                            quint16 sequence)
{
    const QByteArray echo = icmp6(128, 0, identifier, sequence, IcmpPacket::echoPayload());
    return icmp6(type, code, 0, 0, ip6(v6("fd00::1"), destination, echo));
}

inline QByteArray hopLimitControl(int hopLimit)
{
    return control(IPPROTO_IPV6, IPV6_HOPLIMIT, &hopLimit, sizeof hopLimit);
}

// An IPV6_RECVERR control message: ICMPv6 origin with the reporting router, or a local error.
inline QByteArray error6Control(quint8 origin, quint8 type, quint8 code, const IpAddress& offender, quint32 error = 0)
{
    struct {
        sock_extended_err error;
        sockaddr_in6 offender;
    } body{};
    body.error.ee_errno = error;
    body.error.ee_origin = origin;
    body.error.ee_type = type;
    body.error.ee_code = code;
    body.offender.sin6_family = offender.isNull() ? AF_UNSPEC : AF_INET6;
    std::memcpy(&body.offender.sin6_addr, offender.bytes().data(), 16);
    return control(IPPROTO_IPV6, IPV6_RECVERR, &body, sizeof body);
}

} // namespace Crafted
