#pragma once

#include "platform/PreciseClock.h"

#include <ctime>

class SystemPreciseClock : public PreciseClock
{
public:
    qint64 monotonicNs() const override { return read(CLOCK_MONOTONIC); }
    qint64 realtimeNs() const override { return read(CLOCK_REALTIME); }

private:
    static qint64 read(clockid_t clock)
    {
        timespec now{};
        clock_gettime(clock, &now);
        return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
    }
};
