#pragma once

#include "ping/EchoOutcome.h"

#include <span>

// Where the engine hands outcomes back, a batch at a time: the replies of one read of the socket, the echoes of
// one expiry. Called on the engine's thread, from its event loop, never from inside EchoService::send.
class EchoSink
{
public:
    virtual void echoesDone(std::span<const EchoOutcome> outcomes) = 0;

protected:
    virtual ~EchoSink() = default;
};
