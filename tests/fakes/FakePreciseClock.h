#pragma once

#include "platform/PreciseClock.h"

// Stands still until the test moves it; both clocks move together unless the wall clock is stepped.
class FakePreciseClock : public PreciseClock
{
public:
    qint64 monotonicNs() const override { return monotonic; }
    qint64 realtimeNs() const override { return realtime; }

    void advanceMs(qint64 ms)
    {
        monotonic += ms * 1000000;
        realtime += ms * 1000000;
    }
    // The wall clock as it reads ms from now.
    qint64 realtimeInMs(qint64 ms) const { return realtime + ms * 1000000; }

    qint64 monotonic = 5000000000;
    qint64 realtime = 1796655909000000000; // 2026-12-07
};
