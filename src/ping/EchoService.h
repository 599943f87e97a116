#pragma once

#include "ping/EchoRequest.h"
#include "ping/EchoSink.h"

#include <span>

// How long an echo may take unless the engine is told otherwise.
constexpr int EchoTimeoutMs = 200;

// Sends ICMP echoes without blocking: requests are queued, paced out and answered through their sink on the
// caller's thread. Each request goes out as echoesPerRequest() echoes, and each echo is answered exactly once
// unless it is cancelled before it is sent or its sink detached.
class EchoService
{
public:
    virtual ~EchoService() = default;

    virtual void send(std::span<const EchoRequest> requests, EchoSink& sink) = 0;
    // How many echoes each request sent from now on makes, so the requester knows how many outcomes to await.
    virtual int echoesPerRequest() const { return 1; }
    // Drops the sink's echoes not yet sent; returns how many. Those already sent are still answered.
    virtual int cancel(EchoSink& sink) = 0;
    // Drops the sink's unsent requests and never calls it again: it may be destroyed after this.
    virtual void detach(EchoSink& sink) = 0;
    // Where the replies go that come after their echo was settled (late or duplicate, see EchoOutcome::Kind),
    // whichever sink asked for the echo; none: they are dropped. detach(sink) also ends this. An engine that
    // never hears a reply twice has none to hand on.
    virtual void setStraySink(EchoSink* /*sink*/) {}
    // Reads of the sockets that failed (not a timeout, not a reply refused), since the start.
    virtual quint64 receiveErrors() const { return 0; }
};
