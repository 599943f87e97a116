#include "bench/monitor/StallProbe.h"

#include <algorithm>

StallProbe::StallProbe(int periodMs, QObject* parent) : QObject(parent)
{
    m_clock.start();
    // Coarse timers may be deferred by up to 5 %, which would show as stalls that are not there.
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(periodMs);
    connect(&m_timer, &QTimer::timeout, this, &StallProbe::tick);
    m_timer.start();
    reset();
}

void StallProbe::reset()
{
    m_lastNs = m_clock.nsecsElapsed();
    m_maxGapNs = 0;
}

double StallProbe::maxGapMs() const
{
    const qint64 open = m_clock.nsecsElapsed() - m_lastNs;
    return static_cast<double>(std::max(m_maxGapNs, open)) / 1e6;
}

void StallProbe::tick()
{
    const qint64 now = m_clock.nsecsElapsed();
    m_maxGapNs = std::max(m_maxGapNs, now - m_lastNs);
    m_lastNs = now;
}
