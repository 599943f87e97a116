#include "platform/FrameTimer.h"

#include <QSocketNotifier>
#include <cerrno>
#include <cstdint>
#include <sys/timerfd.h>
#include <unistd.h>

FrameTimer::FrameTimer(int intervalMs, QObject* parent) : QObject(parent), m_intervalMs(intervalMs)
{
    m_fd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (m_fd < 0) {
        m_fallback.setSingleShot(true);
        m_fallback.setInterval(intervalMs);
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
    arm(m_intervalMs);
}

void FrameTimer::stop()
{
    if (!m_active)
        return;
    m_active = false;
    arm(0);
}

void FrameTimer::arm(int ms)
{
    if (m_fd < 0) {
        if (ms > 0)
            m_fallback.start();
        else
            m_fallback.stop();
        return;
    }
    // Setting the time also clears an expiry not yet read, so a stopped frame never fires a later one early.
    itimerspec when{};
    when.it_value.tv_sec = ms / 1000;
    when.it_value.tv_nsec = long(ms % 1000) * 1000000L;
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
