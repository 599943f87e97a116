#pragma once

#include <QObject>
#include <QTimer>

class QSocketNotifier;

// A single-shot timer for coalescing work into frames, started again many times a second. Starting a QTimer
// registers it with the event dispatcher afresh, which allocates; this one arms a timerfd that the event loop
// watches all along, so starting and stopping it cost a system call and no heap. Where no timerfd can be had,
// it falls back to a QTimer.
class FrameTimer : public QObject
{
    Q_OBJECT
public:
    explicit FrameTimer(int intervalMs, QObject* parent = nullptr);
    ~FrameTimer() override;

    // Arms the timer unless it is armed already: a frame does not move later as more work comes in.
    void start();
    void stop();
    bool isActive() const { return m_active; }

Q_SIGNALS:
    void timeout();

private:
    void arm(bool armed);
    void expired();

    int m_intervalMs;
    int m_fd = -1;
    bool m_active = false;
    QSocketNotifier* m_notifier = nullptr;
    QTimer m_fallback;
};
