#include "LinuxEchoService.h"

#include <QPointer>
#include <QTimer>

LinuxEchoService::LinuxEchoService(MessageBoxes&, QObject* parent) : QObject(parent) {}

EchoService::Ticket LinuxEchoService::myping(const QString&, QObject* context, Done done)
{
    QTimer::singleShot(0, context, [done] {
        EchoReply reply;
        reply.Status = IpStatus::GeneralFailure;
        done(reply);
    });
    return m_next++;
}

bool LinuxEchoService::cancel(Ticket)
{
    return false;
}
