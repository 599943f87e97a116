#pragma once

#include <QtGlobal>

// The two clocks echo timing reads, in nanoseconds. Monotonic for deadlines and round trips; realtime because
// the kernel stamps received datagrams on that scale (SO_TIMESTAMPNS).
class PreciseClock
{
public:
    virtual ~PreciseClock() = default;
    // CLOCK_MONOTONIC: never jumps, meaningful only as differences.
    virtual qint64 monotonicNs() const = 0;
    // CLOCK_REALTIME since the epoch: may be stepped by the administrator or NTP.
    virtual qint64 realtimeNs() const = 0;
};
