#pragma once

#include "ping/EchoReply.h"

#include <QObject>
#include <QString>
#include <functional>

// Sends ICMP echoes without blocking: each request is queued, paced out and answered through its callback
// on the caller's thread.
class EchoService
{
public:
    virtual ~EchoService() = default;

    using Done = std::function<void(const EchoReply&)>;
    using Ticket = quint64;

    // One echo of "Echo This" to an address text: dotted IPv4, or an IPv6 literal (echoed over ICMPv6). done
    // runs exactly once with the outcome, unless the echo is cancelled before it is sent or context is
    // destroyed first. A text that is not an address is answered with a failure status without sending.
    virtual Ticket send(const QString& addressText, QObject* context, Done done) = 0;

    // Drops an echo that has not been sent yet. True when it was dropped; done will then never run.
    virtual bool cancel(Ticket ticket) = 0;
};
