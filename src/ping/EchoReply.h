#pragma once

#include <QtGlobal>

// The outcome of one echo: the four fields the ping round reads.
struct EchoReply {
    quint32 address = 0;       // the replying host, IPv4 in host byte order; 0 when none replied
    quint32 status = 0;        // 0 on success, otherwise one of the IP status codes of statusText
    quint32 roundTripMs = 0;   // whole milliseconds, measured locally
    quint8 ttl = 0;            // time-to-live of the reply
};

// IP status codes (the platform's status base is 11000).
namespace IpStatus {
constexpr quint32 Success = 0;
constexpr quint32 DestNetUnreachable = 11002;
constexpr quint32 DestHostUnreachable = 11003;
constexpr quint32 DestProtUnreachable = 11004;
constexpr quint32 DestPortUnreachable = 11005;
constexpr quint32 NoResources = 11006;
constexpr quint32 PacketTooBig = 11009;
constexpr quint32 RequestTimedOut = 11010;
constexpr quint32 BadRoute = 11012;
constexpr quint32 TtlExpiredTransit = 11013;
constexpr quint32 TtlExpiredReassembly = 11014;
constexpr quint32 ParameterProblem = 11015;
constexpr quint32 SourceQuench = 11016;
constexpr quint32 BadDestination = 11018;
constexpr quint32 GeneralFailure = 11050;
} // namespace IpStatus

constexpr int EchoTimeoutMs = 200;
