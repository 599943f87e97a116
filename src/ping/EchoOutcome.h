#pragma once

#include "ping/EchoStatus.h"
#include "platform/IpAddress.h"

#include <QtGlobal>

// What one echo came to, as the engine hands it back: numbers only, so a round of 100,000 outcomes costs no
// allocation on its way to the results.
struct EchoOutcome {
    // Settled: the echo's one outcome. The others are replies that came after the echo was settled, handed to
    // the engine's stray sink besides: Late after its timeout (the echo stays timed out; status says so), and
    // Duplicate for a further reply to an echo already answered (status Success). Neither counts as an echo.
    enum class Kind : quint8 { Settled, Late, Duplicate };

    quint64 tag = 0;   // the requester's own, handed back unchanged
    qint64 whenUs = 0; // epoch µs: the kernel's receive stamp, or the send stamp plus the timeout
    quint32 rttUs = 0; // round trip of a reply, from the kernel's send and receive times
    EchoStatus status = EchoStatus::Success;
    quint8 ttl = 0; // TTL (IPv4) or hop limit (IPv6) of a reply
    // Which of its request's echoes this was, counted from 0 in send order, and how many the request sent.
    quint8 echo = 0;
    quint8 echoes = 1;
    Kind kind = Kind::Settled;
    IpAddress address; // the replying host, or the router that reported an error; null when none

    bool answered() const { return status == EchoStatus::Success && kind == Kind::Settled; }
    bool stray() const { return kind != Kind::Settled; }
};
