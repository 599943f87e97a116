#include "platform/TimedProcess.h"

#include <QTimer>
#include <csignal>
#include <unistd.h>
#include <utility>

TimedProcess::TimedProcess(bool ownGroup, QObject* parent) : QProcess(parent), m_ownGroup(ownGroup)
{
    if (m_ownGroup)
        setChildProcessModifier([] { ::setpgid(0, 0); });
}

void TimedProcess::run(int timeoutMs, Ended ended)
{
    m_ended = std::move(ended);
    connect(this, &QProcess::finished, this, [this] { end(End::Finished); });
    connect(this, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            end(End::FailedToStart);
    });
    if (timeoutMs > 0) {
        auto* timer = new QTimer(this);
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, this, [this] { end(End::TimedOut); });
        timer->start(timeoutMs);
    }
    start();
}

void TimedProcess::abandon()
{
    disconnect();
    killNow();
    waitForFinished(1000);
}

void TimedProcess::end(End how)
{
    if (!m_ended)
        return;
    const Ended ended = std::exchange(m_ended, nullptr);
    disconnect();
    if (state() != QProcess::NotRunning) {
        killNow();
        connect(this, &QProcess::finished, this, &QObject::deleteLater);
    } else {
        deleteLater();
    }
    ended(*this, how);
}

void TimedProcess::killNow()
{
    if (m_ownGroup && processId() > 0)
        ::kill(-static_cast<pid_t>(processId()), SIGKILL);
    kill();
}
