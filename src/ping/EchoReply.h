#pragma once

#include "ping/EchoStatus.h"
#include "platform/IpAddress.h"

#include <QtGlobal>

// The outcome of one echo: the four fields the ping round reads.
struct EchoReply {
    IpAddress address;                       // the replying host; null when none replied
    EchoStatus status = EchoStatus::Success; // Success, or why not
    quint32 roundTripMs = 0;                 // whole milliseconds, from the kernel's send and receive times
    quint8 ttl = 0;                          // time-to-live (IPv4) or hop limit (IPv6) of the reply
};

constexpr int EchoTimeoutMs = 200;
