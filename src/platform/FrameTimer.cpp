#include "platform/FrameTimer.h"

#include <QSocketNotifier>
#include <algorithm>
#include <cstdint>
#include <sys/timerfd.h>
#include <unistd.h>

FrameTimer::FrameTimer(int intervalMs, QObject* parent) : QObject(parent), m_intervalMs(std::max(intervalMs, 0))
{
    m_fd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (m_fd < 0) {
        m_fallback.setSingleShot(true);
        m_fallback.setInterval(m_intervalMs);
        connect(&m_fallback, &QTimer::timeout, this, &FrameTimer::expired);
        return;
    }
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &FrameTimer::expired);
}

FrameTimer::~FrameTimer()
{
    if (m_fd >= 0) {
        delete m_notifier;
        ::close(m_fd);
    }
}

void FrameTimer::start()
{
    if (m_active)
        return;
    m_active = true;
    arm(true);
}

void FrameTimer::stop()
{
    if (!m_active)
        return;
    m_active = false;
    arm(false);
}

void FrameTimer::arm(bool armed)
{
    if (m_fd < 0) {
        if (armed)
            m_fallback.start();
        else
            m_fallback.stop();
        return;
    }
    // Setting the time also clears an expiry not yet read, so a stopped frame never fires a later one early.
    itimerspec when{};
    if (armed) {
        when.it_value.tv_sec = m_intervalMs / 1000;
        // A time of zero would disarm the timerfd: a frame of no length fires on the event loop's next turn.
        when.it_value.tv_nsec = std::max(long(m_intervalMs % 1000) * 1000000L, 1L);
    }
    timerfd_settime(m_fd, 0, &when, nullptr);
}

void FrameTimer::expired()
{
    if (m_fd >= 0) {
        std::uint64_t expiries = 0;
        if (::read(m_fd, &expiries, sizeof expiries) != ssize_t(sizeof expiries))
            return; // disarmed or re-armed since the event loop saw it ready
    }
    if (!m_active)
        return;
    m_active = false;
    Q_EMIT timeout();
}
