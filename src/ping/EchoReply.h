#pragma once

#include "EchoStatus.h"

#include <QtGlobal>

// The outcome of one echo: the four fields the ping round reads.
struct EchoReply {
    quint32 address = 0;                     // the replying host, IPv4 in host byte order; 0 when none replied
    EchoStatus status = EchoStatus::Success; // Success, or why not
    quint32 roundTripMs = 0;                 // whole milliseconds, from the kernel's send and receive times
    quint8 ttl = 0;                          // time-to-live of the reply
};

constexpr int EchoTimeoutMs = 200;
